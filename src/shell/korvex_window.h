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
#include "platform/main_view.h"
#include "platform/message_boxes.h"
#include "protocol/link_setup.h"
#include "protocol/vardos_link.h"

namespace korvex {

class SocketClient;

// The platform pieces the window runs on; all outlive the window.
struct WindowPlatform {
  EventLoop& loop;
  MainView& view;
  MessageBoxes& boxes;
  SocketClient& socket;
};

inline constexpr std::string_view kVersionCaption = "Verze: 4.046 / 1.11.2005";

class TDlgKORVEX : public MainViewEvents {
 public:
  // `arguments` are the command-line arguments after the program name.
  TDlgKORVEX(const WindowPlatform& platform, std::vector<std::string> arguments);
  ~TDlgKORVEX() override;
  TDlgKORVEX(const TDlgKORVEX&) = delete;
  TDlgKORVEX& operator=(const TDlgKORVEX&) = delete;

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
  // Sends one answer text to the host window, with its closing "|".
  void SendAnswer(std::string_view text);
  void SetLampBusy(bool busy);

  // The queue's producers append through these; once closing is permitted
  // AddTran takes nothing new.
  void AddTran(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2, std::uint8_t key3,
               std::string_view data);
  void PushTran(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2, std::uint8_t key3,
                std::string_view data);

  // MainViewEvents
  void CloseRequestedByUser() override { Close(); }
  void Image1DblClick() override;
  void Button1Click() override;
  void CAN0Click() override;
  void CAN1Click() override;
  void chbstopClick(bool checked) override { LogPaused = checked; }

  // Timer handlers.
  void TimerStartupTimer();
  void TimerRemoteTimer();

  // The window's state.
  TVardosLink Link;
  TLinkSetup LinkSetup;
  TTCPsetup TcpSetup;
  std::uint32_t FirmwareMin = 0;
  std::uint32_t FirmwareMax = 0;
  std::uint32_t DeviceFirmware = 0;
  std::uint32_t ProjectCRC = 0;
  std::uint32_t DeviceCRC = 0;
  std::uint32_t QQChecksum = 0;
  std::int32_t QQCount = 0;
  TTranList Fronta;
  TTextList RequestTexts;
  TTextList AnswerTexts;
  // The host channel: its registered message number, the host's window
  // handle (0 until known) and whether the host is known without a broadcast.
  std::uint32_t HostMsg = 0;
  std::int64_t HostWnd = 0;
  bool HostWndSet = false;
  bool DdeMode = false;
  bool LinkReady = false;
  bool RunBusy = false;
  bool UploadConfirmed = false;
  std::int32_t CloseCode = 0;
  bool CloseAllowed = false;
  bool LogPaused = false;  // the "Zastav výpis" box

  std::unique_ptr<Timer> TimerStartup;
  std::unique_ptr<Timer> Timer1;
  std::unique_ptr<Timer> TimerRemote;
  std::unique_ptr<Timer> TimerRun;

 private:
  WindowPlatform platform_;
  // The command line; its first argument selects host mode at start-up.
  std::vector<std::string> arguments_;
  bool closed_ = false;
};

}  // namespace korvex
