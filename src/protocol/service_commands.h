// The controller's service items, reached outside the host's traffic: the
// firmware number, the project checksum and the CAN switch.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/vardos_link.h"

namespace korvex {

// Each makes up to three attempts and stops at the first whose answer is
// the expected one; on false `value` is left as it was.
bool GetFirmWare(TVardosLink& link, std::uint32_t& value);
bool GetCRC(TVardosLink& link, std::uint32_t& value);
bool SetCRC(TVardosLink& link, std::uint32_t value);

// The write record that switches CAN on (start) or off (stop); it travels
// through the transaction queue.
std::string CanSwitchRecord(bool on);

}  // namespace korvex
