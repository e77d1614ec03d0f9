// Host mode outlives outages of the link: a controller that is down at
// start-up or a serial adapter pulled out during the run is tried again every
// few seconds, and RUN mode serves as soon as the link stands. Only the loss
// and the recovery are logged, not every attempt.
#include <string>

#include "shell/korvex_window.h"

namespace korvex {
namespace {

constexpr int kLinkBusyRecheck = 100;

}  // namespace

void TDlgKORVEX::TimerLinkTimer() {
  if (!Link.Comm) return;
  // Never under a transaction that is waiting: its port must not change.
  // Looked at again soon, or a tick in step with the retries would always
  // fall inside one.
  if (Link.Comm->Busy()) {
    TimerLink->SetInterval(kLinkBusyRecheck);
    return;
  }
  TimerLink->SetInterval(kLinkRetryInterval);
  if (LinkReady && Link.DeviceGone()) {
    WriteLog("Zařízení portu COM" + std::to_string(Serial1.Port()) +
             " zmizelo: port zavřen, zkouším jej otevřít znovu každé " +
             std::to_string(kLinkRetryInterval / 1000) + " s.");
    Link.Drop();
    LinkReady = false;
    return;
  }
  if (LinkReady || !Link.Reopen()) return;
  LinkReady = true;
  WriteLog("Spojení s řadičem obnoveno.");
}

}  // namespace korvex
