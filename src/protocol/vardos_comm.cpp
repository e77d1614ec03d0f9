#include "protocol/vardos_comm.h"

#include <algorithm>
#include <cmath>

#include "common/text_helpers.h"
#include "platform/system_error.h"
#include "protocol/answer_fit.h"
#include "protocol/frame.h"
#include "protocol/item_layout.h"

namespace korvex {
namespace {

constexpr int kCommTimerInterval = 100;
constexpr double kTickSeconds = 0.1;
constexpr int kTicksPerDot = 10;
constexpr std::uint16_t kSerialQueueSize = 1024;
// A line that never goes quiet (noise, another master) is purged after this
// many guard times, so the next request is not held for ever.
constexpr int kSettleLimitGuards = 3;

// The number of codes of a read request, 0 for any other.
std::size_t ReadCodes(std::string_view request) {
  if (!request.starts_with("Qq") || (request.size() - kCommandSize) % kItemCodeSize != 0) return 0;
  return (request.size() - kCommandSize) / kItemCodeSize;
}

}  // namespace

TVardosComm::TVardosComm(EventLoop& loop) : loop_(loop) {}

TVardosComm::~TVardosComm() {
  Close();
  // The port outlives the engine.
  if (serial_) serial_->OnRxData = nullptr;
  log_memo_ = nullptr;
}

void TVardosComm::Setup(TSerial& serial, SocketClient& socket) {
  timer_ = loop_.CreateTimer("VARDOS_COMM_TIMER", kCommTimerInterval, [this] { OnCommTimer(); });
  serial_ = &serial;
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
  rx_buffer_.clear();
  elapsed_ = 0.0;
  response_timeout_ = 3.0;
  timed_out_ = false;
  master_address_ = 0;
  address_ = 1;
  retranslation_ = 1;
  abort_flag_ = false;
  client_ = std::make_unique<TMyTCPClient>(loop_, socket);
}

void TVardosComm::Close() {
  closing_ = true;
  // The timer handler never runs when we get here from the loop thread, so
  // InTimer is clear and the timer can go.
  timer_.reset();
  // The port is closed when SetOpen returns.
  if (serial_ && serial_->Opened()) serial_->SetOpen(false);
  // Also a connect still under way: it must not complete after the close.
  if (client_) client_->Disconnect();
}

void TVardosComm::ApplySettings(const TLinkSetup& link, const TTCPsetup& tcp) {
  response_timeout_ = link.Timeout;
  master_address_ = 0;
  address_ = static_cast<std::uint8_t>(link.Address);
  retranslation_ = static_cast<std::uint8_t>(link.Retranslation);
  client_->Host = tcp.Host;
  client_->Port = static_cast<int>(tcp.Port & 0xFFFF);
  use_tcp_ = tcp.Active;
}

bool TVardosComm::OpenSerial(const TLinkSetup& link, bool open) {
  if (!serial_) return false;
  TSerial& serial = *serial_;
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
  in_rx_ = true;
  std::string received;
  std::uint8_t byte = 0;
  while (received.size() < kRxBufferLimit && serial_ && serial_->ReadByte(byte) > 0) {
    received.push_back(static_cast<char>(byte));
  }
  if (!received.empty()) heard_ = true;
  if (trace_ && !received.empty()) TraceBytes("←", received);
  rx_buffer_ += received;
  if (rx_buffer_.size() > kRxBufferLimit) rx_buffer_.erase(0, rx_buffer_.size() - kRxBufferLimit);
  in_rx_ = false;
}

bool TVardosComm::BuildFrame(std::string_view request, std::string& frame) const {
  return WrapFrame(retranslation_, {kFrameKind, master_address_, address_, master_address_},
                   request, frame);
}

bool TVardosComm::ParseAnswer(std::string& buffer, std::string& answer, FrameFault* fault) const {
  return TakeFrame(buffer, FrameCheck{master_address_, 7, address_}, answer, fault);
}

bool TVardosComm::PollAnswer(std::string& answer) {
  if (in_rx_) return false;
  return ParseAnswer(use_tcp_ ? client_->RxBuffer : rx_buffer_, answer, &discarded_);
}

void TVardosComm::SetTimerMode(eTimerMode mode) {
  timer_mode_ = mode;
  if (timer_) timer_->SetEnabled(mode != eTimerMode::tmIdle);
}

void TVardosComm::StartTimer(eTimerMode mode) {
  SetTimerMode(mode);
  elapsed_ = 0.0;
  timed_out_ = false;
}

void TVardosComm::OnCommTimer() {
  in_timer_ = true;
  if (timer_mode_ == eTimerMode::tmSettle) {
    SettleTick();
    in_timer_ = false;
    return;
  }
  elapsed_ += kTickSeconds;
  ++dot_ticks_;
  const bool answer_wait = timer_mode_ == eTimerMode::tmAnswer;
  const double limit = answer_wait ? response_timeout_ : kConnectLimitSeconds;
  if (answer_wait && show_progress_ && dot_ticks_ >= kTicksPerDot) {
    dot_ticks_ = 0;
    LogAppend(".");
  }
  if (elapsed_ > limit) {
    elapsed_ = 0.0;
    timed_out_ = true;
    if (answer_wait && show_progress_) {
      LogAppend("bez odpovědi!");
      LogLine("");
    }
    SetTimerMode(eTimerMode::tmIdle);
  }
  in_timer_ = false;
}

void TVardosComm::StartSettling() {
  if (!timer_) return;
  heard_ = false;
  quiet_ticks_ = 0;
  settling_ticks_ = 0;
  SetTimerMode(eTimerMode::tmSettle);
}

void TVardosComm::SettleTick() {
  ++settling_ticks_;
  quiet_ticks_ = heard_ ? 0 : quiet_ticks_ + 1;
  heard_ = false;
  const int guard = std::max(1, static_cast<int>(std::lround(response_timeout_ / kTickSeconds)));
  if (quiet_ticks_ >= guard || settling_ticks_ >= kSettleLimitGuards * guard) FinishSettling();
}

void TVardosComm::FinishSettling() {
  SetTimerMode(eTimerMode::tmIdle);
  TakeLateAnswers(rx_buffer_);
  if (serial_ && serial_->Opened()) serial_->PurgeRx();
}

bool TVardosComm::WaitConnect() {
  if (!client_) return false;
  if (client_->Connected) return true;
  StartTimer(eTimerMode::tmConnect);
  // The connect completes, fails or times out in the event loop; each of
  // these wakes the wait, so it never spins.
  while (client_ && !client_->Connected && !client_->ConnectFailed && !timed_out_ && !abort_flag_ &&
         !closing_) {
    loop_.HandleMessage();
  }
  return client_ && client_->Connected;
}

bool TVardosComm::ConnectTcp() {
  if (client_->Connect()) return true;
  // The connect goes on in the event loop; the link is open only once it
  // stands, so a refusal counts the same however soon it comes.
  const bool connected = WaitConnect();
  SetTimerMode(eTimerMode::tmIdle);
  // A wait that no word of the socket ended says itself why it ended.
  if (!connected) {
    client_->GiveUp(timed_out_ ? SocketErrorText({ErrorKind::kTimedOut}) : "přerušeno");
  }
  return connected;
}

void TVardosComm::ClearAbort() {
  abort_flag_ = false;
  timed_out_ = false;
}

void TVardosComm::BeginPass() {
  SetQuiet();
  abort_flag_ = false;
}

void TVardosComm::BeginClose() {
  closing_ = true;
  abort_flag_ = true;
  log_memo_ = nullptr;
}

void TVardosComm::AbortTransaction() {
  if (busy_) abort_flag_ = true;
  if (use_tcp_ && client_ && client_->Connected) client_->Disconnect();
}

void TVardosComm::LogLine(std::string_view text) {
  if (log_memo_) log_memo_->AddLine(text);
}

void TVardosComm::LogAppend(std::string_view text) {
  if (log_memo_) log_memo_->AppendToLastLine(text);
}

void TVardosComm::SetTrace(LogSink* trace) {
  trace_ = trace;
  if (!client_) return;
  if (trace) {
    client_->OnReceived = [this](std::string_view chunk) { TraceBytes("←", chunk); };
  } else {
    client_->OnReceived = nullptr;
  }
}

// "řadič → 14 B: E1 5C 01 0A ...": the whole chunk, however long.
void TVardosComm::TraceBytes(std::string_view direction, std::string_view bytes) {
  std::string line = "řadič ";
  line += direction;
  line += ' ';
  line += std::to_string(bytes.size());
  line += " B:";
  line.reserve(line.size() + 3 * bytes.size());
  for (char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    line += ' ';
    line += ByteToHex(byte);
  }
  trace_->FileLine(line);
}

void TVardosComm::Count(bool result, bool link_up, std::chrono::steady_clock::time_point sent) {
  if (result) {
    stats_->Succeeded(std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - sent));
  } else if (abort_flag_ || closing_) {
    stats_->Failed(TransactionFailure::kAborted);
  } else if (!link_up) {
    stats_->Failed(TransactionFailure::kNoLink);
  } else if (discarded_ == FrameFault::kCheckByte) {
    stats_->Failed(TransactionFailure::kBadCheck);
  } else if (discarded_ == FrameFault::kAddress) {
    stats_->Failed(TransactionFailure::kWrongAddress);
  } else {
    stats_->Failed(TransactionFailure::kTimeout);
  }
}

