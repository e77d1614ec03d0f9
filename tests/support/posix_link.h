// A controller link on the POSIX socket and serial parts, set up as the
// communicator sets it up, on the given loop and writing to the given log.
// Closed and freed on the way out.
#pragma once

#include <utility>

#include "platform/tcp_socket_client.h"
#include "platform/posix/serial_port_posix.h"
#include "protocol/vardos_link.h"
#include "transport/serial.h"

namespace korvex {

template <class Loop, class Log>
struct PosixLinkOn {
  explicit PosixLinkOn(SystemSerialPort::DeviceNamer device_for = ComDevice)
      : serial_port(std::move(device_for)) {
    link.Init(loop);
    link.Setup(serial, socket);
  }
  ~PosixLinkOn() {
    link.Close();
    link.Done();
  }
  PosixLinkOn(const PosixLinkOn&) = delete;
  PosixLinkOn& operator=(const PosixLinkOn&) = delete;

  Loop loop;
  TcpSocketClient socket;
  SystemSerialPort serial_port;
  TSerial serial{loop, serial_port};
  Log log;
  TVardosLink link;
};

}  // namespace korvex
