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

namespace korvex {

class RunLoop {
 public:
  RunLoop(LinkWindow& window, HostChannel& channel, EntryExchange& exchange, TTranList& queue);

  // One pass over what `queue` holds now; nothing while a pass runs (its
  // waits let timer ticks in).
  void RunPass();
  bool Busy() const { return busy_; }
  // The writes of the pass under way not yet confirmed; 0 between passes.
  int WritesInPass() const { return pass_ ? TranCountOfKind(kKindWrite, *pass_) : 0; }

 private:
  // One step of the pass: its first entry to the controller.
  EntryOutcome SendFirstEntry(TTranList& pass);
  // After the queue driver has given the pass up or sent it all.
  void EndPass(TTranList& pass, const ListEnd& end);
  // Puts the answers of one read ahead of the texts waiting; gives their count.
  std::size_t QueueReadAnswers(std::string_view codes, std::string_view values);
  // Sends at most `count` of the waiting texts, the first first.
  void SendWaitingAnswers(std::size_t count);

  LinkWindow& window_;
  HostChannel& channel_;
  EntryExchange& exchange_;
  TTranList& queue_;
  bool busy_ = false;  // RunBusy
  const TTranList* pass_ = nullptr;
  // A host that let an answer of this pass go unreplied costs no second
  // wait in the pass: what else the pass has for it is dropped and counted.
  std::int64_t silent_host_ = 0;
  std::size_t dropped_for_silent_host_ = 0;
};

}  // namespace korvex
