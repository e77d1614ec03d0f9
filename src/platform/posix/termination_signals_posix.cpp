#include "platform/termination_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace korvex {

// The signals blocked for the process and read from a signalfd.
struct TerminationSignals::Source {
  int fd = -1;
  std::unique_ptr<IoWatch> watch;

  ~Source() {
    watch.reset();
    if (fd >= 0) close(fd);
  }
};

namespace {

sigset_t RequestSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signal);
  return set;
}

}  // namespace

const char* TerminationSignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "SIGTERM";
  }
}

// A signal only asks; the process ends when it is done.
int TerminationGraceMs(int) {
  return 0;
}

void BlockTerminationSignals() {
  const sigset_t set = RequestSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignals::TerminationSignals(EventLoop& loop, std::function<void(int)> on_signal)
    : source_(std::make_unique<Source>()) {
  const sigset_t set = RequestSignals();
  sigprocmask(SIG_BLOCK, &set, nullptr);
  const int fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd < 0) return;
  source_->fd = fd;
  source_->watch = loop.WatchIo(fd, [fd, on_signal = std::move(on_signal)](IoEvent) {
    signalfd_siginfo info{};
    while (read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      on_signal(static_cast<int>(info.ssi_signo));
    }
  });
}

TerminationSignals::~TerminationSignals() = default;

}  // namespace korvex
