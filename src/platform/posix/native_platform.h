// This platform's implementations of the seams, under the names the entry
// points and tools use on every platform.
#pragma once

#include "platform/posix/host_desktop_posix.h"
#include "platform/posix/posix_event_loop.h"
#include "platform/posix/posix_socket_client.h"
#include "platform/posix/serial_port_posix.h"

namespace korvex {

using NativeEventLoop = PosixEventLoop;
using NativeSocketClient = PosixSocketClient;
using NativeHostDesktop = PosixHostDesktop;
using NativeSerialPort = PosixSerialPort;

}  // namespace korvex
