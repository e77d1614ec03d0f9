#include "platform/system_serial_port.h"

#include <vector>

#include "platform/win32/dcb_win32.h"

namespace korvex {
namespace {

using Use = SerialPortUse<SystemSerialPort::Port, UseLocking::kReleased>;

// How long a read the driver holds back is waited for before it is given up.
constexpr DWORD kReadWaitMs = 100;
// How often a port whose driver cannot wait for events is looked at.
constexpr DWORD kPollMs = 5;

// A call on an open port: access denied there means its device has gone
// (the drivers differ in what they fail with then), not another holder.
bool Fail(DWORD code) {
  const int kept = static_cast<int>(code);
  return FailSerialCall(code == ERROR_ACCESS_DENIED ? SystemError{ErrorKind::kBroken, kept}
                                                    : SerialPortError(kept));
}

bool FailOpening(DWORD code) {
  return FailSerialCall(SerialPortError(static_cast<int>(code)));
}

HANDLE NewEvent() {
  return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

// How an overlapped operation ended.
struct Outcome {
  DWORD error = ERROR_SUCCESS;
  DWORD transferred = 0;
  bool interrupted = false;  // the port is being closed
};

// Waits for an overlapped operation on `file` until it completes, `wait_ms`
// pass or `interrupt` is signalled. An operation not complete by then is
// cancelled and its end waited for, since it writes into `overlapped` and the
// caller's buffer.
Outcome Finish(HANDLE file, OVERLAPPED& overlapped, DWORD wait_ms, HANDLE interrupt) {
  Outcome outcome;
  const HANDLE signals[] = {overlapped.hEvent, interrupt};
  const DWORD woken = WaitForMultipleObjects(2, signals, FALSE, wait_ms);
  if (woken != WAIT_OBJECT_0) {
    outcome.interrupted = woken == WAIT_OBJECT_0 + 1;
    CancelIoEx(file, &overlapped);
  }
  if (!GetOverlappedResult(file, &overlapped, &outcome.transferred, TRUE)) {
    outcome.error = GetLastError();
    // A wait that timed out is the failure to tell, not the cancel it led to.
    if (woken == WAIT_TIMEOUT && outcome.error == ERROR_OPERATION_ABORTED) {
      outcome.error = ERROR_TIMEOUT;
    }
  }
  return outcome;
}

// Starts an overlapped operation with `start` and waits for it as Finish does.
template <typename Start>
Outcome Overlapped(HANDLE file, HANDLE event, DWORD wait_ms, HANDLE interrupt, Start start) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = event;
  ResetEvent(event);
  if (start(overlapped)) {
    Outcome done;
    if (!GetOverlappedResult(file, &overlapped, &done.transferred, FALSE)) {
      done.error = GetLastError();
    }
    return done;
  }
  const DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) return {error, 0, false};
  return Finish(file, overlapped, wait_ms, interrupt);
}

// A named object that exists while one opener holds `device`; null (and
// ERROR_ACCESS_DENIED, as for a busy port) when another holds it already.
HANDLE ClaimDevice(const std::string& device) {
  std::string name = "Local\\korvex-serial-";
  for (const char c : device) name += c == '\\' ? '/' : c;
  const HANDLE claim = CreateMutexA(nullptr, FALSE, name.c_str());
  if (!claim) {
    FailOpening(GetLastError());
  } else if (GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(claim);
    FailOpening(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return claim;
}

}  // namespace

std::string ComDevice(int port) {
  if (port < 1) return {};
  return "\\\\.\\COM" + std::to_string(port);
}

DCB Win32Dcb(const TDcb& from) {
  const auto flag = [&from](std::uint32_t bit) { return (from.Flags & bit) ? 1u : 0u; };
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = from.BaudRate;
  dcb.fBinary = flag(kDcbBinary);
  dcb.fParity = flag(kDcbParity);
  dcb.fOutxCtsFlow = flag(kDcbOutxCtsFlow);
  dcb.fOutxDsrFlow = flag(kDcbOutxDsrFlow);
  dcb.fDtrControl = flag(kDcbDtrHandshake) ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_DISABLE;
  dcb.fDsrSensitivity = 0;
  dcb.fTXContinueOnXoff = 0;
  dcb.fOutX = flag(kDcbOutX);
  dcb.fInX = flag(kDcbInX);
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  dcb.fRtsControl = flag(kDcbRtsHandshake) ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
  dcb.fAbortOnError = 0;
  dcb.XonLim = from.XonLim;
  dcb.XoffLim = from.XoffLim;
  dcb.ByteSize = from.ByteSize;
  // The record's numbering is Windows' own: none, odd, even, mark, space and
  // one, one and a half, two stop bits.
  dcb.Parity = from.Parity;
  dcb.StopBits = from.StopBits;
  dcb.XonChar = static_cast<char>(from.XonChar);
  dcb.XoffChar = static_cast<char>(from.XoffChar);
  dcb.ErrorChar = static_cast<char>(from.ErrorChar);
  dcb.EofChar = static_cast<char>(from.EofChar);
  dcb.EvtChar = static_cast<char>(from.EvtChar);
  return dcb;
}

struct SystemSerialPort::Port : SerialPortUsers {
  Port(HANDLE file, HANDLE claim) : file(file), claim(claim) {}
  ~Port() {
    for (const HANDLE event : {wait_event, read_event, write_event, closing, claim}) {
      if (event) ::CloseHandle(event);
    }
  }
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  bool HasEvents() const { return wait_event && read_event && write_event && closing; }

  std::uint64_t Generation() {
    std::lock_guard lock(mutex);
    return mask_generation;
  }

  // The events of the mask that the queues show since the last look: bytes
  // that came, an output queue drained after a write.
  std::uint32_t QueueEvents(const COMSTAT& queues) {
    std::lock_guard lock(mutex);
    std::uint32_t events = 0;
    if (queues.cbInQue > known_input) events |= kEvRxChar;
    known_input = queues.cbInQue;
    if (written && queues.cbOutQue == 0) {
      events |= kEvTxEmpty;
      written = false;
    }
    return events & mask;
  }

  HANDLE file;
  HANDLE claim;
  HANDLE wait_event = NewEvent();
  HANDLE read_event = NewEvent();
  HANDLE write_event = NewEvent();
  // Signalled by the close: ends whatever waits on the port.
  HANDLE closing = NewEvent();
  // One operation of each kind at a time: each owns its event.
  std::mutex wait_mutex, read_mutex, write_mutex;

  // Guarded by the mutex.
  DWORD mask = 0;
  std::uint64_t mask_generation = 0;
  std::uint32_t known_input = 0;  // input bytes already reported
  bool written = false;           // output written since the last kEvTxEmpty

  // Owned by the waiting thread: the driver cannot wait for the port's
  // events (a pseudo-terminal behind a COM name under wine), so the wait
  // looks at the queues instead.
  bool polled = false;
};

SystemSerialPort::SystemSerialPort(DeviceNamer device_for) : device_for_(std::move(device_for)) {}

SystemSerialPort::~SystemSerialPort() {
  for (const PortHandle handle : ports_.Handles()) CloseHandle(handle);
}

SystemError SystemSerialPort::LastError() const {
  return SerialLastError();
}

std::vector<std::string> SystemSerialPort::OtherHolders(PortHandle) const {
  // Windows does not tell who holds a device.
  return {};
}

SystemError SerialPortError(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST:
      return {ErrorKind::kNotFound, code};
    // A COM port another program holds refuses its next opener so.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return {ErrorKind::kBusy, code};
    // What the calls on an open port fail with once its USB adapter is pulled
    // out, or the far end of a virtual port has gone.
    case ERROR_BAD_COMMAND:
    case ERROR_NOT_READY:
    case ERROR_GEN_FAILURE:
    case ERROR_BROKEN_PIPE:
    case ERROR_IO_DEVICE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return {ErrorKind::kBroken, code};
    case ERROR_TIMEOUT:
    case ERROR_SEM_TIMEOUT:
      return {ErrorKind::kTimedOut, code};
    default:
      return {ErrorKind::kOther, code};
  }
}

PortHandle SystemSerialPort::Open(int number) {
  const std::string name = device_for_(number);
  if (name.empty()) {
    FailOpening(ERROR_FILE_NOT_FOUND);
    return kNoPort;
  }
  // Share mode 0 keeps other programs out of a real port; a device that does
  // not enforce it (a pseudo-terminal behind a COM name under wine) is kept
  // exclusive by a named claim held while the port is open.
  const HANDLE claim = ClaimDevice(name);
  if (!claim) return kNoPort;
  const HANDLE file = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    FailOpening(GetLastError());
    ::CloseHandle(claim);
    return kNoPort;
  }
  auto port = std::make_shared<Port>(file, claim);
  if (!port->HasEvents()) {
    FailOpening(GetLastError());
    ::CloseHandle(file);
    return kNoPort;
  }
  // An opened port starts with empty queues: bytes that came while nobody
  // held it (a late answer to an earlier program) are stale.
  ::PurgeComm(file, PURGE_RXCLEAR | PURGE_TXCLEAR);
  return ports_.Add(std::move(port));
}

