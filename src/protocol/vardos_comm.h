// The protocol engine: frames requests, runs one transaction at a time over
// the chosen transport and pumps the event loop while it waits, so timers,
// host messages and button clicks are handled in the middle of a transaction.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/log_sink.h"
#include "protocol/frame.h"
#include "protocol/link_setup.h"
#include "protocol/link_statistics.h"
#include "transport/serial.h"
#include "transport/tcp_client.h"

namespace korvex {

// tmSettle: after a failed serial transaction, waiting for the line to go
// quiet before the next request may go out.
enum class eTimerMode { tmAnswer, tmConnect, tmSettle };

inline constexpr double kConnectLimitSeconds = 60.0;

class TVardosComm {
 public:
  explicit TVardosComm(EventLoop& loop);
  ~TVardosComm();
  TVardosComm(const TVardosComm&) = delete;
  TVardosComm& operator=(const TVardosComm&) = delete;

  // Creates the engine's timer, puts `serial` into its default state and
  // receives through it, and creates the TCP transport over `socket`.
  void Setup(TSerial& serial, SocketClient& socket);
  // Gives the serial port a link's settings and opens it when `open`; true
  // when the port is open.
  bool OpenSerial(const TLinkSetup& link, bool open);
  // Stops the timer for good and drops the connection.
  void Close();

  // One attempt: send `request`, wait for its answer. On true `answer` holds
  // the answer's data; on false it is left as it was.
  bool Transaction(std::string_view request, std::string& answer);
  bool BuildFrame(std::string_view request, std::string& frame) const;
  bool ParseAnswer(std::string& buffer, std::string& answer, FrameFault* fault = nullptr) const;
  bool PollAnswer(std::string& answer);
  void OnCommTimer();
  // Takes what the serial port has received into RxBuffer.
  void OnSerialRxData();
  void StartTimer(eTimerMode mode);
  bool WaitConnect();
  void AbortTransaction();
  // Engine lines bypass the log pause.
  void LogLine(std::string_view text);
  void LogAppend(std::string_view text);
  // A failed serial transaction leaves the line unsettled until it has been
  // quiet for ResponseTimeout (at most three times as long in all); then
  // whatever came meanwhile is purged.
  bool LineSettled() const { return !settling_; }
  // Traces every frame sent and every chunk received into `trace`; nothing
  // when null.
  void SetTrace(LogSink* trace);

  std::unique_ptr<korvex::Timer> Timer;
  TSerial* Serial = nullptr;
  bool InTimer = false;
  std::unique_ptr<TMyTCPClient> Client;
  bool ShowProgress = true;
  bool UseTCP = false;
  LogSink* LogMemo = nullptr;
  eTimerMode TimerMode = eTimerMode::tmAnswer;
  bool InRx = false;
  TModemSetup Modem;
  std::string RxBuffer;
  double ResponseTimeout = 3.0;
  double Elapsed = 0.0;
  std::int32_t DotTicks = 0;
  bool TimedOut = false;
  std::uint8_t MasterAddress = 0;
  std::uint8_t Address = 1;
  std::uint8_t Retranslation = 1;
  bool AbortFlag = false;
  bool Closing = false;
  bool Busy = false;
  // Where each transaction is counted; nothing is counted when null.
  LinkStatistics* Stats = nullptr;

 private:
  bool SendOverTcp(std::string_view frame);
  void SendOverSerial(std::string_view frame);
  bool AnswerReady(std::string_view request, std::string& answer);
  void StartSettling();
  void SettleTick();
  void FinishSettling();
  void Count(bool result, bool link_up, std::chrono::steady_clock::time_point sent);
  void TraceBytes(std::string_view direction, std::string_view bytes);

  EventLoop& loop_;
  LogSink* trace_ = nullptr;
  // The last frame thrown away in the current transaction.
  FrameFault discarded_ = FrameFault::kNone;
  bool settling_ = false;
  bool heard_ = false;  // bytes came since the last settling tick
  int quiet_ticks_ = 0;
  int settling_ticks_ = 0;
};

}  // namespace korvex
