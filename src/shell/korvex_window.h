// The communicator's main window as logic: its state, its handlers and its
// timers. It owns everything that lives for the whole run and talks to a view,
// never to widgets.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hostlink/close_drain.h"
#include "hostlink/entry_exchange.h"
#include "hostlink/host_channel.h"
#include "hostlink/link_window.h"
#include "hostlink/request_interpreter.h"
#include "hostlink/run_loop.h"
#include "hostlink/statistics_report.h"
#include "hostlink/text_list.h"
#include "hostlink/tran_queue.h"
#include "locale/runtime_texts.h"
#include "platform/event_loop.h"
#include "platform/host_desktop.h"
#include "platform/log_sink.h"
#include "platform/main_view.h"
#include "platform/message_boxes.h"
#include "protocol/link_setup.h"
#include "protocol/link_statistics.h"
#include "protocol/vardos_link.h"
#include "shell/config_reader.h"
#include "transport/serial.h"

namespace korvex {

class SerialPortLayer;
class SocketClient;

// The platform pieces the window runs on; all outlive the window.
struct WindowPlatform {
  EventLoop& loop;
  MainView& view;
  MessageBoxes& boxes;
  SocketClient& socket;
  HostDesktop& desktop;
  SerialPortLayer& serial_port;
};

inline constexpr std::string_view kVersionCaption = "Verze: 4.046 / 1.11.2005";
// An unattended upload answers kCommErrorQuestion Yes from its fifth asking
// on; in RUN mode the host ends the run, so the question never ends it.
inline constexpr int kUnattendedCommQuestions = 5;
// An unattended answer comes this long after its question.
inline constexpr int kUnattendedAnswerDelayMs = 1000;

// In host mode a link that is not ready is tried again this often.
inline constexpr int kLinkRetryInterval = 3000;
// Host requests wait in the queue up to this many entries.
inline constexpr int kHostQueueLimit = 100000;

// Host mode: "/DDE" as the first argument, exactly.
inline bool HostModeArguments(const std::vector<std::string>& arguments) {
  return !arguments.empty() && arguments.front() == "/DDE";
}

// How a run ended; the headless binary exits with it.
enum class RunOutcome {
  kDone = 0,
  kConfigurationError = 1,
  kLinkFailed = 3,
  kUploadDeclined = 4,
  kUploadFailed = 5,
  // With VerifyUpload: the controller does not hold the project uploaded.
  kUploadNotHeld = 6,
};

// What RequestClose asks for: TimerRemote closes the window only on
// ccClose; ccNone is the state before any request.
enum class eCloseCode : std::int32_t { ccNone = 0, ccClose = 1 };

// The window's state that the configuration file fills (LinkSetup, TcpSetup,
// the firmware window, the checksums, the host window) is its ConfigValues.
// The host link sees it only as a LinkWindow. Only the window writes its
// state: others act through its verbs and look through its accessors.
class TDlgKORVEX : public MainViewEvents, private ConfigValues, public LinkWindow {
 public:
  // `arguments` are the command-line arguments after the program name.
  TDlgKORVEX(const WindowPlatform& platform, std::vector<std::string> arguments);
  ~TDlgKORVEX() override;
  TDlgKORVEX(const TDlgKORVEX&) = delete;
  TDlgKORVEX& operator=(const TDlgKORVEX&) = delete;

  // The operator's log file, for the statistics and, with `trace`, for
  // every frame and host message. Called before FormCreate, or never.
  void UseLogFile(LogSink& file, bool trace);

  void FormCreate();
  // Runs the close handling; true when the window may close.
  bool FormClose();
  void FormDestroy();
  static bool FormCanResize() { return false; }

  // Closes the window the way the close box does: through FormClose, and the
  // view closes only when it allows.
  void Close();

