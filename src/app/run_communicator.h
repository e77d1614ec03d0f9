// What every communicator binary does once its view and message boxes stand:
// the window on this platform's socket, host desktop and serial port, run on
// `loop` until it closes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/log_options.h"
#include "native_platform.h"
#include "platform/termination_signals.h"
#include "shell/korvex_window.h"

namespace korvex {

// Exit status: the run ended as intended, but what it wrote to standard
// output did not get there whole.
inline constexpr int kExitOutputLost = 7;

// What a front end adds to the run; each step may be left empty.
struct FrontEndSteps {
  // Before the window is created: hands it the view's events or options.
  std::function<void(TDlgKORVEX&)> prepare;
  // Once the window is created.
  std::function<void()> show;
  // After the window has taken a termination signal.
  std::function<void()> after_signal;
};

// Returns the exit status: how the window's run ended.
inline int RunCommunicator(EventLoop& loop, OperationsLog& log, MessageBoxes& boxes,
                           std::vector<std::string> arguments, const FrontEndSteps& steps) {
  NativeSocketClient socket;
  NativeHostDesktop desktop(loop);
  NativeSerialPort serial_port;
  TDlgKORVEX window({loop, log.View(), boxes, socket, desktop, serial_port}, std::move(arguments));
  log.Attach(window);
  if (steps.prepare) steps.prepare(window);
  TerminationSignals termination(loop, [&window, &steps](int signal) {
    window.TerminationSignal(signal);
    if (steps.after_signal) steps.after_signal();
  });
  window.FormCreate();
  if (steps.show) steps.show();
  loop.Run();
  window.FormDestroy();
  return static_cast<int>(window.Result());
}

}  // namespace korvex
