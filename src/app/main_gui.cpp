// korvex: the communicator in its window.
#include <QApplication>
#include <clocale>
#include <string>
#include <vector>

#include "app/log_options.h"
#include "gui/main_form.h"
#include "gui/qt_event_loop.h"
#include "gui/qt_main_view.h"
#include "gui/qt_message_boxes.h"
#include "gui/utf8_text.h"
#include "platform/posix/host_desktop_posix.h"
#include "platform/tcp_socket_client.h"
#include "platform/posix/serial_port_posix.h"
#include "platform/termination_signals.h"
#include "shell/form_layout.h"
#include "shell/korvex_window.h"

int main(int argc, char** argv) {
  korvex::BlockTerminationSignals();
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
  korvex::TcpSocketClient socket;
  korvex::PosixHostDesktop desktop(loop);
  korvex::SystemSerialPort serial_port;
  korvex::TDlgKORVEX window({loop, log.View(), boxes, socket, desktop, serial_port},
                            std::move(arguments));
  log.Attach(window);
  view.SetEvents(window);
  korvex::TerminationSignals termination(loop, [&window](int signal) {
    window.TerminationSignal(signal);
    // An open box would hold the window in its own loop; it goes as by Escape.
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  window.FormCreate();
  view.Form().show();
  loop.Run();
  window.FormDestroy();
  return static_cast<int>(window.Outcome);
}
