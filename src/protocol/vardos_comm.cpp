#include "protocol/vardos_comm.h"

#include <algorithm>
#include <cmath>

#include "protocol/answer_fit.h"
#include "protocol/frame.h"

namespace korvex {
namespace {

constexpr int kCommTimerInterval = 100;
constexpr double kTickSeconds = 0.1;
constexpr int kTicksPerDot = 10;
constexpr std::uint16_t kSerialQueueSize = 1024;
// A line that never goes quiet (noise, another master) is purged after this
// many guard times, so the next request is not held for ever.
constexpr int kSettleLimitGuards = 3;

}  // namespace

TVardosComm::TVardosComm(EventLoop& loop) : loop_(loop) {}

TVardosComm::~TVardosComm() {
  Close();
  // The port outlives the engine.
  if (Serial) Serial->OnRxData = nullptr;
  LogMemo = nullptr;
}

void TVardosComm::Setup(TSerial& serial, SocketClient& socket) {
  Timer = loop_.CreateTimer("VARDOS_COMM_TIMER", kCommTimerInterval, [this] { OnCommTimer(); });
  Serial = &serial;
  serial.SetOpen(false);
  serial.OnRxData = [this](TSerial&) { OnSerialRxData(); };
  serial.SetCheckParity(false);
  serial.SetNotifyErrors(eNotifyErr::neNone);
  serial.SetRxEventMode(eOpModes::rxNormal);
  serial.SetParity(eParity::paNone);
  serial.SetStopBits(eStopBits::st1bit);
  serial.SetDataBits(eDataBits::d8bit);
  serial.SetFlowMode(eFlowControl::fcNone);
  serial.SetBaudrate(38400);
  serial.SetPort(1);
  RxBuffer.clear();
  Elapsed = 0.0;
  ResponseTimeout = 3.0;
  TimedOut = false;
  MasterAddress = 0;
  Address = 1;
  Retranslation = 1;
  AbortFlag = false;
  Client = std::make_unique<TMyTCPClient>(loop_, socket);
}

void TVardosComm::Close() {
  Closing = true;
  // The timer handler never runs when we get here from the loop thread, so
  // InTimer is clear and the timer can go.
  Timer.reset();
  // The port is closed when SetOpen returns.
  if (Serial && Serial->Opened()) Serial->SetOpen(false);
  // Also a connect still under way: it must not complete after the close.
  if (Client) Client->Disconnect();
}

bool TVardosComm::OpenSerial(const TLinkSetup& link, bool open) {
  if (!Serial) return false;
  TSerial& serial = *Serial;
  // Closed first, so that none of the settings reopens it.
  serial.SetOpen(false);
  serial.SetPort(static_cast<std::uint8_t>(link.Port & 0xFF));
  serial.SetBaudrate(link.Baudrate);
  serial.SetCheckParity(false);
  serial.SetDataBits(eDataBits::d8bit);
  // RS485 and modem lines leave RTS and CTS to the driver.
  serial.SetFlowMode(link.RS485 || link.Modem ? eFlowControl::fcRTS_CTS : eFlowControl::fcNone);
  serial.SetNotifyErrors(eNotifyErr::neNone);
  serial.SetParity(eParity::paNone);
  serial.SetRxEventMode(eOpModes::rxNormal);
  serial.SetRxQueueSize(kSerialQueueSize);
  serial.SetTxQueueSize(kSerialQueueSize);
  serial.SetStopBits(eStopBits::st1bit);
  serial.SetOpen(open);
  if (!serial.Opened()) return false;
  serial.PurgeTx();
  serial.PurgeRx();
  return true;
}

void TVardosComm::OnSerialRxData() {
  // As on TCP: one event takes at most the buffer's limit, and the buffer
  // keeps the newest bytes, so a peer that sends without pause holds neither
  // the loop nor the memory.
  InRx = true;
  std::string received;
  std::uint8_t byte = 0;
  while (received.size() < kRxBufferLimit && Serial && Serial->ReadByte(byte) > 0) {
    received.push_back(static_cast<char>(byte));
  }
  if (!received.empty()) heard_ = true;
  if (trace_ && !received.empty()) TraceBytes("←", received);
  RxBuffer += received;
  if (RxBuffer.size() > kRxBufferLimit) RxBuffer.erase(0, RxBuffer.size() - kRxBufferLimit);
  InRx = false;
}

bool TVardosComm::BuildFrame(std::string_view request, std::string& frame) const {
  return WrapFrame(Retranslation, {kFrameKind, MasterAddress, Address, MasterAddress}, request,
                   frame);
}

bool TVardosComm::ParseAnswer(std::string& buffer, std::string& answer, FrameFault* fault) const {
  return TakeFrame(buffer, FrameCheck{MasterAddress, 7, Address}, answer, fault);
}

bool TVardosComm::PollAnswer(std::string& answer) {
  if (InRx) return false;
  return ParseAnswer(UseTCP ? Client->RxBuffer : RxBuffer, answer, &discarded_);
}

void TVardosComm::StartTimer(eTimerMode mode) {
  TimerMode = mode;
  Elapsed = 0.0;
  TimedOut = false;
  if (Timer) Timer->SetEnabled(true);
}

void TVardosComm::OnCommTimer() {
  InTimer = true;
  if (TimerMode == eTimerMode::tmSettle) {
    SettleTick();
    InTimer = false;
    return;
  }
  Elapsed += kTickSeconds;
  ++DotTicks;
  const bool answer_wait = TimerMode == eTimerMode::tmAnswer;
  const double limit = answer_wait ? ResponseTimeout : kConnectLimitSeconds;
  if (answer_wait && ShowProgress && DotTicks >= kTicksPerDot) {
    DotTicks = 0;
    LogAppend(".");
  }
  if (Elapsed > limit) {
    Elapsed = 0.0;
    TimedOut = true;
    if (answer_wait && ShowProgress) {
      LogAppend("bez odpovědi!");
      LogLine("");
    }
    Timer->SetEnabled(false);
  }
  InTimer = false;
}

void TVardosComm::StartSettling() {
  if (!Timer) return;
  settling_ = true;
  heard_ = false;
  quiet_ticks_ = 0;
  settling_ticks_ = 0;
  TimerMode = eTimerMode::tmSettle;
  Timer->SetEnabled(true);
}

void TVardosComm::SettleTick() {
  ++settling_ticks_;
  quiet_ticks_ = heard_ ? 0 : quiet_ticks_ + 1;
  heard_ = false;
  const int guard = std::max(1, static_cast<int>(std::lround(ResponseTimeout / kTickSeconds)));
  if (quiet_ticks_ >= guard || settling_ticks_ >= kSettleLimitGuards * guard) FinishSettling();
}

void TVardosComm::FinishSettling() {
  settling_ = false;
  Timer->SetEnabled(false);
  RxBuffer.clear();
  if (Serial && Serial->Opened()) Serial->PurgeRx();
}

bool TVardosComm::WaitConnect() {
  if (!Client) return false;
  if (Client->Connected) return true;
  StartTimer(eTimerMode::tmConnect);
  // The connect completes, fails or times out in the event loop; each of
  // these wakes the wait, so it never spins.
  while (Client && !Client->Connected && !Client->ConnectFailed && !TimedOut && !AbortFlag &&
         !Closing) {
    loop_.HandleMessage();
  }
  return Client && Client->Connected;
}

void TVardosComm::AbortTransaction() {
  if (Busy) AbortFlag = true;
  if (UseTCP && Client && Client->Connected) Client->Disconnect();
}

void TVardosComm::LogLine(std::string_view text) {
  if (LogMemo) LogMemo->AddLine(text);
}

void TVardosComm::LogAppend(std::string_view text) {
  if (LogMemo) LogMemo->AppendToLastLine(text);
}

void TVardosComm::SetTrace(LogSink* trace) {
  trace_ = trace;
  if (!Client) return;
  if (trace) {
    Client->OnReceived = [this](std::string_view chunk) { TraceBytes("←", chunk); };
  } else {
    Client->OnReceived = nullptr;
  }
}

// "řadič → 14 B: E1 5C 01 0A ...": the whole chunk, however long.
void TVardosComm::TraceBytes(std::string_view direction, std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string line = "řadič ";
  line += direction;
  line += ' ';
  line += std::to_string(bytes.size());
  line += " B:";
  line.reserve(line.size() + 3 * bytes.size());
  for (char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    line += ' ';
    line += kDigits[byte >> 4];
    line += kDigits[byte & 0x0F];
  }
  trace_->FileLine(line);
}

void TVardosComm::Count(bool result, bool link_up, std::chrono::steady_clock::time_point sent) {
  if (result) {
    Stats->Succeeded(std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - sent));
  } else if (AbortFlag || Closing) {
    Stats->Failed(TransactionFailure::kAborted);
  } else if (!link_up) {
    Stats->Failed(TransactionFailure::kNoLink);
  } else if (discarded_ == FrameFault::kCheckByte) {
    Stats->Failed(TransactionFailure::kBadCheck);
  } else if (discarded_ == FrameFault::kAddress) {
    Stats->Failed(TransactionFailure::kWrongAddress);
  } else {
    Stats->Failed(TransactionFailure::kTimeout);
  }
}

