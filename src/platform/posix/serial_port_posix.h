// The serial port layer over POSIX terminals (termios). COM n is the device
// named by KORVEX_COM<n> when that is set, else /dev/ttyS<n-1>.
#pragma once

#include <termios.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/serial_port.h"

namespace korvex {

// The device of COM `port`: KORVEX_COM<port> when set and not empty, else
// /dev/ttyS<port-1>; empty for a port number below 1.
std::string ComDevice(int port);

// The terminal settings a settings record asks for: a raw line with its rate,
// data bits, parity, stop bits and flow control. False for a record the line
// cannot take. Rates outside the termios table are left to SetArbitraryRate.
bool LineTermios(const TDcb& dcb, termios& settings);
bool IsTableRate(std::uint32_t rate);

// Change of the input lines between two readings: the EV_ line events.
struct LineReading {
  std::uint32_t cts = 0, dsr = 0, dcd = 0, ring = 0, brk = 0;
};
std::uint32_t LineEvents(const LineReading& before, const LineReading& now);

class PosixSerialPort : public SerialPortLayer {
 public:
  using DeviceNamer = std::function<std::string(int port)>;

  explicit PosixSerialPort(DeviceNamer device_for = ComDevice);
  // Closes every port still open.
  ~PosixSerialPort() override;
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  PortHandle Open(int port) override;
  bool CloseHandle(PortHandle port) override;
  bool SetupComm(PortHandle port, std::uint32_t in_queue, std::uint32_t out_queue) override;
  bool SetCommState(PortHandle port, const TDcb& dcb) override;
  bool SetCommTimeouts(PortHandle port, const TCommTimeouts& timeouts) override;
  bool SetCommMask(PortHandle port, std::uint32_t mask) override;
  bool WaitCommEvent(PortHandle port, std::uint32_t& events) override;
  bool GetCommModemStatus(PortHandle port, std::uint32_t& status) override;
  bool ClearCommError(PortHandle port, TComStat& status) override;
  bool PurgeComm(PortHandle port, std::uint32_t flags) override;
  bool EscapeCommFunction(PortHandle port, std::uint32_t code) override;
  int ReadByte(PortHandle port, std::uint8_t& byte) override;
  bool WriteFile(PortHandle port, std::string_view data, int wait_ms) override;
  int LastError() const override;
  std::vector<std::string> OtherHolders(PortHandle port) const override;
  bool IsDeviceGone(int error) const override;

 private:
  struct Port;
  class Use;

  std::shared_ptr<Port> Find(PortHandle handle) const;

  DeviceNamer device_for_;
  mutable std::mutex mutex_;
  std::map<PortHandle, std::shared_ptr<Port>> ports_;
  PortHandle next_handle_ = 1;
};

}  // namespace korvex
