// A message loop on real time, waiting on the watched handles through the
// platform's readiness poller: the headless binary's loop on POSIX.
#pragma once

#include "loop/dispatching_loop.h"

namespace korvex {

class RealTimeLoop : public DispatchingLoop {
 public:
  std::int64_t Now() const override;
  void Sleep(int milliseconds) override;

 protected:
  void WaitForEvents(std::optional<std::int64_t> next_due) override;
};

}  // namespace korvex
