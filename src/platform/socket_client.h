// The TCP socket client the transport drives. Nothing here blocks for long:
// a connect is started and finished when the descriptor turns writable, and a
// receive step takes only what has already arrived.
#pragma once

#include <string>
#include <string_view>

#include "platform/event_loop.h"

namespace korvex {

enum class ConnectState { kConnected, kInProgress, kFailed };

class SocketClient {
 public:
  virtual ~SocketClient() = default;
  // Opens a socket and starts connecting to host:port.
  virtual ConnectState Connect(const std::string& host, int port) = 0;
  // Called once the descriptor of a connect in progress is ready, with the
  // readiness the loop reported.
  virtual ConnectState FinishConnect(IoEvent ready) = 0;
  virtual bool Connected() const = 0;
  // Closes the socket; does nothing when none is open.
  virtual void Disconnect() = 0;
  // The socket for the event loop, kNoIoHandle when none is open.
  virtual IoHandle Handle() const = 0;
  // Appends what has arrived to `into`, at most one chunk of a few KiB, so a
  // peer that never pauses cannot hold the loop in one event; the rest is
  // left for the next readable event. False when the peer has closed the
  // connection or it failed (the bytes before that are appended).
  virtual bool Receive(std::string& into) = 0;
  // Sends all of `data` before returning; false on a socket error.
  virtual bool Write(std::string_view data) = 0;
  // Why the last operation failed, for the log.
  virtual std::string LastError() const = 0;
  virtual std::string VersionText() const = 0;
  virtual std::string LocalHostName() const = 0;
};

}  // namespace korvex
