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

ListEnd EntryExchange::SendList(TTranList& list, const SendFirstEntry& send_first,
                                std::string_view done) {
  TVardosComm& comm = *link_.Comm;
  const int maximum = TranCount(list);
  StartQueueProgress(maximum);
  comm.BeginPass();
  int failures = 0;
  ListEnd end;
  while (!list.Empty() && !end.user_stopped && !comm.AbortFlag()) {
    switch (send_first(list)) {
      case EntryOutcome::kSent:
        failures = 0;
        break;
      case EntryOutcome::kFailed:
        end.user_stopped = UserStopsAfterFailure(failures);
        break;
      case EntryOutcome::kDropped:
        break;
    }
    ShowQueueProgress(maximum, list);
  }
  end.aborted = comm.AbortFlag();
  window_.SetProgress(0);
  if (end.user_stopped) {
    window_.AppendLog("CHYBA !");
  } else if (!end.aborted && !done.empty()) {
    window_.AppendLog(done);
  }
  if (end.aborted) window_.WriteLog("Přerušeno.");
  return end;
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
