// korvex.exe: the communicator in its window on Windows.
#include <string>
#include <vector>

#include "app/log_options.h"
#include "native_platform.h"
#include "platform/termination_signals.h"
#include "shell/korvex_window.h"
#include "win32gui/main_view_win32.h"
#include "win32gui/message_boxes_win32.h"

int main(int argc, char** argv) {
  korvex::LogOptions log_options;
  std::vector<std::string> arguments;
  if (const auto status = korvex::ParseWindowCommandLine(argc, argv, log_options, arguments)) {
    return *status;
  }

  korvex::NativeEventLoop loop;
  korvex::Win32MainView view([&loop] { loop.Quit(); });
  korvex::OperationsLog log(view, log_options);
  korvex::Win32MessageBoxes boxes(view.Window());
  korvex::NativeSocketClient socket;
  korvex::NativeHostDesktop desktop(loop);
  korvex::NativeSerialPort serial_port;
  korvex::TDlgKORVEX window({loop, log.View(), boxes, socket, desktop, serial_port},
                            std::move(arguments));
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
