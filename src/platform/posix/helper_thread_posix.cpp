#include "platform/helper_thread.h"

#include <signal.h>

namespace korvex {

std::thread StartHelperThread(std::function<void()> body) {
  // A new thread inherits the signal mask of the thread that starts it.
  sigset_t all;
  sigset_t before;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &before);
  std::thread thread(std::move(body));
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return thread;
}

}  // namespace korvex
