// A message loop for tests whose clock moves only when the loop would block or
// sleep: a 3-second time-out is thirty timer ticks and takes microseconds.
// Descriptors are still polled for real, without waiting while a timer runs.
// Its timers can be looked at by name, as a user sees what a window's timers
// do without reaching into the window.
#pragma once

#include <map>
#include <string>

#include "loop/dispatching_loop.h"

namespace korvex {

class VirtualEventLoop : public DispatchingLoop {
 public:
  std::int64_t Now() const override { return now_; }
  void Sleep(int milliseconds) override { now_ += milliseconds > 0 ? milliseconds : 0; }

  std::unique_ptr<Timer> CreateTimer(std::string name, int interval_ms,
                                     std::function<void()> on_tick) override {
    auto timer = std::make_unique<NamedTimer>(
        DispatchingLoop::CreateTimer(name, interval_ms, std::move(on_tick)), named_);
    named_[name] = timer.get();
    return timer;
  }
  // The live timer made last under `name`; throws std::out_of_range when
  // there is none.
  const Timer& TimerNamed(const std::string& name) const { return *named_.at(name); }

 protected:
  void WaitForEvents(std::optional<std::int64_t> next_due) override {
    PollDescriptors(next_due ? 0 : -1);
    if (next_due && !AnythingReady() && *next_due > now_) now_ = *next_due;
  }

 private:
  class NamedTimer : public Timer {
   public:
    NamedTimer(std::unique_ptr<Timer> timer, std::map<std::string, const Timer*>& named)
        : timer_(std::move(timer)), named_(named) {}
    ~NamedTimer() override {
      if (auto at = named_.find(Name()); at != named_.end() && at->second == this) named_.erase(at);
    }
    const std::string& Name() const override { return timer_->Name(); }
    int Interval() const override { return timer_->Interval(); }
    void SetInterval(int milliseconds) override { timer_->SetInterval(milliseconds); }
    bool Enabled() const override { return timer_->Enabled(); }
    void SetEnabled(bool enabled) override { timer_->SetEnabled(enabled); }
    void SetOnTimer(std::function<void()> handler) override {
      timer_->SetOnTimer(std::move(handler));
    }

   private:
    std::unique_ptr<Timer> timer_;
    std::map<std::string, const Timer*>& named_;
  };

  std::int64_t now_ = 0;
  std::map<std::string, const Timer*> named_;
};

}  // namespace korvex
