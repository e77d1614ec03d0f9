// A socket client whose peer is the test: bytes the peer sends travel
// through a real socket pair, so the event loop sees them arrive.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/socket_client.h"
#include "test_sockets.h"

namespace korvex {

class FakeSocketClient : public SocketClient {
 public:
  // kRefusedLater: the connect is under way at first and fails in the loop.
  enum class ConnectBehaviour { kAtOnce, kLater, kNever, kRefused, kRefusedLater };

  ~FakeSocketClient() override {
    Disconnect();
    CloseIdle();
  }

  ConnectState Connect(const std::string& host, int port) override {
    Disconnect();
    ++connects;
    last_host = host;
    last_port = port;
    if (behaviour == ConnectBehaviour::kRefused) return ConnectState::kFailed;
    IoHandle pair[2];
    if (!OpenTestSocketPair(pair)) return ConnectState::kFailed;
    fd_ = pair[0];
    peer_fd_ = pair[1];
    ++open_sockets;
    if (behaviour == ConnectBehaviour::kAtOnce) {
      connected_ = true;
      return ConnectState::kConnected;
    }
    return ConnectState::kInProgress;
  }

  ConnectState FinishConnect(IoEvent) override {
    if (behaviour == ConnectBehaviour::kRefusedLater) {
      Disconnect();
      return ConnectState::kFailed;
    }
    connected_ = true;
    return ConnectState::kConnected;
  }

  bool Connected() const override { return connected_; }

  void Disconnect() override {
    if (fd_ != kNoIoHandle) {
      CloseTestHandle(fd_);
      --open_sockets;
    }
    CloseTestHandle(peer_fd_);
    fd_ = peer_fd_ = kNoIoHandle;
    connected_ = false;
  }

  IoHandle Handle() const override {
    // A connect that never completes: a descriptor that never becomes ready.
    if (behaviour == ConnectBehaviour::kNever && !connected_) return IdleDescriptor();
    return fd_;
  }

  bool Receive(std::string& into) override {
    char chunk[512];
    for (;;) {  // one chunk a call, as the real one
      const std::ptrdiff_t n = ReadTestHandle(fd_, chunk, sizeof chunk);
      if (n > 0) {
        into.append(chunk, static_cast<std::size_t>(n));
        return true;
      }
      return n < 0;  // 0: the peer closed
    }
  }

  bool Write(std::string_view data) override {
    if (fail_writes) return false;
    written.emplace_back(data);
    if (on_write) on_write(std::string(data));
    return true;
  }

  std::string LastError() const override { return "spojení odmítnuto"; }
  std::string VersionText() const override { return "fake 1.0"; }
  std::string LocalHostName() const override { return "testhost"; }

  // The peer's side.
  void PeerSend(std::string_view bytes) const {
    if (peer_fd_ != kNoIoHandle) (void)!WriteTestHandle(peer_fd_, bytes.data(), bytes.size());
  }
  void PeerClose() {
    CloseTestHandle(peer_fd_);
    peer_fd_ = kNoIoHandle;
  }

  ConnectBehaviour behaviour = ConnectBehaviour::kAtOnce;
  bool fail_writes = false;  // every write fails as on a broken connection
  std::function<void(const std::string&)> on_write;
  std::vector<std::string> written;
  int connects = 0;
  int open_sockets = 0;
  std::string last_host;
  int last_port = 0;

 private:
  IoHandle IdleDescriptor() const {
    // A listener nobody connects to.
    int port = 0;
    if (idle_ == kNoIoHandle) idle_ = OpenTestListener(port);
    return idle_;
  }
  void CloseIdle() {
    CloseTestHandle(idle_);
    idle_ = kNoIoHandle;
  }

  IoHandle fd_ = kNoIoHandle;
  IoHandle peer_fd_ = kNoIoHandle;
  bool connected_ = false;
  mutable IoHandle idle_ = kNoIoHandle;
};

}  // namespace korvex
