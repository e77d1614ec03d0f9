// Which other processes have a device open: a serial port's lock keeps out
// programs that open it later, but not one that held it before us (a modem
// manager probing a USB adapter), which then takes the controller's answers.
#pragma once

#include <string>
#include <vector>

namespace korvex {

// "name (pid)" of each process other than this one with the device of the
// open descriptor `fd` open, as far as /proc lets us see (all of them as
// root, our own user's otherwise). None for a pseudo-terminal.
std::vector<std::string> OtherDeviceHolders(int fd);

}  // namespace korvex
