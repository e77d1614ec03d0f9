// This platform's implementations of the seams, under the names the entry
// points and tools use on every platform.
#pragma once

#include "platform/win32/event_loop_win32.h"
#include "platform/win32/host_desktop_win32.h"
#include "platform/win32/serial_port_win32.h"
#include "platform/win32/socket_client_win32.h"

namespace korvex {

using NativeEventLoop = Win32EventLoop;
using NativeSocketClient = Win32SocketClient;
using NativeHostDesktop = Win32HostDesktop;
using NativeSerialPort = Win32SerialPort;

}  // namespace korvex
