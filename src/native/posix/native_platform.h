// This platform's implementations of the seams, under the names the entry
// points and tools use on every platform.
#pragma once

#include "loop/real_time_loop.h"
#include "platform/posix/host_desktop_posix.h"
#include "platform/posix/posix_socket_client.h"
#include "platform/posix/serial_port_posix.h"

namespace korvex {

using NativeEventLoop = RealTimeLoop;
using NativeSocketClient = PosixSocketClient;
using NativeHostDesktop = PosixHostDesktop;
using NativeSerialPort = PosixSerialPort;

}  // namespace korvex
