// A listening socket on an ephemeral loopback port, accepting by hand; or,
// kBoundOnly, a port held for the whole test on which nothing listens.
#pragma once

#include "test_sockets.h"

namespace korvex {

class LoopbackListener {
 public:
  enum Mode { kListening, kBoundOnly };
  explicit LoopbackListener(Mode mode = kListening)
      : handle_(OpenTestListener(port_, mode == kListening)) {}
  ~LoopbackListener() { CloseTestHandle(handle_); }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  int port() const { return port_; }
  // The next connection's peer socket (blocks; the client has connected).
  IoHandle Accept() const { return AcceptTestHandle(handle_); }
  // Wakes a blocked Accept, and every later one fails at once.
  void StopAccepting() const { ShutdownTestHandle(handle_); }

 private:
  int port_ = 0;
  IoHandle handle_ = kNoIoHandle;
};

}  // namespace korvex
