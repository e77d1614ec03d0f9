// A request to end the process (SIGINT, SIGTERM and SIGHUP on POSIX, the
// console's Ctrl+C and close on Windows) delivered as an event of the message
// loop, so that the handler may do anything the window's logic does. A
// terminal or session that goes away (SIGHUP) ends the run as SIGTERM does.
#pragma once

#include <functional>
#include <memory>

#include "platform/event_loop.h"

namespace korvex {

// Called first in main, before any thread starts: threads that the toolkit
// or the log file's writer start inherit the mask, so the requests reach the
// loop and no other thread ends the process without its close.
void BlockTerminationSignals();

// "SIGINT", "SIGTERM" or "SIGHUP": the request as the log names it.
const char* TerminationSignalName(int signal);

// How long the system lets the process live after the request `signal`, in
// milliseconds, with room for the close itself; 0: as long as it takes.
int TerminationGraceMs(int signal);

class TerminationSignals {
 public:
  // Takes the requests away from their default action and calls `on_signal`
  // with the signal number on the loop thread.
  TerminationSignals(EventLoop& loop, std::function<void(int)> on_signal);
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  struct Source;
  std::unique_ptr<Source> source_;
};

}  // namespace korvex
