// What the RUN loop and the project upload do alike: the queue driver that
// sends a list entry by entry, each exchange with the transfer lamp lit, the
// three-strike question after failures, the progress bar with a look at
// pending messages, and the lines that end an interrupted list.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "hostlink/link_window.h"
#include "hostlink/tran_queue.h"
#include "protocol/vardos_link.h"

namespace korvex {

inline constexpr std::string_view kCommErrorQuestion = "Chyba komunikace !\rPřerušit ?";

// One step of a list: its first entry to the controller. A sent or dropped
// entry leaves the list, a failed one stays for the next attempt.
enum class EntryOutcome { kSent, kDropped, kFailed };
using SendFirstEntry = std::function<EntryOutcome(TTranList& list)>;

// How a list ended: the user stopped it after failures, or AbortFlag ended
// it; neither when every entry went out.
struct ListEnd {
  bool user_stopped = false;
  bool aborted = false;
};

class EntryExchange {
 public:
  EntryExchange(LinkWindow& window, TVardosLink& link) : window_(window), link_(link) {}

  // True when the controller answered with `answer_prefix`.
  bool ExchangeEntry(std::string_view request, std::string_view answer_prefix, std::string& answer);
  // Sends `list` through `send_first` until it is empty, the user stops or
  // the engine is aborted; the entries not sent stay in it. A list that went
  // through ends its log line with `done` (if any), one the user stopped
  // with "CHYBA !", an aborted one with the line "Přerušeno.".
  ListEnd SendList(TTranList& list, const SendFirstEntry& send_first, std::string_view done);

 private:
  // Counts a failed attempt; from the third in a row asks the user, and is
  // true when the user chose to stop.
  bool UserStopsAfterFailure(int& failures);
  void StartQueueProgress(int maximum);
  // Shows how much of the list is done and lets pending messages run.
  void ShowQueueProgress(int maximum, const TTranList& left);

  LinkWindow& window_;
  TVardosLink& link_;
};

}  // namespace korvex
