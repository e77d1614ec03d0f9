// SIGINT and SIGTERM delivered as events of the message loop, so that the
// handler may do anything the window's logic does.
#pragma once

#include <functional>
#include <memory>

#include "platform/event_loop.h"

namespace korvex {

class TerminationSignals {
 public:
  // Blocks both signals for the process and calls `on_signal` with the
  // signal number on the loop thread.
  TerminationSignals(EventLoop& loop, std::function<void(int)> on_signal);
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  int fd_ = -1;
  std::unique_ptr<FdWatch> watch_;
};

}  // namespace korvex
