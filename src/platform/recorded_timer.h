// What a polling or message-queue loop keeps of each timer, and the Timer its
// owner holds: the loops differ only in how a period starts and how a timer
// leaves them.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/event_loop.h"

namespace korvex {

struct TimerRecord {
  std::string name;
  int interval = 0;
  bool enabled = false;
  bool running = false;  // its handler runs
  std::function<void()> handler;
};

// Calls the handler of a timer that fell due; the caller has checked that it
// is not running already.
inline void RunTimerHandler(TimerRecord& timer) {
  timer.running = true;
  // A copy: the handler may replace itself or destroy its timer.
  const std::function<void()> handler = timer.handler;
  if (handler) handler();
  timer.running = false;
}

template <typename Record>
class RecordedTimer : public Timer {
 public:
  const std::string& Name() const final { return record_->name; }
  int Interval() const final { return record_->interval; }
  void SetInterval(int milliseconds) final {
    record_->interval = std::max(milliseconds, 0);
    if (record_->enabled) StartPeriod(*record_);
  }
  bool Enabled() const final { return record_->enabled; }
  void SetEnabled(bool enabled) final {
    if (enabled && !record_->enabled) StartPeriod(*record_);
    record_->enabled = enabled;
  }
  void SetOnTimer(std::function<void()> handler) final { record_->handler = std::move(handler); }

 protected:
  explicit RecordedTimer(std::shared_ptr<Record> record) : record_(std::move(record)) {}

  // A full period from now.
  virtual void StartPeriod(Record& record) = 0;

  const std::shared_ptr<Record> record_;
};

}  // namespace korvex
