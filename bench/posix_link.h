// A controller link on the POSIX platform parts, set up as the communicator
// sets it up, with a log that drops every line. Closed and freed on the way
// out.
#pragma once

#include "no_log.h"
#include "platform/posix_event_loop.h"
#include "platform/posix_socket_client.h"
#include "platform/serial_port_posix.h"
#include "protocol/vardos_link.h"
#include "transport/serial.h"

namespace korvex {

struct PosixLink {
  explicit PosixLink(PosixSerialPort::DeviceNamer device_for = ComDevice)
      : serial_port(std::move(device_for)) {
    link.Init(loop);
    link.Setup(serial, socket);
  }
  ~PosixLink() {
    link.Close();
    link.Done();
  }
  PosixLink(const PosixLink&) = delete;
  PosixLink& operator=(const PosixLink&) = delete;

  PosixEventLoop loop;
  PosixSocketClient socket;
  PosixSerialPort serial_port;
  TSerial serial{loop, serial_port};
  NoLog log;
  TVardosLink link;
};

}  // namespace korvex
