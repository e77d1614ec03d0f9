// RUN mode: each tick of TimerRun carries out everything queued since the
// last pass and returns every value read to the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "hostlink/entry_exchange.h"
#include "hostlink/host_channel.h"
#include "hostlink/link_window.h"
#include "hostlink/tran_queue.h"
#include "protocol/vardos_link.h"

namespace korvex {

class RunLoop {
 public:
  RunLoop(LinkWindow& window, HostChannel& channel, EntryExchange& exchange, TVardosLink& link,
          TTranList& queue);

  // One pass over what `queue` holds now; nothing while a pass runs (its
  // waits let timer ticks in).
  void RunPass();
  bool Busy() const { return busy_; }
  // The writes of the pass under way not yet confirmed; 0 between passes.
  int WritesInPass() const { return pass_ ? TranCountOfKind(kKindWrite, *pass_) : 0; }

 private:
  enum class EntryOutcome { kSent, kDropped, kFailed };

  // One step of the pass: the first entry of `pass` to the controller. A
  // sent entry leaves the pass, a failed one stays for the next attempt.
  EntryOutcome SendFirstEntry(TTranList& pass);
  void EndPass(TTranList& pass, bool user_stopped, bool aborted);
  void QueueReadAnswers(std::string_view codes, std::string_view values);
  void SendWaitingAnswers();

  LinkWindow& window_;
  HostChannel& channel_;
  EntryExchange& exchange_;
  TVardosLink& link_;
  TTranList& queue_;
  bool busy_ = false;  // RunBusy
  const TTranList* pass_ = nullptr;
  // A host that let an answer of this pass go unreplied costs no second
  // wait in the pass: what else the pass has for it is dropped and counted.
  std::int64_t silent_host_ = 0;
  std::size_t dropped_for_silent_host_ = 0;
};

}  // namespace korvex
