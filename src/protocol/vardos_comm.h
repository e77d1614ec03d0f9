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
#include "protocol/answer_fence.h"
#include "protocol/frame.h"
#include "protocol/link_setup.h"
#include "protocol/link_statistics.h"
#include "transport/serial.h"
#include "transport/tcp_client.h"

namespace korvex {

// What the engine's timer measures; it runs in every mode but tmIdle.
// tmSettle: after a failed serial transaction, waiting for the line to go
// quiet before the next request may go out.
enum class eTimerMode { tmIdle, tmAnswer, tmConnect, tmSettle };

inline constexpr double kConnectLimitSeconds = 60.0;

// Only the engine writes its state. Callers use its verbs (Abort, BeginPass,
// SetQuiet, ...) and read its flags through the accessors named after them.
// Waiting pumps the loop, so those verbs may come from handlers that run in
// the middle of a transaction; the flags, not locks, end the waits.
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
  // The addresses, the time-out, the TCP peer and the transport of a link.
  void ApplySettings(const TLinkSetup& link, const TTCPsetup& tcp);
  // Connects the TCP client and waits for the outcome (at most the
  // connection limit); the timer stands afterwards. True when connected.
  bool ConnectTcp();
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
  // Drops a TCP link in use; a transaction under way ends as aborted.
  void AbortTransaction();
  // Engine lines bypass the log pause.
  void LogLine(std::string_view text);
  void LogAppend(std::string_view text);
  // A failed serial transaction leaves the line unsettled until it has been
  // quiet for ResponseTimeout (at most three times as long in all); then
  // whatever came meanwhile is purged.
  bool LineSettled() const { return timer_mode_ != eTimerMode::tmSettle; }
  // Traces every frame sent and every chunk received into `trace`; nothing
  // when null.
  void SetTrace(LogSink* trace);

  // Sets AbortFlag: whatever is waiting ends ("X com", closing).
  void Abort() { abort_flag_ = true; }
  // Forgets an abort and a time-out of an earlier wait: the link opens anew.
  void ClearAbort();
  // The start of a RUN pass or of the upload: a fresh AbortFlag, and no
  // progress dots nor no-answer notice from then on (SetQuiet).
  void BeginPass();
  void SetQuiet() { show_progress_ = false; }
  // The window is closing: Closing and AbortFlag end every wait for good,
  // and the engine writes no more lines into the window's log.
  void BeginClose();
  // Where the engine writes its lines (LogMemo); nothing when null.
  void SetLogMemo(LogSink* log) { log_memo_ = log; }
  void SetResponseTimeout(double seconds) { response_timeout_ = seconds; }
  // Where each transaction is counted; nothing is counted when null.
  void SetStats(LinkStatistics* stats) { stats_ = stats; }

  bool AbortFlag() const { return abort_flag_; }
  bool TimedOut() const { return timed_out_; }
  bool Closing() const { return closing_; }
  // A transaction is under way.
  bool Busy() const { return busy_; }
  bool ShowProgress() const { return show_progress_; }
  bool UseTCP() const { return use_tcp_; }
  korvex::Timer* Timer() const { return timer_.get(); }
  TSerial* Serial() const { return serial_; }
  TMyTCPClient* Client() const { return client_.get(); }
  const std::string& RxBuffer() const { return rx_buffer_; }
  LinkStatistics* Stats() const { return stats_; }

 private:
  bool SendOverTcp(std::string_view frame);
  void SendOverSerial(std::string_view frame);
  bool AnswerReady(std::string_view request, std::string& answer);
  // Pumps the loop until the answer to `request` is in `received` (true), or
  // the wait ends by an abort, the time-out, the close or a lost link.
  bool WaitForAnswer(std::string_view request, std::string& received, bool& link_up);
  // The one place the timer mode changes: the timer runs in every mode but
  // tmIdle.
  void SetTimerMode(eTimerMode mode);
  std::string FencedRequest(std::string_view request);
  // Whole answers left in `buffer` came late, for no request.
  void TakeLateAnswers(std::string& buffer);
  void Discard(std::string_view answer);
  void StartSettling();
  void SettleTick();
  void FinishSettling();
  void Count(bool result, bool link_up, std::chrono::steady_clock::time_point sent);
  void TraceBytes(std::string_view direction, std::string_view bytes);

  EventLoop& loop_;
  std::unique_ptr<korvex::Timer> timer_;
  TSerial* serial_ = nullptr;
  std::unique_ptr<TMyTCPClient> client_;
  LogSink* log_memo_ = nullptr;
  LinkStatistics* stats_ = nullptr;
  LogSink* trace_ = nullptr;
  TModemSetup modem_;

  bool show_progress_ = true;
  bool use_tcp_ = false;
  double response_timeout_ = 3.0;
  std::uint8_t master_address_ = 0;
  std::uint8_t address_ = 1;
  std::uint8_t retranslation_ = 1;

  // The transaction: Busy from its start to its end, the timer's mode and
  // count, and how the last wait ended.
  bool busy_ = false;
  eTimerMode timer_mode_ = eTimerMode::tmIdle;
  double elapsed_ = 0.0;
  std::int32_t dot_ticks_ = 0;
  bool timed_out_ = false;
  bool abort_flag_ = false;
  bool closing_ = false;
  // The handlers' own re-entry guards (InRx, InTimer).
  bool in_rx_ = false;
  bool in_timer_ = false;
  std::string rx_buffer_;
  // The last frame thrown away in the current transaction.
  FrameFault discarded_ = FrameFault::kNone;
  AnswerFence fence_;
  bool heard_ = false;  // bytes came since the last settling tick
  int quiet_ticks_ = 0;
  int settling_ticks_ = 0;
};

}  // namespace korvex