bool TVardosComm::SendOverTcp(std::string_view frame) {
  if (!Client->Connected) {
    if (Client->Client().Connected()) Client->Disconnect();
    Client->Connect();
    if (!WaitConnect()) return false;
    // Our connect does not block the loop, so it ends in WaitConnect almost
    // every time; once it stands, the answer gets its own time-out as after a
    // connect that came back connected.
    TimerMode = eTimerMode::tmAnswer;
    Elapsed = 0.0;
  }
  return Client->WriteString(frame);
}

void TVardosComm::SendOverSerial(std::string_view frame) {
  if (!Serial) return;
  Serial->WriteString(frame);
  // The time-out runs while the output queue drains, and ends the wait as
  // "X com" does: a line held by its flow control must not hang us. The wait
  // yields a millisecond a turn, as the connection wait does.
  while (!AbortFlag && !TimedOut && !Closing && Serial->TxWaiting() != 0) {
    loop_.ProcessMessages();
    loop_.Sleep(1);
  }
}

bool TVardosComm::AnswerReady(std::string_view request, std::string& answer) {
  if (Closing) return false;
  // Look through everything that has arrived, so an answer is taken in the
  // event that completed it, however much noise came before it.
  const std::string& buffer = UseTCP ? Client->RxBuffer : RxBuffer;
  for (;;) {
    const std::size_t before = buffer.size();
    if (PollAnswer(answer)) {
      if (AnswerFitsRequest(request, answer)) return true;
      discarded_ = FrameFault::kLength;
      continue;
    }
    if (buffer.size() == before) return false;
  }
}

