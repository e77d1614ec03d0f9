// The serial port layer over the system's comm API, one implementation per
// platform folder: POSIX terminals (termios), or Win32 overlapped handles
// with every operation waited for before it returns, so no I/O outlives the
// call that started it. Both keep their open ports in a SerialPortTable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/serial_port.h"
#include "platform/serial_port_table.h"

namespace korvex {

// The device of COM `port`; empty for a number below 1. POSIX: KORVEX_COM<port>
// when set and not empty, else /dev/ttyS<port-1>. Windows: \\.\COM<port>,
// which names every port number (plain "COM10" and above do not open).
std::string ComDevice(int port);

// This platform's code of a port call that failed, as the project's error.
SystemError SerialPortError(int code);

class SystemSerialPort : public SerialPortLayer {
 public:
  using DeviceNamer = std::function<std::string(int port)>;

  explicit SystemSerialPort(DeviceNamer device_for = ComDevice);
  // Closes every port still open.
  ~SystemSerialPort() override;
  SystemSerialPort(const SystemSerialPort&) = delete;
  SystemSerialPort& operator=(const SystemSerialPort&) = delete;

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
  SystemError LastError() const override;
  std::vector<std::string> OtherHolders(PortHandle port) const override;

  // The platform's record of an open port.
  struct Port;

 private:
  DeviceNamer device_for_;
  SerialPortTable<Port> ports_;
};

}  // namespace korvex
