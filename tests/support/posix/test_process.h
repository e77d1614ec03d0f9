// This test process and whether another one still runs, for naming scratch
// folders after their owner.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace korvex {

inline long TestProcessId() { return static_cast<long>(getpid()); }

inline bool ProcessGone(long id) {
  return kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
}

}  // namespace korvex
