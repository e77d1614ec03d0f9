// After an upload (korvex-headless --verify): the controller's
// acknowledgements do not prove that it holds the project (one that restarts
// before the end mark holds zeros under the right checksum), so every item
// the project writes is read back and compared.
#include <string>

#include "protocol/project_readback.h"
#include "protocol/service_commands.h"
#include "shell/korvex_window.h"

namespace korvex {

void TDlgKORVEX::VerifyUploadedProject() {
  WriteLog("Kontrola projektu v řadiči...");
  const auto differences =
      CompareWithController(ProjectRecords, [this](std::string_view request, std::string& answer) {
        return ServiceExchange(Link, request, "Qx", 0, answer);
      });
  if (differences && differences->empty()) {
    AppendLog("OK.");
    return;
  }
  AppendLog("CHYBA !");
  Outcome = RunOutcome::kUploadNotHeld;
  if (!differences) {
    WriteLog("Položky projektu se z řadiče nepodařilo přečíst.");
    return;
  }
  for (const ItemDifference& difference : *differences) WriteLog(DifferenceLine(difference));
  WriteLog("Řadič nedrží nahraný projekt; rozdílných položek: " +
           std::to_string(differences->size()) + ".");
}

}  // namespace korvex
