#include <atomic>
#include <csignal>

#include "platform/termination_signals.h"
#include "platform/win32/winsock_win32.h"

namespace korvex {
namespace {

// How long a console that is being closed waits for the loop to finish; the
// system ends the process a little later in any case (about 5 s after the
// event).
constexpr DWORD kCloseGraceMs = 4500;
// What of that the writes still queued may take, the rest being the close.
constexpr int kCloseDrainMs = 3500;

// Windows calls the handler on a thread of its own; it hands the request to
// the loop as a byte on a socket the loop watches, as a signal handler
// would, and never waits for the loop itself.
std::atomic<SOCKET> request_socket{INVALID_SOCKET};
HANDLE loop_finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);

BOOL WINAPI ConsoleRequest(DWORD type) {
  const SOCKET socket = request_socket.load();
  if (socket == INVALID_SOCKET) return FALSE;
  const bool interrupt = type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT;
  const char signal = static_cast<char>(interrupt ? SIGINT : SIGTERM);
  send(socket, &signal, 1, 0);
  // Returning from a close lets the system end the process at once.
  if (!interrupt) WaitForSingleObject(loop_finished, kCloseGraceMs);
  return TRUE;
}

}  // namespace

// Ctrl+C and Ctrl+Break come as SIGINT, the console's close, logoff and
// shutdown as SIGTERM.
const char* TerminationSignalName(int signal) {
  return signal == SIGINT ? "SIGINT" : "SIGTERM";
}

// The console's close, logoff and shutdown end the process soon after.
int TerminationGraceMs(int signal) {
  return signal == SIGTERM ? kCloseDrainMs : 0;
}

// The console's requests come on a thread of the system's own; there is no
// mask to set.
void BlockTerminationSignals() {}

struct TerminationSignals::Source {
  ~Source() {
    SetConsoleCtrlHandler(ConsoleRequest, FALSE);
    request_socket = INVALID_SOCKET;
    watch.reset();
    for (SOCKET end : ends) {
      if (end != INVALID_SOCKET) closesocket(end);
    }
    SetEvent(loop_finished);
  }

  SOCKET ends[2] = {INVALID_SOCKET, INVALID_SOCKET};
  std::unique_ptr<IoWatch> watch;
};

TerminationSignals::TerminationSignals(EventLoop& loop, std::function<void(int)> on_signal)
    : source_(std::make_unique<Source>()) {
  if (!OpenLoopbackPair(source_->ends)) return;
  const SOCKET received = source_->ends[0];
  source_->watch = loop.WatchIo(static_cast<IoHandle>(received),
                                [received, on_signal = std::move(on_signal)](IoEvent) {
                                  char signal = 0;
                                  while (recv(received, &signal, 1, 0) == 1) on_signal(signal);
                                });
  ResetEvent(loop_finished);
  request_socket = source_->ends[1];
  SetConsoleCtrlHandler(ConsoleRequest, TRUE);
}

TerminationSignals::~TerminationSignals() = default;

}  // namespace korvex
