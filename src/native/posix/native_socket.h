// The socket shim's types and constants over POSIX sockets.
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>

namespace korvex {

using NativeSocket = int;
inline constexpr NativeSocket kNoSocket = -1;
// A peer gone mid-send is an error to report, not a signal to die of.
inline constexpr int kSendFlags = MSG_NOSIGNAL;
using SocketLength = socklen_t;

}  // namespace korvex
