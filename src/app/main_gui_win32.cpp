// korvex.exe: the communicator in its window on Windows.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "app/czech_cli.h"
#include "app/log_options.h"
#include "app/window_arguments.h"
#include "native_platform.h"
#include "platform/termination_signals.h"
#include "shell/korvex_window.h"
#include "win32gui/main_view_win32.h"
#include "win32gui/message_boxes_win32.h"

int main(int argc, char** argv) {
  // The log file's options as on Linux; every other argument is the window's.
  CLI::App cli{"Komunikátor pro systémy Vardos line 2 (COM+TCP).", "korvex"};
  korvex::UseCzechCommandLine(cli);
  cli.allow_extras();
  korvex::LogOptions log_options;
  korvex::AddLogOptions(cli, log_options);
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& end) {
    return korvex::ReportParseEnd(cli, end, std::cout, std::cerr);
  }
  korvex::TakeLogEnvironment(log_options);

  korvex::NativeEventLoop loop;
  korvex::Win32MainView view([&loop] { loop.Quit(); });
  korvex::OperationsLog log(view, log_options);
  korvex::Win32MessageBoxes boxes(view.Window());
  korvex::NativeSocketClient socket;
  korvex::NativeHostDesktop desktop(loop);
  korvex::NativeSerialPort serial_port;
  korvex::TDlgKORVEX window({loop, log.View(), boxes, socket, desktop, serial_port},
                            korvex::WindowArguments(cli.remaining()));
  log.Attach(window);
  view.SetEvents(window);
  korvex::TerminationSignals termination(
      loop, [&window](int signal) { window.TerminationSignal(signal); });
  window.FormCreate();
  view.Show();
  loop.Run();
  window.FormDestroy();
  return static_cast<int>(window.Outcome);
}
