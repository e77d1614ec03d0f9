// korvex-headless: the communicator without a display. The log goes to
// standard output; message boxes are answered by --assume.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "app/czech_cli.h"
#include "platform/console_message_boxes.h"
#include "platform/console_output.h"
#include "platform/console_view.h"
#include "platform/host_desktop_posix.h"
#include "platform/posix_event_loop.h"
#include "platform/posix_socket_client.h"
#include "platform/termination_signals.h"
#include "shell/korvex_window.h"

int main(int argc, char** argv) {
  std::string assume = "no";
  std::vector<std::string> ignored;
  CLI::App app{
      "Komunikátor pro systémy Vardos line 2 (COM+TCP) bez grafického okna.\n"
      "Prvním argumentem /DDE se spouští režim pro nadřízenou aplikaci; "
      "vlastní volby následují za ním.",
      "korvex-headless"};
  korvex::UseCzechCliMessages(app);
  app.add_option("--assume", assume, "Odpověď na otázky Ano/Ne v dialozích (yes nebo no).")
      ->check(CLI::IsMember({"yes", "no"}))
      ->default_str("no");
  app.add_option("arguments", ignored, "Argumenty předané komunikátoru (/DDE).");
  CLI11_PARSE(app, argc, argv);

  korvex::PosixEventLoop loop;
  korvex::ConsoleOutput out;
  korvex::ConsoleView view(out, [&loop] { loop.Quit(); });
  korvex::ConsoleMessageBoxes boxes(out, assume == "yes");
  korvex::PosixSocketClient socket;
  korvex::PosixHostDesktop desktop(loop);
  korvex::TDlgKORVEX window({loop, view, boxes, socket, desktop},
                            std::vector<std::string>(argv + 1, argv + argc));
  korvex::TerminationSignals signals(loop,
                                     [&window](int signal) { window.TerminationSignal(signal); });
  window.FormCreate();
  loop.Run();
  window.FormDestroy();
  return 0;
}
