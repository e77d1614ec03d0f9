// Upload mode: one tick of Timer1 writes the prepared project into the
// controller and then closes the communicator, whatever the outcome.
#include <string>

#include "shell/korvex_window.h"

namespace korvex {

void TDlgKORVEX::Timer1Timer() {
  // One run per enabling, so no second upload starts inside the waits.
  Timer1->SetEnabled(false);
  if (Fronta.Empty() || !UploadConfirmed) return;
  WriteLog("Nahrávání projektu...");
  const auto send_first = [this](TTranList& list) {
    TTranFronta* entry = list.Head();
    if (entry->Kind != kKindWrite) {
      DeleteTran(entry, list);
      return EntryOutcome::kDropped;
    }
    std::string answer;
    if (!Exchange.ExchangeEntry("QQ" + entry->Data, "QX", answer)) return EntryOutcome::kFailed;
    // The head again: entries were only appended meanwhile.
    TTranFronta* sent = list.Head();
    DeleteTran(sent, list);
    return EntryOutcome::kSent;
  };
  // An interrupted upload is not reported "OK.": the controller holds only
  // part of the project.
  const ListEnd end = Exchange.SendList(Fronta, send_first, "OK.");
  if (end.user_stopped || end.aborted) {
    Outcome = RunOutcome::kUploadFailed;
  } else if (VerifyUpload) {
    VerifyUploadedProject();
  }
  UploadConfirmed = false;
  WriteLog("Ukončení komunikátoru...");
  RequestClose(eCloseCode::ccClose);
}

}  // namespace korvex
