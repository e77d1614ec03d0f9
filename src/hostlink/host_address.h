// Where the host's window is: its handle (0 until known) and whether it was
// known without a broadcast, from the configuration file's HWND or the
// host's handshake.
#pragma once

#include <cstdint>

namespace korvex {

struct HostAddress {
  std::int64_t HostWnd = 0;
  bool HostWndSet = false;
};

}  // namespace korvex
