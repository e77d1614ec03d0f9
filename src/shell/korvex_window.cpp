#include "shell/korvex_window.h"

#include "locale/runtime_texts.h"
#include "platform/termination_signals.h"
#include "protocol/service_commands.h"

namespace korvex {
namespace {

constexpr int kStartupInterval = 100;
constexpr int kUploadInterval = 1000;
constexpr int kRemoteInterval = 100;
constexpr int kRunInterval = 100;
constexpr int kStatsFileInterval = 10 * 60 * 1000;

}  // namespace

TDlgKORVEX::TDlgKORVEX(const WindowPlatform& platform, std::vector<std::string> arguments)
    : Serial1(platform.loop, platform.serial_port),
      TimerStartup(platform.loop.CreateTimer("TimerStartup", kStartupInterval,
                                             [this] { TimerStartupTimer(); })),
      Timer1(platform.loop.CreateTimer("Timer1", kUploadInterval, [this] { Timer1Timer(); })),
      TimerRemote(platform.loop.CreateTimer("TimerRemote", kRemoteInterval,
                                            [this] { TimerRemoteTimer(); })),
      TimerRun(platform.loop.CreateTimer("TimerRun", kRunInterval, [this] { TimerRunTimer(); })),
      TimerLink(
          platform.loop.CreateTimer("TimerLink", kLinkRetryInterval, [this] { TimerLinkTimer(); })),
      TimerStatsAnswer(platform.loop.CreateTimer("TimerStatsAnswer", kStatsAnswerInterval,
                                                 [this] { TimerStatsAnswerTimer(); })),
      TimerStatsFile(platform.loop.CreateTimer("TimerStatsFile", kStatsFileInterval,
                                               [this] { WriteStatisticsToFile(); })),
      TimerDrain(
          platform.loop.CreateTimer("TimerDrain", kDrainBoundMs, [this] { Drain.BoundReached(); })),
      Channel(*this, platform.desktop, *this, Statistics,
              [this](TTextList& list) { HandleRequest(list); }),
      Report(Statistics, Channel, *TimerStatsAnswer),
      Requests(*this, Statistics, Report),
      Exchange(*this, Link),
      Run(*this, Channel, Exchange, Fronta),
      Drain(*this, Fronta, Run, *TimerDrain),
      platform_(platform),
      arguments_(std::move(arguments)) {
  // The form's stored values; the rest keep the component's defaults.
  Serial1.SetDataBits(eDataBits::d8bit);
  Serial1.SetCheckParity(false);
  Serial1.SetNotifyErrors(eNotifyErr::neNone);
  platform_.desktop.SetReceiver([this](const HostMessage& message) { WndProc(message); });
  platform_.boxes.UseTexts(&texts_);
}

TDlgKORVEX::~TDlgKORVEX() {
  platform_.desktop.SetReceiver({});
  platform_.boxes.UseTexts(nullptr);
  FormDestroy();
}

void TDlgKORVEX::UseLogFile(LogSink& file, bool trace) {
  Report.UseFile(&file);
  trace_ = trace ? &file : nullptr;
  Channel.SetTrace(trace_);
}

void TDlgKORVEX::FormCreate() {
  MainView& view = platform_.view;
  view.SetVersionText(kVersionCaption);
  texts_.InstallCzechTexts();
  view.ClearLog();
  SetLampBusy(false);
  WriteLog("Inicializace...");
  LinkSetup = TLinkSetup{};
  TcpSetup = TTCPsetup{};
  FirmwareMin = FirmwareMax = ProjectCRC = DeviceCRC = QQChecksum = 0;
  view.SetProgress(0);
  QQCount = 0;
  FreeTexts(Channel.RequestTexts);
  FreeTexts(Channel.AnswerTexts);
  ClearTran(Fronta);
  Channel.Register(desktop_problem_);
  UploadConfirmed = false;
  CloseCode = eCloseCode::ccNone;
  TimerRun->SetEnabled(false);
  TimerLink->SetEnabled(false);
  CloseAllowed = false;
  LinkReady = false;
  HostWnd = 0;
  view.SetCanButtonsEnabled(false);
  Link.Init(platform_.loop);
  Link.Setup(Serial1, platform_.socket);
  Link.Comm->SetStats(&Statistics);
  Link.Comm->SetTrace(trace_);
  TimerStatsFile->SetEnabled(Report.HasFile());
  TimerStartup->SetEnabled(true);
}

bool TDlgKORVEX::FormClose() {
  if (!CloseAllowed) {
    platform_.boxes.Show(MessageKind::kInformation, "Nemáte oprávnění k této akci.",
                         {MessageButton::kOk});
    return false;
  }
  TVardosComm* comm = Link.Comm.get();
  if (comm) comm->BeginClose();
  TimerStartup->SetEnabled(false);
  Timer1->SetEnabled(false);
  TimerRemote->SetEnabled(false);
  TimerRun->SetEnabled(false);
  TimerLink->SetEnabled(false);
  TimerStatsAnswer->SetEnabled(false);
  TimerStatsFile->SetEnabled(false);
  TimerDrain->SetEnabled(false);
  ClearTran(Fronta);
  FreeTexts(Channel.RequestTexts);
  FreeTexts(Channel.AnswerTexts);
  Report.DropQueuedAnswers();
  if (comm) comm->AbortTransaction();
  Link.Close();
  WriteStatisticsToFile();
  return true;
}

void TDlgKORVEX::FormDestroy() {
  Link.Done();
}

void TDlgKORVEX::Close() {
  if (closed_ || !FormClose()) return;
  closed_ = true;
  platform_.view.CloseWindow();
}

void TDlgKORVEX::WriteLog(std::string_view text) {
  if (!LogPaused) platform_.view.AddLine(text);
}

void TDlgKORVEX::AppendLog(std::string_view text) {
  if (!LogPaused) platform_.view.AppendToLastLine(text);
}

void TDlgKORVEX::RequestClose(eCloseCode code) {
  CloseCode = code;
  TimerRemote->SetEnabled(true);
}

void TDlgKORVEX::AddTran(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2,
                         std::uint8_t key3, std::string_view data) {
  if (CloseAllowed) return;
  korvex::AddTran(Fronta, key1, kind, key2, key3, data);
  Statistics.QueueLength(TranCount(Fronta));
}

void TDlgKORVEX::PushTran(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2,
                          std::uint8_t key3, std::string_view data) {
  korvex::PushTran(Fronta, key1, kind, key2, key3, data);
  Statistics.QueueLength(TranCount(Fronta));
}

void TDlgKORVEX::AddHostTran(std::uint8_t kind, std::string_view data) {
  // Nobody will read the answer.
  if (kind == kKindRead && Drain.Waiting()) return;
  if (TranCount(Fronta) >= kHostQueueLimit) {
    if (!queue_full_) {
      WriteLog("Fronta je plná (" + std::to_string(kHostQueueLimit) +
               " položek): další požadavky nadřízené aplikace se odmítají.");
    }
    queue_full_ = true;
    return;
  }
  queue_full_ = false;
  AddTran(1, kind, 0, 0, data);
}

void TDlgKORVEX::TerminationSignal(int signal) {
  WriteLog(std::string("Přijat signál ") + TerminationSignalName(signal) +
           ": ukončuji komunikátor.");
  // A request after which the system soon ends the process (a console closing
  // on Windows) gives the writes what time there is; the rest are counted.
  if (const int grace = TerminationGraceMs(signal); grace > 0 && grace < kDrainBoundMs) {
    TimerDrain->SetInterval(grace);
  }
  CloseAfterQueuedWrites();
}

void TDlgKORVEX::CloseAfterQueuedWrites() {
  if (DdeMode) Drain.Request();
  RequestClose(eCloseCode::ccClose);
}

void TDlgKORVEX::SetLampBusy(bool busy) {
  platform_.view.SetLampBusy(busy);
}

void TDlgKORVEX::SetProgressMaximum(int maximum) {
  platform_.view.SetProgressMaximum(maximum);
}

void TDlgKORVEX::SetProgress(int position) {
  platform_.view.SetProgress(position);
}

void TDlgKORVEX::SetRequestText(std::string_view text) {
  platform_.view.SetRequestText(text);
}

void TDlgKORVEX::SetAnswerText(std::string_view text) {
  platform_.view.SetAnswerText(text);
}

void TDlgKORVEX::ProcessMessages() {
  platform_.loop.ProcessMessages();
}

MessageButton TDlgKORVEX::ShowMessage(MessageKind kind, std::string_view text,
                                      const std::vector<MessageButton>& buttons) {
  return platform_.boxes.Show(kind, text, buttons);
}

void TDlgKORVEX::CloseRequestedByHost() {
  CloseAfterQueuedWrites();
}

void TDlgKORVEX::Image1DblClick() {
  if (!CloseAllowed) {
    CloseAllowed = true;
    WriteLog("Uzavření povoleno.");
  } else {
    CloseAfterQueuedWrites();
  }
}

void TDlgKORVEX::Button1Click() {
  if (Link.Comm) Link.Comm->Abort();
}

void TDlgKORVEX::CAN0Click() {
  WriteLog("CAN stop");
  SetCAN(false);
}

void TDlgKORVEX::CAN1Click() {
  WriteLog("CAN start");
  SetCAN(true);
}

bool TDlgKORVEX::GetFirmWare(std::uint32_t& value) {
  return korvex::GetFirmWare(Link, value);
}

bool TDlgKORVEX::GetCRC(std::uint32_t& value) {
  return korvex::GetCRC(Link, value);
}

bool TDlgKORVEX::SetCRC(std::uint32_t value) {
  return korvex::SetCRC(Link, value);
}

// Sent later by the RUN loop, like any queued write.
void TDlgKORVEX::SetCAN(bool on) {
  AddTran(1, kKindWrite, 0, 0, CanSwitchRecord(on));
}

void TDlgKORVEX::TimerRemoteTimer() {
  if (startup_running_) {
    // The close waits, armed, until the start-up sequence has returned, so
    // that the sequence never goes on over a torn-down link; meanwhile its
    // waits end at once, as they would under the close.
    if (CloseCode == eCloseCode::ccClose && Link.Comm) Link.Comm->Abort();
    return;
  }
  TimerRemote->SetEnabled(false);
  if (CloseCode != eCloseCode::ccClose) return;
  if (!Drain.Done()) {
    TimerRemote->SetEnabled(true);
    return;
  }
  TimerRun->SetEnabled(false);
  TimerLink->SetEnabled(false);
  if (TVardosComm* comm = Link.Comm.get()) {
    comm->Abort();
    if (comm->UseTCP()) comm->AbortTransaction();
  }
  if (const std::int64_t silent = SendAnswer("KORVEX CLOSED"))
    Channel.LogSilentHost(silent, "pokračuji.");
  CloseAllowed = true;
  Close();
}

}  // namespace korvex
