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
  const int maximum = TranCount(Fronta);
  Exchange.StartQueueProgress(maximum);
  TVardosComm& comm = *Link.Comm;
  int failures = 0;
  comm.BeginPass();
  bool stop = false;

  while (!Fronta.Empty() && !stop && !comm.AbortFlag()) {
    TTranFronta* entry = Fronta.Head();
    if (entry->Kind == kKindWrite) {
      std::string answer;
      if (Exchange.ExchangeEntry("QQ" + entry->Data, "QX", answer)) {
        // The head again: entries were only appended meanwhile.
        TTranFronta* sent = Fronta.Head();
        DeleteTran(sent, Fronta);
        failures = 0;
      } else {
        stop = Exchange.UserStopsAfterFailure(failures);
      }
    } else {
      DeleteTran(entry, Fronta);
    }
    Exchange.ShowQueueProgress(maximum, Fronta);
  }

  platform_.view.SetProgress(0);
  // An interrupted upload is not reported "OK.": the controller holds only
  // part of the project.
  if (stop) {
    AppendLog("CHYBA !");
  } else if (!comm.AbortFlag()) {
    AppendLog("OK.");
  }
  if (comm.AbortFlag()) WriteLog("Přerušeno.");
  if (stop || comm.AbortFlag()) {
    Outcome = RunOutcome::kUploadFailed;
  } else if (VerifyUpload) {
    VerifyUploadedProject();
  }
  UploadConfirmed = false;
  WriteLog("Ukončení komunikátoru...");
  RequestClose(1);
}

}  // namespace korvex
