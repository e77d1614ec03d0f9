// A message loop for tests whose clock moves only when the loop would block or
// sleep: a 3-second time-out is thirty timer ticks and takes microseconds.
// Descriptors are still polled for real, without waiting while a timer runs.
#pragma once

#include "loop/dispatching_loop.h"

namespace korvex {

class VirtualEventLoop : public DispatchingLoop {
 public:
  std::int64_t Now() const override { return now_; }
  void Sleep(int milliseconds) override { now_ += milliseconds > 0 ? milliseconds : 0; }

 protected:
  void WaitForEvents(std::optional<std::int64_t> next_due) override {
    PollDescriptors(next_due ? 0 : -1);
    if (next_due && !AnythingReady() && *next_due > now_) now_ = *next_due;
  }

 private:
  std::int64_t now_ = 0;
};

}  // namespace korvex
