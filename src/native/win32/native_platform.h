// This platform's implementations of the seams, under the names the entry
// points and tools use on every platform.
#pragma once

#include "platform/system_serial_port.h"
#include "platform/tcp_socket_client.h"
#include "platform/win32/event_loop_win32.h"
#include "platform/win32/host_desktop_win32.h"

namespace korvex {

using NativeEventLoop = Win32EventLoop;
using NativeSocketClient = TcpSocketClient;
using NativeHostDesktop = Win32HostDesktop;
using NativeSerialPort = SystemSerialPort;

}  // namespace korvex
