// The headless binary's message loop: real time, poll() on the descriptors.
#pragma once

#include "loop/dispatching_loop.h"

namespace korvex {

class PosixEventLoop : public DispatchingLoop {
 public:
  std::int64_t Now() const override;
  void Sleep(int milliseconds) override;

 protected:
  void WaitForEvents(std::optional<std::int64_t> next_due) override;
};

}  // namespace korvex
