#include "transport/tcp_client.h"

namespace korvex {

TMyTCPClient::TMyTCPClient(EventLoop& loop, SocketClient& client) : loop_(loop), client_(client) {}

TMyTCPClient::~TMyTCPClient() {
  if (Connected || connecting_) Disconnect();
}

bool TMyTCPClient::Connect() {
  if (Connected || connecting_) Disconnect();
  ConnectFailed = false;
  last_error_.clear();
  switch (client_.Connect(Host, Port)) {
    case ConnectState::kConnected:
      ClientConnected();
      return true;
    case ConnectState::kInProgress:
      connecting_ = true;
      Watch(true);
      return false;
    case ConnectState::kFailed:
      break;
  }
  last_error_ = client_.LastError();
  ConnectFailed = true;
  client_.Disconnect();
  return false;
}

void TMyTCPClient::Disconnect() {
  watch_.reset();
  client_.Disconnect();
  connecting_ = false;
  Connected = false;
}

void TMyTCPClient::GiveUp(std::string why) {
  Disconnect();
  if (last_error_.empty()) last_error_ = std::move(why);
}

bool TMyTCPClient::WriteString(std::string_view data) {
  if (client_.Write(data)) return true;
  last_error_ = client_.LastError();
  Disconnect();
  return false;
}

void TMyTCPClient::ClientConnected() {
  connecting_ = false;
  RxBuffer.clear();
  Connected = true;
  // The socket stays watched as it was during the connect: watching it anew
  // costs system calls and may lose an event that came meanwhile.
  if (watch_) {
    watch_->SetWantWrite(false);
  } else {
    Watch(false);
  }
}

void TMyTCPClient::Watch(bool want_write) {
  watch_.reset();  // one watch per descriptor at a time
  watch_ = loop_.WatchIo(client_.Handle(), [this](IoEvent event) { OnSocketEvent(event); });
  watch_->SetWantWrite(want_write);
}

void TMyTCPClient::OnSocketEvent(IoEvent event) {
  if (connecting_) {
    switch (client_.FinishConnect(event)) {
      case ConnectState::kConnected:
        ClientConnected();
        break;
      case ConnectState::kInProgress:
        break;
      case ConnectState::kFailed:
        last_error_ = client_.LastError();
        ConnectFailed = true;
        Disconnect();
        break;
    }
    return;
  }
  // Everything that has arrived goes to RxBuffer before a close is noticed,
  // so an answer followed at once by the peer's close is kept.
  const std::size_t before = RxBuffer.size();
  const bool open = client_.Receive(RxBuffer);
  if (OnReceived && RxBuffer.size() > before) {
    OnReceived(std::string_view(RxBuffer).substr(before));
  }
  // An answer is at most 259 bytes and sits at the end of what a peer sent;
  // older bytes beyond the limit are noise, and keeping them would let a
  // flooding peer fill the memory.
  if (RxBuffer.size() > kRxBufferLimit) RxBuffer.erase(0, RxBuffer.size() - kRxBufferLimit);
  if (!open) {
    last_error_ = client_.LastError();
    Disconnect();
  }
}

}  // namespace korvex
