// The TCP socket client over POSIX sockets: non-blocking, TCP_NODELAY.
#pragma once

#include <string>

#include "platform/socket_client.h"

namespace korvex {

class PosixSocketClient : public SocketClient {
 public:
  ~PosixSocketClient() override;

  ConnectState Connect(const std::string& host, int port) override;
  ConnectState FinishConnect() override;
  bool Connected() const override { return connected_; }
  void Disconnect() override;
  IoHandle Handle() const override { return fd_; }
  bool Receive(std::string& into) override;
  bool Write(std::string_view data) override;
  std::string LastError() const override { return last_error_; }
  std::string VersionText() const override;
  std::string LocalHostName() const override;

 private:
  ConnectState Fail(int error);

  int fd_ = -1;
  bool connected_ = false;
  std::string last_error_;
};

}  // namespace korvex
