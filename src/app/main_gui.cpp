// korvex: the communicator in its window.
#include <QApplication>
#include <clocale>
#include <string>
#include <vector>

#include "app/run_communicator.h"
#include "console/standard_output.h"
#include "gui/main_form.h"
#include "gui/qt_event_loop.h"
#include "gui/qt_main_view.h"
#include "gui/qt_message_boxes.h"
#include "gui/utf8_text.h"
#include "platform/config_location.h"
#include "platform/console_setup.h"
#include "shell/form_layout.h"

namespace {

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  // Qt has set the user's locale; numbers are still read and written the C
  // way, and the log asks for the user's decimal separator itself.
  std::setlocale(LC_NUMERIC, "C");
  // The name, not the display name: Qt would append a display name to the
  // window's caption.
  QApplication::setApplicationName(korvex::FromUtf8(korvex::kApplicationTitle));
  // The window is laid out to the pixel; a desktop style must not change it.
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setFont(korvex::FormFont());

  // QApplication has taken out the options it knows; those of another
  // platform plugin and the window's own arguments stay for the window.
  korvex::LogOptions log_options;
  std::vector<std::string> arguments;
  if (const auto status = korvex::ParseWindowCommandLine(argc, argv, log_options, arguments)) {
    return *status;
  }

  korvex::QtEventLoop loop;
  korvex::QtMainView view([&loop] { loop.Quit(); });
  korvex::OperationsLog log(view, log_options);
  korvex::QtMessageBoxes boxes(&view.Form());
  korvex::FrontEndSteps steps;
  steps.prepare = [&view](korvex::TDlgKORVEX& window) {
    view.SetEvents(window);
    // Made on the first start, so that the menu's next start finds it.
    if (const auto folder = korvex::PrepareMenuConfigFolder()) window.UseMenuConfigFolder(*folder);
  };
  steps.show = [&view] { view.Form().show(); };
  steps.after_signal = [] {
    // An open box would hold the window in its own loop; it goes as by Escape.
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  };
  return korvex::RunCommunicator(loop, log, boxes, std::move(arguments), steps);
}

}  // namespace

int main(int argc, char** argv) {
  korvex::PrepareConsoleOutput();
  korvex::SetOutputProgramName("korvex");
  korvex::BlockTerminationSignals();
  return korvex::ExitStatusAfterOutput(RunWindow(argc, argv), korvex::kExitOutputLost);
}
