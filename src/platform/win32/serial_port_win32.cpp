#include "platform/win32/serial_port_win32.h"

namespace korvex {
namespace {

// ERROR_CALL_NOT_IMPLEMENTED
constexpr int kNotImplemented = 120;

}  // namespace

std::string ComDevice(int port) {
  if (port < 1) return {};
  return "\\\\.\\COM" + std::to_string(port);
}

Win32SerialPort::Win32SerialPort(DeviceNamer device_for) : device_for_(std::move(device_for)) {}

PortHandle Win32SerialPort::Open(int) { return kNoPort; }
bool Win32SerialPort::CloseHandle(PortHandle) { return false; }
bool Win32SerialPort::SetupComm(PortHandle, std::uint32_t, std::uint32_t) { return false; }
bool Win32SerialPort::SetCommState(PortHandle, const TDcb&) { return false; }
bool Win32SerialPort::SetCommTimeouts(PortHandle, const TCommTimeouts&) { return false; }
bool Win32SerialPort::SetCommMask(PortHandle, std::uint32_t) { return false; }
bool Win32SerialPort::WaitCommEvent(PortHandle, std::uint32_t& events) {
  events = 0;
  return false;
}
bool Win32SerialPort::GetCommModemStatus(PortHandle, std::uint32_t&) { return false; }
bool Win32SerialPort::ClearCommError(PortHandle, TComStat&) { return false; }
bool Win32SerialPort::PurgeComm(PortHandle, std::uint32_t) { return false; }
bool Win32SerialPort::EscapeCommFunction(PortHandle, std::uint32_t) { return false; }
int Win32SerialPort::ReadByte(PortHandle, std::uint8_t&) { return -1; }
bool Win32SerialPort::WriteFile(PortHandle, std::string_view, int) { return false; }
int Win32SerialPort::LastError() const { return kNotImplemented; }

}  // namespace korvex
