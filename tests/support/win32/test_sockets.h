// Handles for tests that the event loop watches on this platform: ends of a
// non-blocking loopback socket pair, and one that never becomes ready.
// Declared apart from Winsock, whose windows.h macros clash with the serial
// port layer's names.
#pragma once

#include <cstddef>

#include "platform/event_loop.h"

namespace korvex {

bool OpenTestSocketPair(IoHandle (&ends)[2]);
// A listening socket nobody connects to: neither readable nor writable.
IoHandle OpenIdleTestHandle();
void CloseTestHandle(IoHandle handle);
// As write() and read(): the count, 0 at the peer's end, -1 on failure or
// when nothing is there.
std::ptrdiff_t WriteTestHandle(IoHandle handle, const char* bytes, std::size_t size);
std::ptrdiff_t ReadTestHandle(IoHandle handle, char* bytes, std::size_t size);

}  // namespace korvex
