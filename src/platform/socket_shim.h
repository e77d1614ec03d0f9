// What the TCP socket client needs of the system's sockets that differs
// between platforms. native_socket.h, found in the platform folder the build
// puts on the include path, gives the types, the constants and the system's
// socket headers; the folder's native_socket_*.cpp the functions.
#pragma once

#include <string>

namespace korvex {

// The system's codes of the errors the operator reads by name.
struct SocketErrorCodes {
  int refused, timed_out, host_unreachable, net_unreachable, reset, broken, aborted, not_started;
};

}  // namespace korvex

#include "native_socket.h"

namespace korvex {

// Starts the socket library once; false when it cannot be used.
bool StartSockets();
// A TCP socket that does not block, does not delay small frames and is not
// inherited by child processes; kNoSocket on failure.
NativeSocket OpenStreamSocket(int family);
void CloseSocket(NativeSocket socket);
int LastSocketError();
bool ConnectInProgress(int error);
bool WouldBlock(int error);
bool Interrupted(int error);
// How the connect of `socket` ended: 0, an error, or one ConnectInProgress
// accepts while it is still under way.
int ConnectOutcome(NativeSocket socket);
// Waits at most `wait_ms` for room to send; false when none came.
bool WaitWritable(NativeSocket socket, int wait_ms);
// The text of an error kSocketErrors does not name, and of a failed lookup.
std::string OtherSocketErrorText(int error);
std::string ResolveErrorText(int code);
std::string SocketsVersionText();
std::string SystemHostName();

}  // namespace korvex
