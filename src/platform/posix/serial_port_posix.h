// What the POSIX serial port layer works out apart from the system calls, for
// its tests to check.
#pragma once

#include <termios.h>

#include <cstdint>

#include "platform/system_serial_port.h"

namespace korvex {

// The terminal settings a settings record asks for: a raw line with its rate,
// data bits, parity, stop bits and flow control. False for a record the line
// cannot take. Rates outside the termios table are left to SetArbitraryRate.
bool LineTermios(const TDcb& dcb, termios& settings);
bool IsTableRate(std::uint32_t rate);

// Change of the input lines between two readings: the EV_ line events.
struct LineReading {
  std::uint32_t cts = 0, dsr = 0, dcd = 0, ring = 0, brk = 0;
};
std::uint32_t LineEvents(const LineReading& before, const LineReading& now);

}  // namespace korvex
