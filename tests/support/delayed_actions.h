// Actions a test schedules to run once, some milliseconds from now, in the
// event loop: Later(550, [&] { peer.Send(answer); }).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/event_loop.h"

namespace korvex {

class DelayedActions {
 public:
  explicit DelayedActions(EventLoop& loop) : loop_(loop) {}

  void operator()(int ms, std::function<void()> action) {
    auto timer = loop_.CreateTimer("later", ms, {});
    Timer* raw = timer.get();
    raw->SetOnTimer([raw, action = std::move(action)] {
      raw->SetEnabled(false);
      action();
    });
    raw->SetEnabled(true);
    pending_.push_back(std::move(timer));
  }

 private:
  EventLoop& loop_;
  std::vector<std::unique_ptr<Timer>> pending_;
};

}  // namespace korvex
