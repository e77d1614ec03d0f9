#include "platform/io_poller.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace korvex {

struct IoPoller::State {
  ~State() {
    if (wake_fd >= 0) close(wake_fd);
  }
  int wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
};

IoPoller::IoPoller() : state_(std::make_unique<State>()) {}
IoPoller::~IoPoller() = default;

bool IoPoller::Poll(const std::vector<Interest>& interests, int timeout_ms,
                    std::vector<Readiness>& ready) {
  std::vector<pollfd> fds;
  fds.reserve(interests.size() + 1);
  fds.push_back({state_->wake_fd, POLLIN, 0});
  for (const Interest& interest : interests) {
    fds.push_back({static_cast<int>(interest.handle),
                   static_cast<short>(POLLIN | (interest.want_write ? POLLOUT : 0)), 0});
  }
  if (poll(fds.data(), fds.size(), timeout_ms) <= 0) return false;
  if (fds[0].revents & POLLIN) {
    std::uint64_t count = 0;
    while (read(state_->wake_fd, &count, sizeof count) > 0) {
    }
  }
  TakeReadiness(fds, POLLIN | POLLERR | POLLHUP | POLLNVAL, POLLOUT, ready);
  return true;
}

void IoPoller::Wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto written = write(state_->wake_fd, &one, sizeof one);
}

}  // namespace korvex
