#include "platform/termination_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace korvex {

TerminationSignals::TerminationSignals(EventLoop& loop, std::function<void(int)> on_signal) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd_ < 0) return;
  watch_ = loop.WatchFd(fd_, [this, on_signal = std::move(on_signal)](FdEvent) {
    signalfd_siginfo info{};
    while (read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      on_signal(static_cast<int>(info.ssi_signo));
    }
  });
}

TerminationSignals::~TerminationSignals() {
  watch_.reset();
  if (fd_ >= 0) close(fd_);
}

}  // namespace korvex
