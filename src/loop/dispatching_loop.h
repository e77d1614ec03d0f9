// The part of a polling message loop that does not depend on how time
// passes: timers, descriptor watches and calls posted from other threads. The
// real-time loop and the virtual-time loop differ only in their clock and in
// what "waiting" means.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "platform/io_poller.h"
#include "platform/wakeable_loop.h"

namespace korvex {

class DispatchingLoop : public WakeableLoop {
 public:
  std::unique_ptr<Timer> CreateTimer(std::string name, int interval_ms,
                                     std::function<void()> on_tick) override;
  std::unique_ptr<IoWatch> WatchIo(IoHandle handle, std::function<void(IoEvent)> handler) override;
  void ProcessMessages() override;
  void HandleMessage() override;

  // Milliseconds on this loop's clock.
  virtual std::int64_t Now() const = 0;

 protected:
  // Called when nothing is pending. Returns when something may be: a
  // descriptor became ready (PollDescriptors has recorded it), a call was
  // posted, or the clock reached `next_due` (no value: no timer is running).
  virtual void WaitForEvents(std::optional<std::int64_t> next_due) = 0;

  // Polls the watched descriptors and the wake-up descriptor for at most
  // `timeout_ms` (-1: without limit) and records which are ready.
  void PollDescriptors(int timeout_ms);
  bool AnythingReady() const;

  void Wake() override;

 private:
  struct TimerState;
  struct WatchState;
  class LoopTimer;
  class LoopWatch;
  bool DispatchOne();
  bool DispatchOneReadyDescriptor();
  bool FireOneDueTimer();
  void FireTimer(const std::shared_ptr<TimerState>& timer);
  std::optional<std::int64_t> NextDue() const;
  void Unregister(const TimerState* timer);
  void Unregister(const WatchState* watch);

  IoPoller poller_;
  std::uint64_t next_order_ = 0;
  std::vector<std::shared_ptr<TimerState>> timers_;
  std::vector<std::shared_ptr<WatchState>> watches_;
  struct Ready {
    std::weak_ptr<WatchState> watch;
    IoEvent event;
  };
  std::deque<Ready> ready_;
};

}  // namespace korvex
