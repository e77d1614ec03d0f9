#include "transport/serial.h"

#include <algorithm>
#include <limits>

#include "transport/event_thread.h"

namespace korvex {
namespace {

constexpr std::uint32_t kDcbLength = 28;
constexpr std::uint8_t kXonChar = 0x11;
constexpr std::uint8_t kXoffChar = 0x13;
constexpr std::uint8_t kErrorChar = '?';
constexpr std::uint32_t kFlowWriteTimeout = 10000;
constexpr int kShortestWriteWait = 500;

}  // namespace

bool IsAcceptedBaudrate(std::int32_t rate) {
  return std::find(std::begin(kBaudRates), std::end(kBaudRates), rate) != std::end(kBaudRates);
}

TSerial::TSerial(EventLoop& loop, SerialPortLayer& layer)
    : loop_(loop), layer_(layer), thread_(std::make_unique<TEventThread>(*this, loop)) {}

TSerial::~TSerial() {
  // An open port would keep the thread in its event wait.
  Reopen(false);
  thread_->Terminate();
  thread_->Resume();
  thread_->WaitFor();
}

std::vector<std::string> TSerial::OtherHolders() const {
  return opened_ ? layer_.OtherHolders(handle_) : std::vector<std::string>{};
}

void TSerial::SetOpen(bool open) {
  Reopen(open);
}

void TSerial::Reopen(bool open) {
  if (opened_) {
    if (!layer_.PurgeComm(handle_, kPurgeTxAbort | kPurgeRxAbort)) HandleError();
    SetSignal(1, false);
    SetSignal(0, false);
    // This order keeps the event thread from dispatching events of the port
    // being closed: it sees Closing when the cleared mask ends its wait, or
    // Opened false on its next turn.
    opened_ = false;
    closing_ = true;
    if (!layer_.SetCommMask(handle_, 0)) HandleError();
    closing_ = false;
    if (!layer_.CloseHandle(handle_)) HandleError();
    handle_ = kNoPort;
  }
  if (!open) return;
  device_gone_ = false;
  const PortHandle handle = layer_.Open(port_);
  if (handle == kNoPort) {
    HandleError();
    return;
  }
  handle_ = handle;
  if (!layer_.SetupComm(handle, rx_queue_size_, tx_queue_size_)) HandleError();
  opened_ = true;
  ApplySettings();
  SetSignal(1, true);
  SetSignal(0, true);
  StartEvents();
}

void TSerial::ApplySettings() {
  dcb_.DCBlength = kDcbLength;
  dcb_.BaudRate = static_cast<std::uint32_t>(baudrate_);
  dcb_.Flags = kDcbBinary | (check_parity_ ? kDcbParity : 0);
  switch (flow_mode_) {
    case eFlowControl::fcNone:
      break;
    case eFlowControl::fcRTS_CTS:
      dcb_.Flags |= kDcbOutxCtsFlow | kDcbRtsHandshake;
      break;
    case eFlowControl::fcDTR_DSR:
      dcb_.Flags |= kDcbOutxDsrFlow | kDcbDtrHandshake;
      break;
    case eFlowControl::fcXON_XOF:
      dcb_.Flags |= kDcbOutX | kDcbInX;
      break;
  }
  dcb_.XonLim = dcb_.XoffLim = static_cast<std::uint16_t>(rx_queue_size_ / 3);
  dcb_.ByteSize = data_bits_ == eDataBits::d7bit ? 7 : 8;
  dcb_.Parity = static_cast<std::uint8_t>(parity_);
  dcb_.StopBits = stop_bits_ == eStopBits::st1bit ? 0 : 2;
  dcb_.XonChar = kXonChar;
  dcb_.XoffChar = kXoffChar;
  dcb_.ErrorChar = kErrorChar;
  if (!opened_) return;
  if (!layer_.SetCommState(handle_, dcb_)) HandleError();
  // Reads return at once with whatever is queued. The write time-out of a
  // flow-controlled line stays when the line goes back to no flow control.
  timeouts_.ReadIntervalTimeout = std::numeric_limits<std::uint32_t>::max();
  timeouts_.ReadTotalTimeoutMultiplier = 0;
  timeouts_.ReadTotalTimeoutConstant = 0;
  if (flow_mode_ != eFlowControl::fcNone) {
    timeouts_.WriteTotalTimeoutMultiplier = 0;
    timeouts_.WriteTotalTimeoutConstant = kFlowWriteTimeout;
  }
  if (!layer_.SetCommTimeouts(handle_, timeouts_)) HandleError();
}

void TSerial::StartEvents() {
  if (!layer_.SetCommMask(handle_, kEventMask)) HandleError();
  thread_->Resume();
}

void TSerial::WriteString(std::string_view data) {
  const int per_byte = 20000 / std::max(baudrate_, 1);
  const auto bytes = static_cast<std::int64_t>(data.size());
  const int wait = static_cast<int>(std::clamp<std::int64_t>(bytes * per_byte, kShortestWriteWait,
                                                             std::numeric_limits<int>::max()));
  if (!layer_.WriteFile(handle_, data, wait)) HandleError();
}

int TSerial::ReadByte(std::uint8_t& byte) {
  const int taken = layer_.ReadByte(handle_, byte);
  if (taken >= 0) return taken;
  HandleError();
  return 0;
}

void TSerial::PurgeTx() {
  if (!layer_.PurgeComm(handle_, kPurgeTxAbort)) HandleError();
}

void TSerial::PurgeRx() {
  if (!layer_.PurgeComm(handle_, kPurgeRxAbort)) HandleError();
}

bool TSerial::SetSignal(std::uint8_t signal, bool state) {
  std::uint32_t code = 0;  // the port rejects it
  if (signal == 0) code = state ? kSetRts : kClrRts;
  if (signal == 1) code = state ? kSetDtr : kClrDtr;
  return layer_.EscapeCommFunction(handle_, code);
}

bool TSerial::UpdateStatus(TComStat& status) {
  if (layer_.ClearCommError(handle_, status)) return true;
  HandleError();
  return false;
}

std::int32_t TSerial::RxWaiting() {
  TComStat status;
  if (!opened_ || !UpdateStatus(status)) return 0;
  return static_cast<std::int32_t>(status.cbInQue);
}

std::int32_t TSerial::TxWaiting() {
  TComStat status;
  if (!opened_ || !UpdateStatus(status)) return 0;
  return static_cast<std::int32_t>(status.cbOutQue);
}

void TSerial::HandleError() {
  HandleError(layer_.LastError());
}

void TSerial::HandleError(SystemError error) {
  // A failure met on the event thread is reported on the loop thread too,
  // so OnError never runs beside the loop's own handlers.
  const bool gone =
      opened_ && (error.kind == ErrorKind::kBroken || error.kind == ErrorKind::kNotFound);
  loop_.Synchronize([this, error, gone] {
    error_ = error;
    if (gone) device_gone_ = true;
    if (notify_errors_ == eNotifyErr::neEvent && OnError) OnError(*this);
    // neDialog: the notice shows nothing; neNone: nothing more.
  });
}

void TSerial::SetOnMessage(RxMessageEvent handler) {
  on_message_ = std::move(handler);
  has_on_message_ = static_cast<bool>(on_message_);
}

// Every line setting: store, and reopen an open port so the line takes it.
// An unchanged value leaves the port alone unless `always`.
template <typename Value>
void TSerial::ChangeLine(Value& setting, Value value, bool always) {
  if (value == setting && !always) return;
  setting = value;
  Reopen(opened_);
}

void TSerial::SetPort(std::uint8_t port) {
  ChangeLine(port_, port);
}

void TSerial::SetBaudrate(std::int32_t rate) {
  if (IsAcceptedBaudrate(rate)) ChangeLine(baudrate_, rate);
}

void TSerial::SetParity(eParity parity) {
  ChangeLine(parity_, parity);
}

void TSerial::SetDataBits(eDataBits bits) {
  ChangeLine(data_bits_, bits);
}

void TSerial::SetStopBits(eStopBits bits) {
  ChangeLine(stop_bits_, bits);
}

void TSerial::SetRxQueueSize(std::uint16_t size) {
  ChangeLine(rx_queue_size_, size, true);
}

void TSerial::SetTxQueueSize(std::uint16_t size) {
  ChangeLine(tx_queue_size_, size, true);
}

void TSerial::SetFlowMode(eFlowControl mode) {
  ChangeLine(flow_mode_, mode);
}

void TSerial::SetCheckParity(bool check) {
  ChangeLine(check_parity_, check);
}

}  // namespace korvex
