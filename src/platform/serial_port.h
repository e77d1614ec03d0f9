// The serial port layer: the operating system's comm operations that the
// serial component needs, in the shape of the Win32 comm interface. Every
// call reports success as a Boolean; the cause of the last failure on the
// calling thread is LastError(), in the project's own errors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_error.h"

namespace korvex {

// A port the layer has opened. Handles are never reused, so a stale handle
// fails instead of reaching a port opened later.
using PortHandle = int;
inline constexpr PortHandle kNoPort = -1;

// The line-settings record (the Win32 DCB).
struct TDcb {
  std::uint32_t DCBlength = 0;
  std::uint32_t BaudRate = 0;
  std::uint32_t Flags = 0;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 0;
  std::uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
  std::uint8_t XonChar = 0;
  std::uint8_t XoffChar = 0;
  std::uint8_t ErrorChar = 0;
  std::uint8_t EofChar = 0;
  std::uint8_t EvtChar = 0;

  bool operator==(const TDcb&) const = default;
};

// Bits of TDcb::Flags.
inline constexpr std::uint32_t kDcbBinary = 0x0001;
inline constexpr std::uint32_t kDcbParity = 0x0002;
inline constexpr std::uint32_t kDcbOutxCtsFlow = 0x0004;
inline constexpr std::uint32_t kDcbOutxDsrFlow = 0x0008;
inline constexpr std::uint32_t kDcbDtrHandshake = 0x0020;
inline constexpr std::uint32_t kDcbOutX = 0x0100;
inline constexpr std::uint32_t kDcbInX = 0x0200;
inline constexpr std::uint32_t kDcbRtsHandshake = 0x2000;

// The time-out record (Win32 COMMTIMEOUTS), milliseconds.
struct TCommTimeouts {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;

  bool operator==(const TCommTimeouts&) const = default;
};

// Bytes in the driver's queues (Win32 COMSTAT).
struct TComStat {
  std::uint32_t cbInQue = 0;
  std::uint32_t cbOutQue = 0;
};

// Port events (the Win32 event mask bits).
inline constexpr std::uint32_t kEvRxChar = 0x0001;
inline constexpr std::uint32_t kEvTxEmpty = 0x0004;
inline constexpr std::uint32_t kEvCts = 0x0008;
inline constexpr std::uint32_t kEvDsr = 0x0010;
inline constexpr std::uint32_t kEvRlsd = 0x0020;
inline constexpr std::uint32_t kEvBreak = 0x0040;
inline constexpr std::uint32_t kEvRing = 0x0100;

// Modem status bits.
inline constexpr std::uint32_t kMsCtsOn = 0x10;
inline constexpr std::uint32_t kMsDsrOn = 0x20;
inline constexpr std::uint32_t kMsRingOn = 0x40;
inline constexpr std::uint32_t kMsRlsdOn = 0x80;

// PurgeComm flags.
inline constexpr std::uint32_t kPurgeTxAbort = 0x0001;
inline constexpr std::uint32_t kPurgeRxAbort = 0x0002;

// EscapeCommFunction codes.
inline constexpr std::uint32_t kSetRts = 3;
inline constexpr std::uint32_t kClrRts = 4;
inline constexpr std::uint32_t kSetDtr = 5;
inline constexpr std::uint32_t kClrDtr = 6;

class SerialPortLayer {
 public:
  virtual ~SerialPortLayer() = default;

  // Opens COM `port` for reading and writing, exclusively: a port another
  // program holds is refused. kNoPort on failure.
  virtual PortHandle Open(int port) = 0;
  // Ends a WaitCommEvent still running on the port, then releases the port.
  virtual bool CloseHandle(PortHandle port) = 0;
  virtual bool SetupComm(PortHandle port, std::uint32_t in_queue, std::uint32_t out_queue) = 0;
  virtual bool SetCommState(PortHandle port, const TDcb& dcb) = 0;
  virtual bool SetCommTimeouts(PortHandle port, const TCommTimeouts& timeouts) = 0;
  // Changing the mask ends a WaitCommEvent in progress with no events.
  virtual bool SetCommMask(PortHandle port, std::uint32_t mask) = 0;
  // Blocks until an event of the mask occurs, the mask is changed or the port
  // is closed; `events` says which occurred (none for the last two). Called
  // from the port's event thread while the other calls come from the loop
  // thread.
  virtual bool WaitCommEvent(PortHandle port, std::uint32_t& events) = 0;
  virtual bool GetCommModemStatus(PortHandle port, std::uint32_t& status) = 0;
  // The queue counts; also clears the port's error state.
  virtual bool ClearCommError(PortHandle port, TComStat& status) = 0;
  virtual bool PurgeComm(PortHandle port, std::uint32_t flags) = 0;
  virtual bool EscapeCommFunction(PortHandle port, std::uint32_t code) = 0;
  // 1 and `byte` when a received byte was taken, 0 when none is waiting, -1
  // on failure. Never waits.
  virtual int ReadByte(PortHandle port, std::uint8_t& byte) = 0;
  // Hands all of `data` to the driver; false when it has not taken them
  // within `wait_ms` or the write failed.
  virtual bool WriteFile(PortHandle port, std::string_view data, int wait_ms) = 0;
  // The calling thread's last failed call as the project's error. A call on
  // an open port whose device has gone away (a USB adapter pulled out) fails
  // kBroken or kNotFound: the port is of no use until it is opened anew.
  virtual SystemError LastError() const = 0;
  // Other programs that have the port open as well ("name (id)"), where the
  // platform lets them share it and can see them: they may take the
  // controller's answers.
  virtual std::vector<std::string> OtherHolders(PortHandle) const { return {}; }
};

}  // namespace korvex
