#include "platform/io_poller.h"

#include "platform/win32/winsock_win32.h"

namespace korvex {

// WSAPoll takes sockets only, so the wake-up is a byte on a loopback pair.
struct IoPoller::State {
  State() { OpenLoopbackPair(wake); }
  ~State() {
    for (SOCKET end : wake) {
      if (end != INVALID_SOCKET) closesocket(end);
    }
  }
  SOCKET wake[2] = {INVALID_SOCKET, INVALID_SOCKET};
};

IoPoller::IoPoller() : state_(std::make_unique<State>()) {}
IoPoller::~IoPoller() = default;

bool IoPoller::Poll(const std::vector<Interest>& interests, int timeout_ms,
                    std::vector<Readiness>& ready) {
  std::vector<WSAPOLLFD> fds;
  fds.reserve(interests.size() + 1);
  fds.push_back({state_->wake[0], POLLRDNORM, 0});
  for (const Interest& interest : interests) {
    fds.push_back({static_cast<SOCKET>(interest.handle),
                   static_cast<SHORT>(POLLRDNORM | (interest.want_write ? POLLWRNORM : 0)), 0});
  }
  if (WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), timeout_ms) <= 0) return false;
  if (fds[0].revents & POLLRDNORM) {
    char drained[64];
    while (recv(state_->wake[0], drained, sizeof drained, 0) > 0) {
    }
  }
  ready.assign(interests.size(), Readiness::kNone);
  for (std::size_t i = 1; i < fds.size(); ++i) {
    const SHORT ev = fds[i].revents;
    if (ev & (POLLRDNORM | POLLERR | POLLHUP | POLLNVAL)) {
      ready[i - 1] = Readiness::kReadable;
    } else if (ev & POLLWRNORM) {
      ready[i - 1] = Readiness::kWritable;
    }
  }
  return true;
}

void IoPoller::Wake() {
  const char one = 1;
  // A full buffer means a wake-up is pending already.
  send(state_->wake[1], &one, 1, 0);
}

}  // namespace korvex