bool TVardosComm::Transaction(std::string_view request, std::string& answer) {
  std::string frame;
  if (!BuildFrame(request, frame)) {
    LogLine("Požadavek je příliš dlouhý (" + std::to_string(request.size()) +
            " bajtů, nejvýše " + std::to_string(kMaxFrameData) + "), neodeslán.");
    return false;
  }
  Busy = true;
  AbortFlag = false;
  // Whatever the controller still sends for a failed request must be gone
  // before the next request goes out: answers carry no item codes.
  while (settling_ && !UseTCP && !AbortFlag && !Closing) loop_.HandleMessage();
  if (AbortFlag || Closing) {
    if (AbortFlag) LogLine("Přerušeno uživatelem!");
    if (Stats) Stats->Failed(TransactionFailure::kAborted);
    Busy = false;
    return false;
  }
  TimerMode = eTimerMode::tmAnswer;
  Elapsed = 0.0;
  TimedOut = false;
  if (Timer) Timer->SetEnabled(true);
  RxBuffer.clear();
  discarded_ = FrameFault::kNone;
  const auto sent =
      Stats ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};

  // A frame that could not be sent leaves the link down, which ends the
  // receive loop at its first pass.
  if (trace_) TraceBytes("→", frame);
  if (UseTCP) {
    SendOverTcp(frame);
  } else {
    SendOverSerial(frame);
  }

  std::string received;
  bool ready = false;
  bool link_up = true;
  for (;;) {
    link_up = !UseTCP || Client->Connected;
    ready = AnswerReady(request, received);
    if (AbortFlag || TimedOut || ready || !link_up || Closing) break;
    loop_.HandleMessage();
  }

  if (Timer) Timer->SetEnabled(false);
  if (UseTCP) Client->Disconnect();
  if (AbortFlag) LogLine("Přerušeno uživatelem!");
  // A complete answer counts even when the peer closed right after sending
  // it: the controller has carried out the request.
  const bool result = ready && !AbortFlag && !TimedOut && !Closing;
  if (Stats) Count(result, link_up, sent);
  if (result) answer = std::move(received);
  if (!result && !UseTCP && !Closing) StartSettling();
  Busy = false;
  return result;
}

}  // namespace korvex
