// The communicator's main window as logic: its state, its handlers and its
// timers. It owns everything that lives for the whole run and talks to a view,
// never to widgets.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hostlink/text_list.h"
#include "hostlink/tran_queue.h"
#include "platform/event_loop.h"
#include "platform/log_sink.h"
#include "platform/host_desktop.h"
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
inline constexpr std::string_view kCommErrorQuestion = "Chyba komunikace !\rPřerušit ?";
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
};

// The window's state that the configuration file fills (LinkSetup, TcpSetup,
// the firmware window, the checksums, the host window) is its ConfigValues.
class TDlgKORVEX : public MainViewEvents, public ConfigValues {
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

  void WriteLog(std::string_view text);
  void AppendLog(std::string_view text);
  void RequestClose(int code);
  // SIGINT or SIGTERM: closes as a close requested by the host does.
  void TerminationSignal(int signal);
  // The host channel. WndProc is the window procedure for messages from the
  // desktop; MyWndProc handles the host's handshake, requests and texts to
  // pass on.
  void WndProc(const HostMessage& message);
  void MyWndProc(const HostMessage& message);
  // Sends one answer text to the host window, with its closing "|". Returns
  // the host's window when it did not reply within the bound, else 0.
  std::int64_t SendAnswer(std::string_view text);
  // Announces this window to the configured host (a handshake sent to
  // HostWnd); nothing while the host is unknown.
  void AnnounceToHost();
  // This window's handle on the desktop, as the host knows it.
  std::int64_t OwnHandle() const { return platform_.desktop.OwnHandle(); }
  // Turns the first text of `list` into queue entries or a close request,
  // and removes it.
  void HandleRequest(TTextList& list);
  void SetLampBusy(bool busy);

  // The queue's producers append through these; once closing is permitted
  // AddTran takes nothing new.
  void AddTran(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2, std::uint8_t key3,
               std::string_view data);
  void PushTran(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2, std::uint8_t key3,
                std::string_view data);
  // A host's read or write: refused, with one log line, while the queue
  // holds kHostQueueLimit entries.
  void AddHostTran(std::uint8_t kind, std::string_view data);

  // Reads the configuration file into the settings, the queue and the
  // window's position. False when the file is missing or unreadable or a TCP
  // line is invalid.
  bool ReadINI();

  // Controller service commands, three attempts each; on false the value is
  // left as it was.
  bool GetFirmWare(std::uint32_t& value);
  bool GetCRC(std::uint32_t& value);
  bool SetCRC(std::uint32_t value);
  // Queues the CAN switch: on = CAN start, off = CAN stop.
  void SetCAN(bool on);

  // MainViewEvents
  void CloseRequestedByUser() override { Close(); }
  void Image1DblClick() override;
  void Button1Click() override;
  void CAN0Click() override;
  void CAN1Click() override;
  void chbstopClick(bool checked) override { LogPaused = checked; }

  // Timer handlers.
  // The start-up sequence (shell/startup.cpp).
  void TimerStartupTimer();
  void TimerRemoteTimer();
  // One RUN pass (hostlink/run_loop.cpp).
  void TimerRunTimer();
  // The project upload (hostlink/project_upload.cpp).
  void Timer1Timer();
  // In host mode: closes a serial port whose device has gone and opens a
  // link that is not ready again (shell/link_recovery.cpp).
  void TimerLinkTimer();
  // The statistics (hostlink/statistics_report.cpp): answers to "STATS|",
  // and the periodic lines in the log file.
  void TimerStatsAnswerTimer();
  void WriteStatisticsToFile();

  // The window's state. The serial port outlives the engine that uses it.
  TSerial Serial1;
  TVardosLink Link;
  std::uint32_t DeviceFirmware = 0;
  std::uint32_t DeviceCRC = 0;
  TTranList Fronta;
  TTextList RequestTexts;
  TTextList AnswerTexts;
  // The host channel's registered message number; the host's window handle
  // (0 until known) and whether it is known without a broadcast are HostWnd
  // and HostWndSet.
  std::uint32_t HostMsg = 0;
  bool DdeMode = false;
  bool LinkReady = false;
  bool RunBusy = false;
  bool UploadConfirmed = false;
  std::int32_t CloseCode = 0;
  bool CloseAllowed = false;
  bool LogPaused = false;  // the "Zastav výpis" box
  RunOutcome Outcome = RunOutcome::kDone;
  LinkStatistics Statistics;

  std::unique_ptr<Timer> TimerStartup;
  std::unique_ptr<Timer> Timer1;
  std::unique_ptr<Timer> TimerRemote;
  std::unique_ptr<Timer> TimerRun;
  std::unique_ptr<Timer> TimerLink;
  std::unique_ptr<Timer> TimerStatsAnswer;
  std::unique_ptr<Timer> TimerStatsFile;

 private:
  // Sends to the host window and waits at most 5 s for it to finish with the
  // message, so that a host that hangs cannot freeze the communicator.
  // Returns the window when it did not reply in time, else 0.
  std::int64_t SendToHost(std::uint32_t wparam, std::int64_t lparam, std::string_view text);
  // "Nadřízená aplikace (popisovač H) neodpověděla do 5 s; " and `then`.
  void LogSilentHost(std::int64_t window, std::string_view then);
  void TraceHostMessage(std::string_view direction, std::uint32_t wparam, std::int64_t lparam,
                        std::string_view text);
  void QueueStatisticsAnswers();

  // Steps of the start-up sequence (shell/startup.cpp).
  void RunStartup();
  void OpenLinkAtStartup();
  // Frames the project's entries for the upload and checks the firmware.
  void PrepareProject();
  void StartHostMode();

  // Shared by the RUN loop and the upload (hostlink/entry_exchange.cpp).
  // True when the controller answered with `answer_prefix`; the lamp is lit
  // meanwhile.
  bool ExchangeEntry(std::string_view request, std::string_view answer_prefix, std::string& answer);
  // Counts a failed attempt; from the third in a row asks whether to stop.
  bool StopAfterFailure(int& failures);
  void StartQueueProgress(int maximum);
  // Shows how much of the list is done and lets pending messages run.
  void ShowQueueProgress(int maximum, const TTranList& left);
  // The RUN loop's answers to the host (hostlink/run_loop.cpp).
  void QueueReadAnswers(std::string_view codes, std::string_view values);
  void SendWaitingAnswers();
  // A host that let an answer of this pass go unreplied costs no second
  // wait in the pass: what else the pass has for it is dropped and counted.
  std::int64_t silent_host_ = 0;
  std::size_t dropped_for_silent_host_ = 0;

  WindowPlatform platform_;
  // The command line; its first argument selects host mode at start-up.
  std::vector<std::string> arguments_;
  bool closed_ = false;
  bool queue_full_ = false;  // refusing host requests, logged once
  bool startup_running_ = false;
  // Why the host channel could not be set up; logged once "Inicializace..."
  // has its "OK", so the "OK" does not land on this line.
  std::string desktop_problem_;
  LogSink* file_log_ = nullptr;
  // The frame trace goes to the log file when set.
  LogSink* trace_ = nullptr;
  TTextList statistics_answers_;
};

}  // namespace korvex
