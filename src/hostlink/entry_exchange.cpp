// What the RUN loop and the project upload do alike for each queue entry:
// one exchange with the transfer lamp lit, the three-strike question after
// failures, and the progress bar with a look at pending messages.
#include <string>

#include "shell/korvex_window.h"

namespace korvex {
namespace {

// From this many consecutive failures on, the user is asked.
constexpr int kFailuresBeforeQuestion = 3;

}  // namespace

bool TDlgKORVEX::ExchangeEntry(std::string_view request, std::string_view answer_prefix,
                               std::string& answer) {
  SetLampBusy(true);
  const bool ok = Link.Transaction(request, answer) && answer.size() >= answer_prefix.size() &&
                  answer.compare(0, answer_prefix.size(), answer_prefix) == 0;
  SetLampBusy(false);
  return ok;
}

bool TDlgKORVEX::StopAfterFailure(int& failures) {
  ++failures;
  if (failures < kFailuresBeforeQuestion) return false;
  return platform_.boxes.Show(MessageKind::kError, kCommErrorQuestion,
                              {MessageButton::kYes, MessageButton::kNo}) == MessageButton::kYes;
}

void TDlgKORVEX::ShowQueueProgress(int maximum, const TTranList& left) {
  platform_.view.SetProgress(maximum - TranCount(left));
  platform_.loop.ProcessMessages();
}

void TDlgKORVEX::StartQueueProgress(int maximum) {
  platform_.view.SetProgressMaximum(maximum);
  platform_.view.SetProgress(0);
}

}  // namespace korvex
