// Carries controller frames over TCP. Received bytes are moved into RxBuffer
// as soon as the socket is readable; the engine parses frames straight out of
// it while it pumps the event loop.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/socket_client.h"

namespace korvex {

// RxBuffer keeps at most this many of the newest bytes.
inline constexpr std::size_t kRxBufferLimit = 16 * 1024;

class TMyTCPClient {
 public:
  TMyTCPClient(EventLoop& loop, SocketClient& client);
  ~TMyTCPClient();
  TMyTCPClient(const TMyTCPClient&) = delete;
  TMyTCPClient& operator=(const TMyTCPClient&) = delete;

  // Starts a connection to Host:Port, dropping an open one first. True when
  // it stands at once; otherwise it completes (Connected) or fails
  // (ConnectFailed) later in the event loop.
  bool Connect();
  void Disconnect();
  // Drops a connect its caller stopped waiting for; `why` becomes the error
  // unless the socket has given one.
  void GiveUp(std::string why);
  // Sends the whole of `data` at once; a failed write drops the connection.
  bool WriteString(std::string_view data);

  bool Connecting() const { return connecting_; }
  SocketClient& Client() { return client_; }
  // The socket error that ended the last connection attempt or connection.
  const std::string& LastError() const { return last_error_; }

  bool Connected = false;
  // The last connection attempt failed; no connection will come of it.
  bool ConnectFailed = false;
  std::string Host = "127.0.0.1";
  int Port = 1998;
  std::string RxBuffer;
  // Sees every chunk as it arrives, before RxBuffer is trimmed.
  std::function<void(std::string_view)> OnReceived;

 private:
  void ClientConnected();
  void OnSocketEvent(IoEvent event);
  void Watch(bool want_write);

  EventLoop& loop_;
  SocketClient& client_;
  std::unique_ptr<IoWatch> watch_;
  bool connecting_ = false;
  std::string last_error_;
};

}  // namespace korvex
