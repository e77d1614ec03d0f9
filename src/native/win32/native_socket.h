// The socket shim's types and constants over Winsock 2.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

namespace korvex {

using NativeSocket = SOCKET;
inline constexpr NativeSocket kNoSocket = INVALID_SOCKET;
inline constexpr int kSendFlags = 0;
using SocketLength = int;

}  // namespace korvex
