// The message loop on Windows: the thread's Win32 message queue, so that
// window messages, timers, socket readiness and calls from other threads all
// arrive as messages.
#pragma once

#include <memory>

#include "platform/wakeable_loop.h"

namespace korvex {

class Win32EventLoop : public WakeableLoop {
 public:
  Win32EventLoop();
  ~Win32EventLoop() override;

  std::unique_ptr<Timer> CreateTimer(std::string name, int interval_ms,
                                     std::function<void()> on_tick) override;
  std::unique_ptr<IoWatch> WatchIo(IoHandle handle, std::function<void(IoEvent)> handler) override;
  void ProcessMessages() override;
  void HandleMessage() override;
  void Sleep(int milliseconds) override;

  // What the loop's window procedure, timers and watches share.
  struct State;

 protected:
  void Wake() override;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace korvex
