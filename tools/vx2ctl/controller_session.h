// One controller reached through the communicator's own engine over TCP or
// a serial line: the event loop, the socket client, the serial port and the
// link object, wired as the communicator wires them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "native_platform.h"
#include "platform/log_sink.h"
#include "protocol/vardos_link.h"
#include "transport/serial.h"

namespace vx2::ctl {

struct SessionSettings {
  std::string host = "127.0.0.1";
  std::uint16_t port = 1998;
  std::uint8_t address = 1;
  std::uint8_t relay = 1;
  double timeout = 3.0;  // seconds
  // A serial line instead of TCP: this device, or else COM `com` as the
  // communicator maps it (0: TCP).
  std::string serial_device;
  int com = 0;
  std::int32_t baud = 38400;
  bool rs485 = false;

  bool OnSerialLine() const { return !serial_device.empty() || com > 0; }
};

// Attempts per exchange, as the communicator's service commands make.
inline constexpr int kAttempts = 3;

class ControllerSession {
 public:
  // The engine writes its lines into `log`, which must outlive the session.
  explicit ControllerSession(korvex::LogSink& log);
  ~ControllerSession();
  ControllerSession(const ControllerSession&) = delete;
  ControllerSession& operator=(const ControllerSession&) = delete;

  // Opens the link, which waits until the connection stands or has failed
  // (at most the engine's connection limit, announced in the log). False
  // with a Czech reason in `error`.
  bool Open(const SessionSettings& settings, std::string& error);

  // Sends `request` until its answer passes `accept`, at most kAttempts
  // times. False with a Czech reason in `error`.
  bool Exchange(std::string_view request, const std::function<bool(std::string_view)>& accept,
                std::string& answer, std::string& error);

 private:
  std::string ConnectFailure() const;
  // Why the attempt that just ended brought no usable answer.
  std::string FailureReason(bool answered, std::string_view answer) const;

  korvex::LogSink& log_;
  korvex::NativeEventLoop loop_;
  korvex::NativeSocketClient socket_;
  std::string serial_device_;
  korvex::NativeSerialPort serial_port_{[this](int port) {
    return serial_device_.empty() ? korvex::ComDevice(port) : serial_device_;
  }};
  korvex::TSerial serial_{loop_, serial_port_};
  korvex::TVardosLink link_;
  // The controller's TCP endpoint or serial device, for the messages.
  std::string endpoint_;
};

}  // namespace vx2::ctl
