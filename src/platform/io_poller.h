// Waiting until one of several IoHandles is ready, or until another thread
// wakes the waiter: the one part of the dispatching loop that differs
// between platforms.
#pragma once

#include <memory>
#include <vector>

#include "platform/event_loop.h"

namespace korvex {

class IoPoller {
 public:
  struct Interest {
    IoHandle handle = kNoIoHandle;
    bool want_write = false;
  };
  enum class Readiness { kNone, kReadable, kWritable };

  IoPoller();
  ~IoPoller();
  IoPoller(const IoPoller&) = delete;
  IoPoller& operator=(const IoPoller&) = delete;

  // Waits at most `timeout_ms` (-1: without limit) until a handle is ready
  // or Wake was called, and fills `ready` with one entry per interest (error
  // and hang-up count as readable). False when the wait ended with nothing
  // ready; then `ready` is left as it was.
  bool Poll(const std::vector<Interest>& interests, int timeout_ms,
            std::vector<Readiness>& ready);
  // Ends a Poll in progress, or the next one; from any thread.
  void Wake();

 private:
  // Fills `ready` from what the system's poll left in `entries`, the
  // wake-up's first: an entry with any of the `readable` bits is readable,
  // else one with any of the `writable` bits writable.
  template <typename PollEntry>
  static void TakeReadiness(const std::vector<PollEntry>& entries, int readable, int writable,
                            std::vector<Readiness>& ready) {
    ready.assign(entries.size() - 1, Readiness::kNone);
    for (std::size_t i = 1; i < entries.size(); ++i) {
      if (entries[i].revents & readable) {
        ready[i - 1] = Readiness::kReadable;
      } else if (entries[i].revents & writable) {
        ready[i - 1] = Readiness::kWritable;
      }
    }
  }

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace korvex
