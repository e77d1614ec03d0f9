// Bytes as hex text for logs and messages, and hex digits typed by a person.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vx2 {

// Two upper-case hex digits per byte, separated by blanks: "E1 5C 01".
std::string HexBytes(std::string_view bytes);

// "00FF" -> the bytes 00 FF. Nothing when the count of digits is odd or a
// character is not a hex digit; no separators are accepted.
std::optional<std::string> ParseHexBytes(std::string_view digits);

}  // namespace vx2
