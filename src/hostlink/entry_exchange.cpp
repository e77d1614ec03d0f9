#include "hostlink/entry_exchange.h"

namespace korvex {
namespace {

// From this many consecutive failures on, the user is asked.
constexpr int kFailuresBeforeQuestion = 3;

}  // namespace

bool EntryExchange::ExchangeEntry(std::string_view request, std::string_view answer_prefix,
                                  std::string& answer) {
  window_.SetLampBusy(true);
  const bool ok = link_.Transaction(request, answer) && answer.size() >= answer_prefix.size() &&
                  answer.compare(0, answer_prefix.size(), answer_prefix) == 0;
  window_.SetLampBusy(false);
  return ok;
}

bool EntryExchange::UserStopsAfterFailure(int& failures) {
  ++failures;
  if (failures < kFailuresBeforeQuestion) return false;
  return window_.ShowMessage(MessageKind::kError, kCommErrorQuestion,
                             {MessageButton::kYes, MessageButton::kNo}) == MessageButton::kYes;
}

void EntryExchange::ShowQueueProgress(int maximum, const TTranList& left) {
  window_.SetProgress(maximum - TranCount(left));
  window_.ProcessMessages();
}

void EntryExchange::StartQueueProgress(int maximum) {
  window_.SetProgressMaximum(maximum);
  window_.SetProgress(0);
}

}  // namespace korvex
