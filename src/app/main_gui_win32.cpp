// korvex.exe: the communicator in its window on Windows.
#include <string>
#include <vector>

#include "app/run_communicator.h"
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
  korvex::FrontEndSteps steps;
  steps.prepare = [&view](korvex::TDlgKORVEX& window) { view.SetEvents(window); };
  steps.show = [&view] { view.Show(); };
  return korvex::RunCommunicator(loop, log, boxes, std::move(arguments), steps);
}
