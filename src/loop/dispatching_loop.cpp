#include "loop/dispatching_loop.h"

#include <algorithm>

#include "platform/recorded_timer.h"

namespace korvex {

struct DispatchingLoop::TimerState : TimerRecord {
  std::int64_t due = 0;
  std::uint64_t order = 0;
};

struct DispatchingLoop::WatchState {
  IoHandle handle = kNoIoHandle;
  bool want_write = false;
  std::function<void(IoEvent)> handler;
};

class DispatchingLoop::LoopTimer : public RecordedTimer<TimerState> {
 public:
  LoopTimer(DispatchingLoop& loop, std::shared_ptr<TimerState> state)
      : RecordedTimer(std::move(state)), loop_(loop) {}
  ~LoopTimer() override { loop_.Unregister(record_.get()); }

 private:
  void StartPeriod(TimerState& timer) override { timer.due = loop_.Now() + timer.interval; }

  DispatchingLoop& loop_;
};

class DispatchingLoop::LoopWatch : public IoWatch {
 public:
  LoopWatch(DispatchingLoop& loop, std::shared_ptr<WatchState> state)
      : loop_(loop), state_(std::move(state)) {}
  ~LoopWatch() override { loop_.Unregister(state_.get()); }
  void SetWantWrite(bool want) override { state_->want_write = want; }

 private:
  DispatchingLoop& loop_;
  std::shared_ptr<WatchState> state_;
};

std::unique_ptr<Timer> DispatchingLoop::CreateTimer(std::string name, int interval_ms,
                                                    std::function<void()> on_tick) {
  auto state = std::make_shared<TimerState>();
  state->name = std::move(name);
  state->interval = std::max(interval_ms, 0);
  state->order = next_order_++;
  state->handler = std::move(on_tick);
  timers_.push_back(state);
  return std::make_unique<LoopTimer>(*this, std::move(state));
}

std::unique_ptr<IoWatch> DispatchingLoop::WatchIo(IoHandle handle,
                                                  std::function<void(IoEvent)> handler) {
  auto state = std::make_shared<WatchState>();
  state->handle = handle;
  state->handler = std::move(handler);
  watches_.push_back(state);
  return std::make_unique<LoopWatch>(*this, std::move(state));
}

void DispatchingLoop::Unregister(const TimerState* timer) {
  std::erase_if(timers_, [timer](const auto& t) { return t.get() == timer; });
}

void DispatchingLoop::Unregister(const WatchState* watch) {
  std::erase_if(watches_, [watch](const auto& w) { return w.get() == watch; });
}

void DispatchingLoop::PollDescriptors(int timeout_ms) {
  std::vector<IoPoller::Interest> interests;
  interests.reserve(watches_.size());
  for (const auto& w : watches_) interests.push_back({w->handle, w->want_write});
  // The watch list may change while handlers run; remember whom we polled.
  const std::vector<std::shared_ptr<WatchState>> polled = watches_;
  std::vector<IoPoller::Readiness> readiness;
  if (!poller_.Poll(interests, timeout_ms, readiness)) return;
  ready_.clear();
  for (std::size_t i = 0; i < polled.size(); ++i) {
    if (readiness[i] == IoPoller::Readiness::kReadable) {
      ready_.push_back({polled[i], IoEvent::kReadable});
    } else if (readiness[i] == IoPoller::Readiness::kWritable) {
      ready_.push_back({polled[i], IoEvent::kWritable});
    }
  }
}

bool DispatchingLoop::AnythingReady() const { return !ready_.empty() || AnyPostedCall(); }

void DispatchingLoop::Wake() { poller_.Wake(); }

bool DispatchingLoop::DispatchOneReadyDescriptor() {
  while (!ready_.empty()) {
    Ready ready = ready_.front();
    ready_.pop_front();
    if (auto watch = ready.watch.lock()) {
      if (ready.event == IoEvent::kWritable && !watch->want_write) continue;
      auto handler = watch->handler;
      handler(ready.event);
      return true;
    }
  }
  return false;
}

void DispatchingLoop::FireTimer(const std::shared_ptr<TimerState>& timer) {
  const std::int64_t due = timer->due;
  RunTimerHandler(*timer);
  // A handler that re-armed its timer has set the next period itself. Else
  // the next period starts now, so a slow handler is not called again at
  // once to make up for its time; a timer cannot stay due.
  if (timer->due != due) return;
  timer->due = Now() + std::max(timer->interval, 1);
}

bool DispatchingLoop::FireOneDueTimer() {
  const std::int64_t now = Now();
  std::shared_ptr<TimerState> earliest;
  for (const auto& t : timers_) {
    if (!t->enabled || t->running || t->due > now) continue;
    if (!earliest || t->due < earliest->due ||
        (t->due == earliest->due && t->order < earliest->order)) {
      earliest = t;
    }
  }
  if (!earliest) return false;
  FireTimer(earliest);
  return true;
}

std::optional<std::int64_t> DispatchingLoop::NextDue() const {
  std::optional<std::int64_t> next;
  for (const auto& t : timers_) {
    if (t->enabled && !t->running && (!next || t->due < *next)) next = t->due;
  }
  return next;
}

bool DispatchingLoop::DispatchOne() {
  if (RunOnePostedCall()) return true;
  // Timers before descriptors: a descriptor that stays ready must not starve
  // the time-outs. A timer cannot stay due, its next period starts after it.
  if (FireOneDueTimer()) return true;
  if (ready_.empty()) PollDescriptors(0);
  if (DispatchOneReadyDescriptor()) return true;
  // The poll above may have swallowed the wake-up of a call posted since the
  // first look; the wait that follows would then never see it.
  return RunOnePostedCall();
}

void DispatchingLoop::ProcessMessages() {
  RunPostedCalls();
  PollDescriptors(0);
  while (DispatchOneReadyDescriptor()) {
  }
  // Each timer that is due now fires once; a timer cannot fall due again
  // within this call because its next period starts after its handler.
  const std::int64_t now = Now();
  std::vector<std::shared_ptr<TimerState>> due;
  for (const auto& t : timers_) {
    if (t->enabled && !t->running && t->due <= now) due.push_back(t);
  }
  std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) {
    return a->due != b->due ? a->due < b->due : a->order < b->order;
  });
  for (const auto& t : due) {
    if (t->enabled && !t->running && t->due <= now &&
        std::find(timers_.begin(), timers_.end(), t) != timers_.end()) {
      FireTimer(t);
    }
  }
}

void DispatchingLoop::HandleMessage() {
  while (!DispatchOne()) WaitForEvents(NextDue());
}

}  // namespace korvex
