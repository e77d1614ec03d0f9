// Threads started by the toolkit or by the log file's writer inherit the
// signal mask of the thread that starts them. With SIGINT and SIGTERM blocked
// from the start of main, the signals reach only the loop's signal
// descriptor; a thread that left them open would take them and end the
// process without its close.
#pragma once

#include <csignal>

namespace korvex {

inline void BlockTerminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

}  // namespace korvex
