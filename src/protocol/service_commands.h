// The controller's service items, reached outside the host's traffic: the
// firmware number, the project checksum and the CAN switch.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>
#include <string_view>

#include "protocol/vardos_link.h"

namespace korvex {

// Sends `request` until an answer begins with `prefix` and carries at least
// `value_bytes` more bytes, at most three times; `answer` then holds it.
bool ServiceExchange(TVardosLink& link, std::string_view request, std::string_view prefix,
                     std::size_t value_bytes, std::string& answer);

// Each makes up to three attempts and stops at the first whose answer is
// the expected one; on false `value` is left as it was.
bool GetFirmWare(TVardosLink& link, std::uint32_t& value);
bool GetCRC(TVardosLink& link, std::uint32_t& value);
bool SetCRC(TVardosLink& link, std::uint32_t value);

// The write record that switches CAN on (start) or off (stop); it travels
// through the transaction queue.
std::string CanSwitchRecord(bool on);

}  // namespace korvex
