// Sockets for tests as this platform's loop watches them: ends of a
// non-blocking loopback socket pair, and loopback TCP listeners.
// Declared apart from Winsock, whose windows.h macros clash with the serial
// port layer's names.
#pragma once

#include <cstddef>

#include "platform/event_loop.h"

namespace korvex {

bool OpenTestSocketPair(IoHandle (&ends)[2]);
// A socket that reports its end and no input: here one whose peer reset it.
IoHandle OpenTestHungUpHandle();
// Listens on an ephemeral loopback port. Until a client connects it is
// neither readable nor writable. Not `listening`, the port stays bound and
// refuses every connect.
IoHandle OpenTestListener(int& port, bool listening = true);
// A non-blocking client socket whose connect to the loopback `port` has
// begun; a refusal, at once or later, is for the socket's owner to see.
IoHandle StartTestConnect(int port);
// The next connection's peer socket, blocking; waits for a client.
IoHandle AcceptTestHandle(IoHandle listener);
// Ends both directions: a blocked accept or read returns.
void ShutdownTestHandle(IoHandle handle);
void CloseTestHandle(IoHandle handle);
// As write() and read(): the count, 0 at the peer's end, -1 on failure or
// when nothing is there.
std::ptrdiff_t WriteTestHandle(IoHandle handle, const char* bytes, std::size_t size);
std::ptrdiff_t ReadTestHandle(IoHandle handle, char* bytes, std::size_t size);

}  // namespace korvex
