#include "platform/io_poller.h"

#include <atomic>

#include "platform/win32/winsock_win32.h"

namespace korvex {

// WSAPoll takes sockets only, so while sockets are watched the wake-up is a
// byte on a loopback pair. Socket calls cost far more than an event, so a
// wait for nothing but the wake-up waits on an event, and a byte that is
// already on its way is not sent again.
struct IoPoller::State {
  State() { OpenLoopbackPair(wake); }
  ~State() {
    for (SOCKET end : wake) {
      if (end != INVALID_SOCKET) closesocket(end);
    }
    CloseHandle(woken);
  }
  SOCKET wake[2] = {INVALID_SOCKET, INVALID_SOCKET};
  std::atomic<bool> wake_sent{false};
  HANDLE woken = CreateEventA(nullptr, FALSE, FALSE, nullptr);
};

IoPoller::IoPoller() : state_(std::make_unique<State>()) {}
IoPoller::~IoPoller() = default;

bool IoPoller::Poll(const std::vector<Interest>& interests, int timeout_ms,
                    std::vector<Readiness>& ready) {
  if (interests.empty()) {
    // A wake-up with nothing else to wait for: the caller's own checks
    // cover one that came before.
    if (timeout_ms == 0) return false;
    const DWORD wait = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
    if (WaitForSingleObject(state_->woken, wait) != WAIT_OBJECT_0) return false;
    ready.clear();
    return true;
  }
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
    // Cleared after the bytes are taken: a byte sent between clearing and
    // draining would go with them and leave the flag set, so that no later
    // wake-up would send one. A wake-up that found the flag still set came
    // before this poll returned, and the caller sees its call.
    state_->wake_sent = false;
  }
  TakeReadiness(fds, POLLRDNORM | POLLERR | POLLHUP | POLLNVAL, POLLWRNORM, ready);
  return true;
}

void IoPoller::Wake() {
  SetEvent(state_->woken);
  if (state_->wake_sent.exchange(true)) return;
  const char one = 1;
  send(state_->wake[1], &one, 1, 0);
}

}  // namespace korvex
