#include "transport/event_thread.h"

#include <chrono>

#include "platform/helper_thread.h"
#include "transport/serial.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

constexpr auto kClosedPortPause = 100ms;
// A message that never ends is dropped rather than kept growing.
constexpr std::size_t kLongestMessage = 64 * 1024;

}  // namespace

bool TMessageFramer::Take(std::uint8_t byte, std::uint8_t start, std::uint8_t end,
                          std::uint16_t append_count) {
  if (MsgState == kTrailer) {
    MsgBuffer.push_back(static_cast<char>(byte));
    if (--MsgRemaining > 0) return false;
    MsgState = kDelivered;
    return true;
  }
  // The start test comes first: when both characters are equal, the byte
  // always starts a new message.
  if (byte == start) {
    MsgState = kInMessage;
    MsgBuffer.assign(1, static_cast<char>(byte));
    return false;
  }
  if (MsgState != kInMessage) return false;
  MsgBuffer.push_back(static_cast<char>(byte));
  if (byte == end) {
    if (append_count == 0) {
      MsgState = kDelivered;
      return true;
    }
    MsgState = kTrailer;
    MsgRemaining = append_count;
  } else if (MsgBuffer.size() > kLongestMessage) {
    MsgState = kIdle;
    MsgBuffer.clear();
  }
  return false;
}

TEventThread::TEventThread(TSerial& serial, EventLoop& loop) : serial_(serial), loop_(loop) {}

TEventThread::~TEventThread() {
  Terminate();
  WaitFor();
}

void TEventThread::Resume() {
  std::lock_guard lock(mutex_);
  if (!thread_.joinable() && !terminated_) {
    thread_ = StartHelperThread([this] { Execute(); });
  }
  // A port just opened is waited on at once, not after the idle pause.
  wake_ = true;
  changed_.notify_all();
}

void TEventThread::Terminate() {
  std::lock_guard lock(mutex_);
  terminated_ = true;
  changed_.notify_all();
}

void TEventThread::WaitFor() {
  std::unique_lock lock(mutex_);
  if (!thread_.joinable()) return;
  // The thread may be waiting in a synchronised call that only this thread
  // can run.
  while (!finished_) {
    lock.unlock();
    loop_.CheckSynchronize();
    lock.lock();
    changed_.wait_for(lock, 1ms, [this] { return finished_; });
  }
  lock.unlock();
  thread_.join();
}

void TEventThread::Idle() {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, kClosedPortPause, [this] { return terminated_ || wake_; });
  wake_ = false;
}

void TEventThread::Deliver(const std::function<void()>& call) {
  // The port may have closed while the call waited for the loop thread; its
  // events are not delivered then.
  loop_.Synchronize([this, &call] {
    if (serial_.Opened()) call();
  });
}

void TEventThread::Execute() {
  SerialPortLayer& layer = serial_.layer_;
  while (!terminated_) {
    if (!serial_.Opened()) {
      Idle();
      continue;
    }
    {
      // A wake-up for an open that is now being waited on is used up.
      std::lock_guard lock(mutex_);
      wake_ = false;
    }
    const PortHandle handle = serial_.Handle();
    std::uint32_t events = 0;
    if (!layer.WaitCommEvent(handle, events)) {
      const SystemError error = layer.LastError();
      // A wait on a port closed meanwhile is not a failure of the open port.
      if (serial_.Opened() && serial_.Handle() == handle) {
        Deliver([this, error] { serial_.HandleError(error); });
        // A port whose wait keeps failing (a device gone) is not retried in
        // a busy loop; what the failed wait returned is not dispatched.
        Idle();
      }
      continue;
    }
    // What a port closed meanwhile returned is not its successor's.
    if (serial_.Closing() || !serial_.Opened() || serial_.Handle() != handle) continue;
    Dispatch(events);
  }
  std::lock_guard lock(mutex_);
  finished_ = true;
  changed_.notify_all();
}

void TEventThread::Dispatch(std::uint32_t events) {
  for (const std::uint32_t line : {kEvCts, kEvDsr, kEvRlsd}) {
    if (events & line) SignalChange(line);
  }
  const auto notify = [this](TSerial::NotifyEvent TSerial::*handler) {
    Deliver([this, handler] {
      if (serial_.*handler) (serial_.*handler)(serial_);
    });
  };
  if (events & kEvTxEmpty) notify(&TSerial::OnTxEmpty);
  if (events & kEvBreak) notify(&TSerial::OnBreak);
  if (events & kEvRing) notify(&TSerial::OnRing);
  if (events & kEvRxChar) {
    if (serial_.RxEventMode() == eOpModes::rxNormal) {
      notify(&TSerial::OnRxData);
    } else if (serial_.HasOnMessage()) {
      ReceiveMessages();
    }
  }
}

void TEventThread::SignalChange(std::uint32_t event) {
  std::uint32_t status = 0;
  serial_.layer_.GetCommModemStatus(serial_.Handle(), status);
  eModemInSignal signal = eModemInSignal::inCTS;
  bool state = false;
  switch (event) {
    case kEvCts:
      state = serial_.CtsState = (status & kMsCtsOn) != 0;
      break;
    case kEvDsr:
      signal = eModemInSignal::inDSR;
      state = serial_.DsrState = (status & kMsDsrOn) != 0;
      break;
    default:
      signal = eModemInSignal::inRLSD;
      state = serial_.RlsdState = (status & kMsRlsdOn) != 0;
      break;
  }
  Deliver([this, signal, state] {
    if (serial_.OnSignalChange) serial_.OnSignalChange(serial_, signal, state);
  });
}

void TEventThread::ReceiveMessages() {
  std::uint8_t byte = 0;
  while (serial_.ReadByte(byte) > 0) {
    if (!framer_.Take(byte, serial_.MessageStartChar(), serial_.MessageEndChar(),
                      serial_.MessageAppendCount())) {
      continue;
    }
    Deliver([this] {
      if (serial_.OnMessage()) serial_.OnMessage()(serial_, framer_.MsgBuffer);
    });
  }
}

}  // namespace korvex
