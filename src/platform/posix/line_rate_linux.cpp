#include "platform/posix/line_rate_linux.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace korvex {

bool SetArbitraryRate(int fd, std::uint32_t rate) {
  termios2 settings{};
  if (ioctl(fd, TCGETS2, &settings) != 0) return false;
  // Input speed bits left zero: the input follows the output rate.
  settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  settings.c_cflag |= BOTHER;
  settings.c_ispeed = settings.c_ospeed = rate;
  return ioctl(fd, TCSETS2, &settings) == 0;
}

std::optional<std::uint32_t> LineRate(int fd) {
  termios2 settings{};
  if (ioctl(fd, TCGETS2, &settings) != 0) return std::nullopt;
  return settings.c_ospeed;
}

}  // namespace korvex
