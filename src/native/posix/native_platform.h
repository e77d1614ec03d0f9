// This platform's implementations of the seams, under the names the entry
// points and tools use on every platform.
#pragma once

#include "loop/real_time_loop.h"
#include "platform/posix/host_desktop_posix.h"
#include "platform/system_serial_port.h"
#include "platform/tcp_socket_client.h"

namespace korvex {

using NativeEventLoop = RealTimeLoop;
using NativeSocketClient = TcpSocketClient;
using NativeHostDesktop = PosixHostDesktop;
using NativeSerialPort = SystemSerialPort;

}  // namespace korvex
