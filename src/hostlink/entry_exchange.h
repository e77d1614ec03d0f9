// What the RUN loop and the project upload do alike for each queue entry:
// one exchange with the transfer lamp lit, the three-strike question after
// failures, and the progress bar with a look at pending messages.
#pragma once

#include <string>
#include <string_view>

#include "hostlink/link_window.h"
#include "hostlink/tran_queue.h"
#include "protocol/vardos_link.h"

namespace korvex {

inline constexpr std::string_view kCommErrorQuestion = "Chyba komunikace !\rPřerušit ?";

class EntryExchange {
 public:
  EntryExchange(LinkWindow& window, TVardosLink& link) : window_(window), link_(link) {}

  // True when the controller answered with `answer_prefix`.
  bool ExchangeEntry(std::string_view request, std::string_view answer_prefix, std::string& answer);
  // Counts a failed attempt; from the third in a row asks the user, and is
  // true when the user chose to stop.
  bool UserStopsAfterFailure(int& failures);
  void StartQueueProgress(int maximum);
  // Shows how much of the list is done and lets pending messages run.
  void ShowQueueProgress(int maximum, const TTranList& left);

 private:
  LinkWindow& window_;
  TVardosLink& link_;
};

}  // namespace korvex