bool TVardosComm::SendOverTcp(std::string_view frame) {
  if (!client_->Connected) {
    if (client_->Client().Connected()) client_->Disconnect();
    client_->Connect();
    if (!WaitConnect()) return false;
    // Our connect does not block the loop, so it ends in WaitConnect almost
    // every time; once it stands, the answer gets its own time-out as after a
    // connect that came back connected.
    SetTimerMode(eTimerMode::tmAnswer);
    elapsed_ = 0.0;
  }
  return client_->WriteString(frame);
}

void TVardosComm::SendOverSerial(std::string_view frame) {
  if (!serial_) return;
  serial_->WriteString(frame);
  // The time-out runs while the output queue drains, and ends the wait as
  // "X com" does: a line held by its flow control must not hang us. The wait
  // yields a millisecond a turn, as the connection wait does.
  while (!abort_flag_ && !timed_out_ && !closing_ && serial_->TxWaiting() != 0) {
    loop_.ProcessMessages();
    loop_.Sleep(1);
  }
}

bool TVardosComm::AnswerReady(std::string_view request, std::string& answer) {
  if (closing_) return false;
  // Look through everything that has arrived, so an answer is taken in the
  // event that completed it, however much noise came before it.
  const std::string& buffer = use_tcp_ ? client_->RxBuffer : rx_buffer_;
  for (;;) {
    const std::size_t before = buffer.size();
    if (PollAnswer(answer)) {
      if (AnswerFitsRequest(request, answer)) return true;
      Discard(answer);
      continue;
    }
    if (buffer.size() == before) return false;
  }
}

