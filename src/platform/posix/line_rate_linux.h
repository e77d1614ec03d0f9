// Line rates outside the termios speed table (14400, 56000, ...), through
// Linux's arbitrary-rate interface. Apart because its kernel header clashes
// with <termios.h>.
#pragma once

#include <cstdint>
#include <optional>

namespace korvex {

// Sets both directions of the open line `fd` to `rate` Bd.
bool SetArbitraryRate(int fd, std::uint32_t rate);
// The output rate the line is set to.
std::optional<std::uint32_t> LineRate(int fd);

}  // namespace korvex
