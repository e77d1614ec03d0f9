// The number syntax of configuration values, and the dotted IPv4 address
// built from it. Pure functions over the word's bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

// Optional sign, then decimal digits or hex digits after "$" or "0x". The
// value must fit 32 signed bits; hex may fill all 32 (so $FFFFFFFF is -1).
bool ParseInt32(std::string_view word, std::int32_t& value);
// The same syntax over 64 bits (hex may fill all 64).
bool ParseInt64(std::string_view word, std::int64_t& value);
// Decimal with "." and an optional exponent: 3.5, -2e-1.
bool ParseReal(std::string_view word, double& value);

// Four parts split at the first three dots, each an integer from 0 to 255 in
// the syntax above; a fourth dot spoils the last part. Names are refused.
bool IsIPAddress(std::string_view text);
// The address IsIPAddress accepts, as four plain decimal numbers: what a
// resolver must be given, since it reads "010" as octal and "$0A" not at all.
std::optional<std::string> DottedDecimal(std::string_view text);

}  // namespace korvex