std::string TVardosComm::FencedRequest(std::string_view request) {
  std::string fenced(request);
  const std::size_t codes = ReadCodes(request);
  const std::size_t count = fence_.CountFor(codes);
  for (std::size_t extra = codes; extra < count; ++extra) {
    fenced += request.substr(kCommandSize, kItemCodeSize);
  }
  return fenced;
}

void TVardosComm::TakeLateAnswers(std::string& buffer) {
  std::string late;
  for (std::size_t before = buffer.size(); !buffer.empty(); before = buffer.size()) {
    if (ParseAnswer(buffer, late)) {
      Discard(late);
    } else if (buffer.size() == before) {
      break;
    }
  }
  buffer.clear();
}

void TVardosComm::Discard(std::string_view answer) {
  discarded_ = FrameFault::kLength;
  const std::size_t values = (answer.size() - kCommandSize) / kItemValueSize;
  if (answer.starts_with("Qx") && answer.size() == kCommandSize + values * kItemValueSize) {
    fence_.Seen(values);
  }
  if (stats_) ++stats_->answers_discarded;
  if (trace_) {
    trace_->FileLine("řadič: odpověď (" + std::to_string(answer.size()) +
                     " B dat) nepatří k čekajícímu požadavku, zahozena");
  }
}

bool TVardosComm::WaitForAnswer(std::string_view request, std::string& received, bool& link_up) {
  for (;;) {
    link_up = !use_tcp_ || client_->Connected;
    const bool ready = AnswerReady(request, received);
    if (abort_flag_ || timed_out_ || ready || !link_up || closing_) return ready;
    loop_.HandleMessage();
  }
}

bool TVardosComm::Transaction(std::string_view asked, std::string& answer) {
  // A read goes out for a number of codes that no unanswered read has, so a
  // late answer to one never fits it; the extra values are dropped below.
  const std::string fenced = FencedRequest(asked);
  const std::string_view request = fenced;
  std::string frame;
  if (!BuildFrame(request, frame)) {
    LogLine("Požadavek je příliš dlouhý (" + std::to_string(request.size()) + " bajtů, nejvýše " +
            std::to_string(kMaxFrameData) + "), neodeslán.");
    return false;
  }
  busy_ = true;
  abort_flag_ = false;
  // Whatever the controller still sends for a failed request must be gone
  // before the next request goes out: answers carry no item codes.
  while (!LineSettled() && !use_tcp_ && !abort_flag_ && !closing_) loop_.HandleMessage();
  if (abort_flag_ || closing_) {
    if (abort_flag_) LogLine("Přerušeno uživatelem!");
    if (stats_) stats_->Failed(TransactionFailure::kAborted);
    busy_ = false;
    return false;
  }
  StartTimer(eTimerMode::tmAnswer);
  TakeLateAnswers(rx_buffer_);
  discarded_ = FrameFault::kNone;
  const auto sent =
      stats_ ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};

  // A frame that could not be sent leaves the link down, which ends the
  // receive loop at its first pass.
  if (trace_) TraceBytes("→", frame);
  bool sent_out = true;
  if (use_tcp_) {
    sent_out = SendOverTcp(frame);
  } else {
    SendOverSerial(frame);
  }

  std::string received;
  bool link_up = true;
  const bool ready = WaitForAnswer(request, received, link_up);
  SetTimerMode(eTimerMode::tmIdle);
  if (use_tcp_) client_->Disconnect();
  if (abort_flag_) LogLine("Přerušeno uživatelem!");
  // A complete answer counts even when the peer closed right after sending
  // it: the controller has carried out the request.
  const bool result = ready && !abort_flag_ && !timed_out_ && !closing_;
  if (stats_) Count(result, link_up, sent);
  if (result) {
    fence_.Answered();
    const std::size_t codes = ReadCodes(asked);
    if (codes > 0) received.resize(kCommandSize + codes * kItemValueSize);
    answer = std::move(received);
  } else if (sent_out) {
    fence_.Unanswered(ReadCodes(request));
  }
  if (!result && !use_tcp_ && !closing_) StartSettling();
  busy_ = false;
  return result;
}

}  // namespace korvex
