// Winsock 2 for the whole process: started on first use, left to the
// process's end to release.
#pragma once

#include <winsock2.h>

#include <string>

namespace korvex {

// Starts Winsock once; false when it cannot be used.
bool StartWinsock();
// "Winsock 2.2" as the started library reports itself.
std::string WinsockVersionText();

// A connected pair of non-blocking loopback TCP sockets; false when the
// system has none to give.
bool OpenLoopbackPair(SOCKET (&ends)[2]);

}  // namespace korvex
