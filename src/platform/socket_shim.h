// What the TCP socket client and the simulator's listener need of the
// system's sockets that differs between platforms. native_socket.h, found in
// the platform folder the build puts on the include path, gives the types,
// the constants and the system's socket headers; the folder's
// native_socket_*.cpp the functions.
#pragma once

#include <string>

#include "native_socket.h"
#include "platform/event_loop.h"
#include "platform/system_error.h"

namespace korvex {

// A socket the loop watches, as the system's calls take it.
inline NativeSocket AsSocket(IoHandle handle) {
  return static_cast<NativeSocket>(handle);
}

// Starts the socket library once; false when it cannot be used.
bool StartSockets();
// A TCP socket that does not block, does not delay small frames and is not
// inherited by child processes; kNoSocket on failure.
NativeSocket OpenStreamSocket(int family);
// The next waiting client of `listener` as OpenStreamSocket makes sockets,
// with its address in `peer`; kNoSocket when none is waiting.
NativeSocket AcceptStream(NativeSocket listener, sockaddr_in& peer);
// Lets a listener restarted at once take its port back from connections
// still closing, where that does not also let a second listener share it.
void AllowQuickRebind(NativeSocket listener);
void CloseSocket(NativeSocket socket);
int LastSocketError();
bool ConnectInProgress(int error);
bool WouldBlock(int error);
bool Interrupted(int error);
// How the connect of `socket` ended, now that the loop reported it `ready`:
// 0, an error, or one ConnectInProgress accepts while it is still under way.
int ConnectOutcome(NativeSocket socket, IoEvent ready);
// Waits at most `wait_ms` for room to send; false when none came.
bool WaitWritable(NativeSocket socket, int wait_ms);
// The project's error for a socket call's code, and for a failed lookup's.
SystemError SocketError(int code);
SystemError ResolveError(int code);
std::string SocketsVersionText();
std::string SystemHostName();

}  // namespace korvex
