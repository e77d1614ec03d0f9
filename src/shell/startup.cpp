// The start-up sequence: one run at the first tick of TimerStartup takes the
// window from creation to its working state (RUN mode, the project upload, a
// close, or idleness) and logs every step.
#include <cstdio>
#include <string>

#include "common/text_helpers.h"
#include "shell/korvex_window.h"

namespace korvex {
namespace {

const std::string kRule(60, '-');
// Firmware waits this long before its first request.
constexpr int kFirmwarePauseMs = 300;
constexpr std::string_view kConfigError = "CHYBA při načítání konfiguračního souboru!";
constexpr std::string_view kCrcMismatch = "Nesouhlasí kontrolní součet projektu !";
// The upload control code framing the project: value 0 before, 1 after.
const std::string kUploadStart("\0\0\0\0\0\0\0", 7);
const std::string kUploadEnd("\0\0\0\1\0\0\0", 7);
const std::string kChecksumCode("\0\0\3", 3);

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", value);
  return text;
}

std::string ValueBytes(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

// Bounds are shown from their low 16 bits.
std::string BoundText(std::uint32_t bound) {
  return VersionText(static_cast<std::uint16_t>(bound));
}

}  // namespace

void TDlgKORVEX::TimerStartupTimer() {
  TimerStartup->SetEnabled(false);
  // A close that comes due meanwhile waits for the sequence to return.
  startup_running_ = true;
  RunStartup();
  startup_running_ = false;
}

void TDlgKORVEX::RunStartup() {
  AppendLog("OK");
  if (!desktop_problem_.empty()) WriteLog(desktop_problem_);
  DdeMode = HostModeArguments(arguments_);
  if (DdeMode) {
    platform_.view.SetRequestText("");
    platform_.view.SetAnswerText("");
  }
  if (!ReadINI()) {
    WriteLog(kConfigError);
    // The window closes after the box and takes the log with it: the box
    // says why.
    platform_.boxes.Show(MessageKind::kWarning, std::string(kConfigError) + "\r" + config_refusal_,
                         {MessageButton::kOk});
    Outcome = RunOutcome::kConfigurationError;
    RequestClose(eCloseCode::ccClose);
    return;
  }
  WriteLog("Konfigurační soubor načten v pořádku.");
  WriteLog(kRule);
  OpenLinkAtStartup();
  WriteLog(kRule);
  if (QQCount > 0) {
    if (LinkReady) {
      PrepareProject();
    } else {
      Outcome = RunOutcome::kLinkFailed;
      RequestClose(eCloseCode::ccClose);
    }
  }
  WriteLog("CRC projektu = " + Hex(ProjectCRC));
  if (QQChecksum != 0) WriteLog("CRC QQ dat = " + Hex(QQChecksum));
  if (DdeMode) StartHostMode();
}

void TDlgKORVEX::OpenLinkAtStartup() {
  const bool opened = Link.Open(LinkSetup, TcpSetup, &platform_.view);
  if (!opened) {
    // Why, on the same line and once: the retries that follow are silent.
    const std::string cause = TcpSetup.Active ? Link.Comm->Client()->LastError()
                                              : "COM" + std::to_string(Serial1.Port()) + ": " +
                                                    SerialErrorText(Serial1.Error());
    WriteLog("Chyba při otevření komunikace ! (" + cause + ")");
    LinkReady = false;
  } else {
    LinkReady = TcpSetup.Active ? Link.Comm->WaitConnect() : true;
  }
  if (opened && !LinkReady) {
    WriteLog(Link.Comm->AbortFlag()
                 ? "Přerušeno uživatelem."
                 : "Chyba při připojování. (" + Link.Comm->Client()->LastError() + ")");
  }
}

void TDlgKORVEX::PrepareProject() {
  WriteLog("Projekt obsahuje " + std::to_string(QQCount) + " položek.");
  if (!Fronta.Empty()) {
    JoinTran(kKindWrite, Fronta);
    PushTran(1, kKindWrite, 0, 0, kUploadStart);
    AddTran(1, kKindWrite, 0, 0, kChecksumCode + ValueBytes(QQChecksum));
    AddTran(1, kKindWrite, 0, 0, kUploadEnd);
    WriteLog("Převedeno na " + std::to_string(TranCount(Fronta)) + " komunikačních zpráv.");
  }
  if (FirmwareMin == 0 && FirmwareMax == 0) return;

  const std::string window = "od " + BoundText(FirmwareMin) + " do " + BoundText(FirmwareMax);
  WriteLog("Pro firmware verze " + window);
  platform_.loop.Sleep(kFirmwarePauseMs);
  WriteLog("");
  std::string firmware;
  bool unsuitable = true;
  if (!GetFirmWare(DeviceFirmware)) {
    firmware = "Firmware v VX2: Chyba při detekci !";
  } else {
    firmware = "Firmware v VX2 je " + FirmwareText(DeviceFirmware);
    FirmwareDate date;
    const bool invalid = DecodeFirmware(DeviceFirmware, date);
    const std::uint32_t version = date.major * 1000u + date.minor;
    unsuitable = invalid || (FirmwareMin != 0 && version < FirmwareMin) ||
                 (FirmwareMax != 0 && version > FirmwareMax);
  }
  WriteLog(firmware);

  if (unsuitable && !DdeMode) {
    const std::string question = "Projekt je pro verze " + window + ".\r" + firmware +
                                 ".\rChcete přesto nahrát projekt ? (A/N): ";
    WriteLog("Nahrát projekt ? > ");
    UploadConfirmed =
        platform_.boxes.Show(MessageKind::kWarning, question,
                             {MessageButton::kYes, MessageButton::kNo}) == MessageButton::kYes;
    AppendLog(UploadConfirmed ? "Ano" : "Ne");
  } else {
    UploadConfirmed = true;
  }
  if (UploadConfirmed && !DdeMode) {
    StartUpload();
  } else {
    if (!UploadConfirmed) Outcome = RunOutcome::kUploadDeclined;
    RequestClose(eCloseCode::ccClose);
  }
}

void TDlgKORVEX::StartHostMode() {
  WriteLog(kRule);
  WriteLog("Start RUN režimu !");
  // Handles are shown as the signed 32-bit numbers they are on the desktop.
  WriteLog("Popisovač komunikátoru: " + std::to_string(static_cast<std::int32_t>(OwnHandle())));
  WriteLog("Popisovač ovladače: " + std::to_string(static_cast<std::int32_t>(HostWnd)));
  AnnounceToHost();
  WriteLog(kRule);
  if (!GetCRC(DeviceCRC)) {
    WriteLog("VX2: Chyba při detekci CRC !");
  } else {
    const bool same = DeviceCRC == ProjectCRC;
    WriteLog("VX2: Kontrolní součet (CRC) = " + Hex(DeviceCRC) + (same ? " (OK)" : " (Chyba!)"));
    if (same) {
      platform_.view.SetCanButtonsEnabled(true);
    } else {
      platform_.boxes.Show(MessageKind::kWarning, kCrcMismatch, {MessageButton::kOk});
    }
  }
  WriteLog(kRule);
  // Not when a close is already on its way.
  if (!LinkReady && !TimerRemote->Enabled()) {
    WriteLog("Spojení s řadičem nestojí: zkouším je navázat znovu každé " +
             std::to_string(kLinkRetryInterval / 1000) + " s.");
  }
  TimerLink->SetEnabled(true);
  StartRunPasses();
}

}  // namespace korvex
