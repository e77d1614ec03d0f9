#include "hostlink/close_drain.h"

#include <string>

namespace korvex {

CloseDrain::CloseDrain(LinkWindow& window, TTranList& queue, const RunLoop& run, Timer& bound)
    : window_(window), queue_(queue), run_(run), bound_(bound) {}

void CloseDrain::Request() {
  if (requested_) {
    hurried_ = true;
    return;
  }
  requested_ = true;
  DropTranOfKind(kKindRead, queue_);
  bound_.SetEnabled(true);
}

bool CloseDrain::Done() {
  // A close that was not asked to wait (upload mode, the start-up's) goes on.
  if (!requested_ || done_) return true;
  // The entry being exchanged stays in the pass until it is confirmed.
  const int left = TranCountOfKind(kKindWrite, queue_) + run_.WritesInPass();
  if (left > 0 && !hurried_) return false;
  done_ = true;
  bound_.SetEnabled(false);
  if (left > 0) {
    window_.WriteLog("Před ukončením zápisů nebylo provedeno: " + std::to_string(left) + ".");
  }
  return true;
}

}  // namespace korvex