  void WriteLog(std::string_view text) override;
  void AppendLog(std::string_view text) override;
  // Closes the window 100 ms later (TimerRemote) when `code` is ccClose.
  void RequestClose(eCloseCode code);
  // A close asked for by the host, a signal or the user: in RUN mode the
  // writes queued go out first (hostlink/close_drain.cpp).
  void CloseAfterQueuedWrites();
  // SIGINT or SIGTERM: closes as a close requested by the host does.
  void TerminationSignal(int signal);
  // The host channel (hostlink/host_channel.cpp). WndProc is the window
  // procedure for messages from the desktop; MyWndProc handles the host's
  // handshake, requests and texts to pass on.
  void WndProc(const HostMessage& message) { Channel.WndProc(message); }
  void MyWndProc(const HostMessage& message) { Channel.MyWndProc(message); }
  std::int64_t SendAnswer(std::string_view text) { return Channel.SendAnswer(text); }
  void AnnounceToHost() { Channel.AnnounceToHost(); }
  // This window's handle on the desktop, as the host knows it.
  std::int64_t OwnHandle() const { return Channel.OwnHandle(); }
  // The request interpreter (hostlink/request_interpreter.cpp).
  void HandleRequest(TTextList& list) { Requests.HandleRequest(list); }

  // LinkWindow
  void SetLampBusy(bool busy) override;
  void SetProgressMaximum(int maximum) override;
  void SetProgress(int position) override;
  void SetRequestText(std::string_view text) override;
  void SetAnswerText(std::string_view text) override;
  void ProcessMessages() override;
  MessageButton ShowMessage(MessageKind kind, std::string_view text,
                            const std::vector<MessageButton>& buttons) override;
  bool ClosePermitted() const override { return CloseAllowed; }
  void CloseRequestedByHost() override;

  // The queue's producers append through these; once closing is permitted
  // AddTran takes nothing new.
  void AddTran(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2, std::uint8_t key3,
               std::string_view data) override;
  void PushTran(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2, std::uint8_t key3,
                std::string_view data);
  // A host's read or write: refused, with one log line, while the queue
  // holds kHostQueueLimit entries.
  void AddHostTran(std::uint8_t kind, std::string_view data) override;

  // Reads the configuration file into the settings, the queue and the
  // window's position. False when the file is missing, unreadable, no text,
  // has an invalid TCP line or a project not read whole.
  bool ReadINI();
  // The folder the desktop's menu starts the window program in: a missing
  // configuration names it.
  void UseMenuConfigFolder(std::string folder) { menu_config_folder_ = std::move(folder); }

  // Controller service commands, three attempts each; on false the value is
  // left as it was.
  bool GetFirmWare(std::uint32_t& value);
  bool GetCRC(std::uint32_t& value);
  bool SetCRC(std::uint32_t value);
  // Queues the CAN switch: on = CAN start, off = CAN stop.
  void SetCAN(bool on);

  // MainViewEvents
  // Once permitted, the close box in RUN mode closes as the host's CLOSE does.
  void CloseRequestedByUser() override {
    if (CloseAllowed && DdeMode && !closed_) {
      CloseAfterQueuedWrites();
    } else {
      Close();
    }
  }
  void Image1DblClick() override;
  void Button1Click() override;
  void CAN0Click() override;
  void CAN1Click() override;
  void chbstopClick(bool checked) override { LogPaused = checked; }

  // The window's own state: written by its handlers, read here.
  const ConfigValues& Config() const { return *this; }
  const TTranList& Queue() const { return Fronta; }
  const HostChannel& HostLink() const { return Channel; }
  // The protocol engine; null before FormCreate and after FormDestroy.
  const TVardosComm* Comm() const { return Link.Comm.get(); }
  bool LinkOpened() const { return Link.Opened; }
  bool RunPassBusy() const { return Run.Busy(); }
  bool IsDdeMode() const { return DdeMode; }
  bool IsUploadConfirmed() const { return UploadConfirmed; }
  eCloseCode RequestedClose() const { return CloseCode; }
  RunOutcome Result() const { return Outcome; }
  // The link stands (RUN passes run) or is down (they wait); the start-up
  // sequence and the link's recovery decide it.
  void SetLinkReady(bool ready) { LinkReady = ready; }
  // The user said yes to "Nahrát projekt ?": Timer1 uploads.
  void ConfirmUpload() { UploadConfirmed = true; }
  // After an upload, read the project's items back (korvex-headless --verify).
  void SetVerifyUpload(bool verify) { VerifyUpload = verify; }
  // The start-up sequence does not run: the window stays as FormCreate left
  // it.
  void SkipStartup() { TimerStartup->SetEnabled(false); }
  // Timer1 uploads the queue a second later, when the upload is confirmed.
  void StartUpload() { Timer1->SetEnabled(true); }
  // A RUN pass every tick of TimerRun from now on, while the link stands.
  void StartRunPasses() { TimerRun->SetEnabled(true); }
  // Opens the link the configuration names, as the start-up does; LinkReady
  // says whether it stands, and the log why not.
  void OpenLinkAtStartup();

