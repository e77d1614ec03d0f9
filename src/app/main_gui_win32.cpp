// korvex.exe: the communicator in its window on Windows.
#include <sstream>
#include <string>
#include <vector>

#include "app/run_communicator.h"
#include "locale/runtime_texts.h"
#include "platform/command_line.h"
#include "win32gui/main_view_win32.h"
#include "win32gui/message_boxes_win32.h"

namespace {

// A window program has no console to print to: its help, its version and a
// wrong command line show in a box, as other Windows programs show them.
void ShowCommandLineEnd(int status, const std::string& out, const std::string& err) {
  korvex::RuntimeTexts czech;
  czech.InstallCzechTexts();
  const bool error = status != 0;
  std::string text = error ? err : out;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  korvex::Win32MessageBoxes boxes;
  boxes.UseTexts(&czech);
  boxes.Show(error ? korvex::MessageKind::kError : korvex::MessageKind::kInformation, text, {});
}

}  // namespace

int main(int argc, char** argv) {
  korvex::TakeUtf8CommandLine(argc, argv);
  korvex::LogOptions log_options;
  std::vector<std::string> arguments;
  std::ostringstream out;
  std::ostringstream err;
  if (const auto status =
          korvex::ParseWindowCommandLine(argc, argv, log_options, arguments, out, err)) {
    ShowCommandLineEnd(*status, out.str(), err.str());
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