bool SystemSerialPort::CloseHandle(PortHandle handle) {
  const std::shared_ptr<Port> port =
      ports_.Remove(handle, [](Port& closing) { SetEvent(closing.closing); });
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  return ::CloseHandle(port->file) || Fail(GetLastError());
}

bool SystemSerialPort::SetupComm(PortHandle handle, std::uint32_t in_queue,
                                 std::uint32_t out_queue) {
  Use port(ports_, handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  return ::SetupComm(port->file, in_queue, out_queue) || Fail(GetLastError());
}

bool SystemSerialPort::SetCommState(PortHandle handle, const TDcb& settings) {
  Use port(ports_, handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  DCB dcb = Win32Dcb(settings);
  return ::SetCommState(port->file, &dcb) || Fail(GetLastError());
}

bool SystemSerialPort::SetCommTimeouts(PortHandle handle, const TCommTimeouts& timeouts) {
  Use port(ports_, handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  COMMTIMEOUTS record{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                      timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                      timeouts.WriteTotalTimeoutConstant};
  return ::SetCommTimeouts(port->file, &record) || Fail(GetLastError());
}

bool SystemSerialPort::SetCommMask(PortHandle handle, std::uint32_t mask) {
  Use port(ports_, handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  std::lock_guard lock(port->mutex);
  port->mask = mask;
  ++port->mask_generation;
  // The driver ends a wait in progress when its mask changes.
  return ::SetCommMask(port->file, mask) || Fail(GetLastError());
}

bool SystemSerialPort::WaitCommEvent(PortHandle handle, std::uint32_t& events) {
  events = 0;
  Use port(ports_, handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  std::lock_guard wait_lock(port->wait_mutex);
  const std::uint64_t generation = port->Generation();
  if (!port->polled) {
    DWORD occurred = 0;
    const Outcome outcome =
        Overlapped(port->file, port->wait_event, INFINITE, port->closing,
                   [&](OVERLAPPED& o) { return ::WaitCommEvent(port->file, &occurred, &o); });
    // A wait ended by a close or a new mask has nothing to report, however
    // the driver completed it.
    if (outcome.interrupted || port->Generation() != generation) return true;
    if (outcome.error == ERROR_SUCCESS && occurred != 0) {
      events = occurred;
      return true;
    }
    // A driver that refuses the mask or ends the wait by itself with nothing
    // cannot wait for this port's events.
    const bool cannot_wait =
        outcome.error == ERROR_SUCCESS || outcome.error == ERROR_OPERATION_ABORTED ||
        outcome.error == ERROR_NOT_SUPPORTED || outcome.error == ERROR_INVALID_PARAMETER;
    if (!cannot_wait) return Fail(outcome.error);
    port->polled = true;
  }
  for (;;) {
    if (port->Generation() != generation) return true;
    DWORD errors = 0;
    COMSTAT queues{};
    if (!::ClearCommError(port->file, &errors, &queues)) return Fail(GetLastError());
    events = port->QueueEvents(queues);
    if (events != 0) return true;
    if (WaitForSingleObject(port->closing, kPollMs) == WAIT_OBJECT_0) return true;
  }
}

bool SystemSerialPort::GetCommModemStatus(PortHandle handle, std::uint32_t& status) {
  Use port(ports_, handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  DWORD lines = 0;
  if (!::GetCommModemStatus(port->file, &lines)) return Fail(GetLastError());
  status = lines;
  return true;
}

bool SystemSerialPort::ClearCommError(PortHandle handle, TComStat& status) {
  Use port(ports_, handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  DWORD errors = 0;
  COMSTAT queues{};
  if (!::ClearCommError(port->file, &errors, &queues)) return Fail(GetLastError());
  status.cbInQue = queues.cbInQue;
  status.cbOutQue = queues.cbOutQue;
  return true;
}

bool SystemSerialPort::PurgeComm(PortHandle handle, std::uint32_t flags) {
  Use port(ports_, handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  return ::PurgeComm(port->file, flags) || Fail(GetLastError());
}

bool SystemSerialPort::EscapeCommFunction(PortHandle handle, std::uint32_t code) {
  Use port(ports_, handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  return ::EscapeCommFunction(port->file, code) || Fail(GetLastError());
}

int SystemSerialPort::ReadByte(PortHandle handle, std::uint8_t& byte) {
  Use port(ports_, handle);
  if (!port) {
    Fail(ERROR_INVALID_HANDLE);
    return -1;
  }
  std::lock_guard read_lock(port->read_mutex);
  // Some drivers hold back a read of an empty queue despite the time-outs.
  DWORD errors = 0;
  COMSTAT queues{};
  if (!::ClearCommError(port->file, &errors, &queues)) {
    Fail(GetLastError());
    return -1;
  }
  if (queues.cbInQue == 0) return 0;
  std::uint8_t taken = 0;
  const Outcome outcome =
      Overlapped(port->file, port->read_event, kReadWaitMs, port->closing,
                 [&](OVERLAPPED& o) { return ::ReadFile(port->file, &taken, 1, nullptr, &o); });
  if (outcome.transferred == 1) {
    byte = taken;
    std::lock_guard lock(port->mutex);
    if (port->known_input > 0) --port->known_input;
    return 1;
  }
  // A read the driver held back past its bound, or ended by the close, found
  // nothing.
  if (outcome.error == ERROR_SUCCESS || outcome.error == ERROR_TIMEOUT || outcome.interrupted) {
    return 0;
  }
  Fail(outcome.error);
  return -1;
}

bool SystemSerialPort::WriteFile(PortHandle handle, std::string_view data, int wait_ms) {
  Use port(ports_, handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  std::lock_guard write_lock(port->write_mutex);
  const auto size = static_cast<DWORD>(data.size());
  const Outcome outcome = Overlapped(
      port->file, port->write_event, static_cast<DWORD>(wait_ms < 0 ? 0 : wait_ms), port->closing,
      [&](OVERLAPPED& o) { return ::WriteFile(port->file, data.data(), size, nullptr, &o); });
  if (outcome.transferred > 0) {
    std::lock_guard lock(port->mutex);
    port->written = true;
  }
  if (outcome.error != ERROR_SUCCESS) return Fail(outcome.error);
  if (outcome.transferred == size) return true;
  // A driver that took only part of the bytes has not sent the frame.
  return Fail(outcome.interrupted ? ERROR_OPERATION_ABORTED : ERROR_WRITE_FAULT);
}

}  // namespace korvex