  // TimerStartup's handler: the start-up sequence (shell/startup.cpp).
  void TimerStartupTimer();

 private:
  // The other timers' handlers, run by the timers alone.
  void TimerRemoteTimer();
  // One RUN pass (hostlink/run_loop.cpp) while the link stands.
  void TimerRunTimer() {
    if (LinkReady) Run.RunPass();
  }
  // The project upload (shell/project_upload.cpp), and its read-back
  // (shell/upload_verification.cpp).
  void Timer1Timer();
  void VerifyUploadedProject();
  // In host mode: closes a serial port whose device has gone and opens a
  // link that is not ready again (shell/link_recovery.cpp).
  void TimerLinkTimer();
  // The statistics (hostlink/statistics_report.cpp): answers to "STATS|",
  // and the periodic lines in the log file.
  void TimerStatsAnswerTimer() { Report.SendQueuedAnswers(); }
  void WriteStatisticsToFile() { Report.WriteToFile(); }

  // The window's components, in the order they are made: the serial port
  // outlives the engine that uses it, and the timers the parts that hold them.
  TSerial Serial1;
  TVardosLink Link;
  TTranList Fronta;
  LinkStatistics Statistics;

  std::unique_ptr<Timer> TimerStartup;
  std::unique_ptr<Timer> Timer1;
  std::unique_ptr<Timer> TimerRemote;
  std::unique_ptr<Timer> TimerRun;
  std::unique_ptr<Timer> TimerLink;
  std::unique_ptr<Timer> TimerStatsAnswer;
  std::unique_ptr<Timer> TimerStatsFile;
  std::unique_ptr<Timer> TimerDrain;

  // The host link: the channel with its text lists (RequestTexts,
  // AnswerTexts) and the host's window (HostWnd, HostWndSet, in the
  // ConfigValues), the statistics for the host and the file, the request
  // interpreter, the exchange of one queue entry and the RUN loop.
  HostChannel Channel;
  StatisticsReport Report;
  RequestInterpreter Requests;
  EntryExchange Exchange;
  RunLoop Run;
  CloseDrain Drain;

  // The Czech titles and captions of the boxes the window shows.
  RuntimeTexts texts_;
  std::uint32_t DeviceFirmware = 0;
  std::uint32_t DeviceCRC = 0;
  bool DdeMode = false;
  bool LinkReady = false;
  bool UploadConfirmed = false;
  // ProjectRecords are the project's write records as the file gives them,
  // for the read-back after the upload.
  bool VerifyUpload = false;
  std::vector<std::string> ProjectRecords;
  eCloseCode CloseCode = eCloseCode::ccNone;
  bool CloseAllowed = false;
  bool LogPaused = false;  // the "Zastav výpis" box
  RunOutcome Outcome = RunOutcome::kDone;

  // Steps of the start-up sequence (shell/startup.cpp).
  void RunStartup();
  // Frames the project's entries for the upload and checks the firmware.
  void PrepareProject();
  void StartHostMode();

  WindowPlatform platform_;
  // The command line; its first argument selects host mode at start-up.
  std::vector<std::string> arguments_;
  bool closed_ = false;
  bool queue_full_ = false;  // refusing host requests, logged once
  bool startup_running_ = false;
  std::string menu_config_folder_;
  // Why ReadINI refused the configuration, for the start-up's box.
  std::string config_refusal_;
  // Why the host channel could not be set up; logged once "Inicializace..."
  // has its "OK", so the "OK" does not land on this line.
  std::string desktop_problem_;
  // The frame trace goes to the log file when set.
  LogSink* trace_ = nullptr;
};

}  // namespace korvex
