// The message loop the whole communicator runs on. All logic runs on the loop
// thread; waits pump the loop instead of blocking it (nested dispatch), and the
// one helper thread (the serial event thread) reaches the loop only through
// Synchronize.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace korvex {

// A named interval timer. It starts disabled. Its tick handler is never
// re-entered: ticks that fall due while the handler runs (for example while it
// pumps events) are dropped, and the next tick is one interval after the
// handler returned.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual const std::string& Name() const = 0;
  virtual int Interval() const = 0;
  // Changing the interval of an enabled timer restarts its period.
  virtual void SetInterval(int milliseconds) = 0;
  virtual bool Enabled() const = 0;
  // Enabling starts a full period from now; enabling an enabled timer does not.
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetOnTimer(std::function<void()> handler) = 0;
};

// What the loop can watch for readiness: a file descriptor on POSIX, a
// socket on Windows (which Winsock signals to the loop itself).
using IoHandle = std::intptr_t;
inline constexpr IoHandle kNoIoHandle = -1;

// Interest in an IoHandle; removed when this object is destroyed.
class IoWatch {
 public:
  virtual ~IoWatch() = default;
  // Write interest is wanted only while waiting for a connect to complete.
  virtual void SetWantWrite(bool want) = 0;
};

enum class IoEvent { kReadable, kWritable };

class EventLoop {
 public:
  EventLoop() = default;
  virtual ~EventLoop() = default;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Creates a disabled timer owned by the caller.
  virtual std::unique_ptr<Timer> CreateTimer(std::string name, int interval_ms,
                                             std::function<void()> on_tick) = 0;

  // Calls `handler` on the loop thread when `handle` is readable (error and
  // hang-up count as readable) or, with write interest, writable.
  virtual std::unique_ptr<IoWatch> WatchIo(IoHandle handle,
                                           std::function<void(IoEvent)> handler) = 0;

  // Dispatches every event pending now, then returns without blocking.
  virtual void ProcessMessages() = 0;

  // Dispatches one pending event; blocks until one arrives when none is pending.
  virtual void HandleMessage() = 0;

  // Runs `call` on the loop thread while the calling thread waits. Called on
  // the loop thread itself, it runs `call` at once.
  virtual void Synchronize(const std::function<void()>& call) = 0;

  // Runs the calls other threads are waiting on in Synchronize, and nothing
  // else: for the loop thread while it waits for such a thread to end.
  virtual void CheckSynchronize() = 0;

  // Blocks the loop thread; nothing is dispatched meanwhile.
  virtual void Sleep(int milliseconds) = 0;

  // Dispatches events until Quit.
  virtual void Run() = 0;
  virtual void Quit() = 0;
};

}  // namespace korvex
