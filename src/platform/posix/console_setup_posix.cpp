#include <csignal>

#include "platform/console_setup.h"

namespace korvex {

// A POSIX terminal takes the bytes as they are. A reader that has gone (a
// closed pipe) makes a write fail instead of ending the process: what is
// written is never worth the work.
void PrepareConsoleOutput() {
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace korvex
