#include "desktop_turn.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>

#include "platform/posix/host_desktop_posix.h"

namespace tolma {
namespace {

// Interrupts the blocking lock now and then, so that the bound is kept.
constexpr long kRecheckUs = 50000;

void Interrupt(int) {}

// "2 s", "0.5 s"
std::string Seconds(int milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", milliseconds / 1000.0);
  return text;
}

// Locks `fd`, waiting at most `wait_ms`; errno tells why not.
bool LockWithin(int fd, int wait_ms) {
  // Mostly the desktop is free, and no timer is needed.
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  struct sigaction wake {};
  wake.sa_handler = Interrupt;  // without SA_RESTART, so flock returns EINTR
  sigemptyset(&wake.sa_mask);
  struct sigaction previous {};
  sigaction(SIGALRM, &wake, &previous);
  const itimerval ticking{{0, kRecheckUs}, {0, kRecheckUs}};
  setitimer(ITIMER_REAL, &ticking, nullptr);
  int rc = 0;
  while ((rc = flock(fd, LOCK_EX)) != 0 && errno == EINTR &&
         std::chrono::steady_clock::now() < deadline) {
  }
  const int error = errno;
  const itimerval off{};
  setitimer(ITIMER_REAL, &off, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  errno = error;
  return rc == 0;
}

}  // namespace

bool DesktopTurn::Take(const std::string& desktop, int wait_ms, std::string& error) {
  const std::string directory = desktop.empty() ? korvex::DefaultDesktopDirectory() : desktop;
  if (!korvex::PrepareDesktopDirectory(directory, error)) return false;
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  held_ = fd;
  if (fd >= 0 && LockWithin(fd, wait_ms)) return true;
  error = errno == EINTR ? "plochu " + directory + " ani za " + Seconds(wait_ms) +
                               " neuvolnil jiný běh tolma"
                         : "plochu " + directory + " nelze zamknout (" +
                               korvex::DesktopErrorText(korvex::DesktopError(errno)) + ")";
  End();
  return false;
}

void DesktopTurn::End() {
  if (held_ >= 0) close(static_cast<int>(held_));
  held_ = -1;
}

}  // namespace tolma
