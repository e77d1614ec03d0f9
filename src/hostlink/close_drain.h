// The close in RUN mode waits for the writes the host has handed over:
// whatever the close (the host's CLOSE, a termination signal, the close box
// once permitted), the writes already queued are carried out first, for
// kDrainBoundMs at most. Reads still waiting are dropped, as nobody will read
// their answers. A second close request ends the wait at once. Writes that
// did not reach the controller are counted in one log line, never dropped
// without a word.
#pragma once

#include "hostlink/link_window.h"
#include "hostlink/run_loop.h"
#include "hostlink/tran_queue.h"
#include "platform/event_loop.h"

namespace korvex {

inline constexpr int kDrainBoundMs = 10000;

class CloseDrain {
 public:
  // `bound` ends the wait at its tick (BoundReached); it runs kDrainBoundMs.
  CloseDrain(LinkWindow& window, TTranList& queue, const RunLoop& run, Timer& bound);

  // A close request: the first starts the wait, a second ends it.
  void Request();
  bool Waiting() const { return requested_ && !done_; }
  void BoundReached() { hurried_ = true; }
  // True once the close may go on: no write waits any more, or the wait is
  // over. The writes left are logged then, once.
  bool Done();

 private:
  LinkWindow& window_;
  TTranList& queue_;
  const RunLoop& run_;
  Timer& bound_;
  bool requested_ = false;
  bool hurried_ = false;
  bool done_ = false;
};

}  // namespace korvex
