// The serial port layer over the Win32 comm API. A placeholder until the
// comm implementation arrives: no port opens.
#pragma once

#include <functional>
#include <string>

#include "platform/serial_port.h"

namespace korvex {

// The device of COM `port`: \\.\COM<port>, which names every port number;
// empty for a number below 1.
std::string ComDevice(int port);

class Win32SerialPort : public SerialPortLayer {
 public:
  using DeviceNamer = std::function<std::string(int port)>;

  explicit Win32SerialPort(DeviceNamer device_for = ComDevice);

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

 private:
  DeviceNamer device_for_;
};

}  // namespace korvex
