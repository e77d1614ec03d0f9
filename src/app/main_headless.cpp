// korvex-headless: the communicator without a display. The log goes to
// standard output, message boxes to standard error, answered by --assume;
// the exit status says how the run ended. A log that cannot be written never
// ends the run.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "app/czech_cli.h"
#include "app/run_communicator.h"
#include "console/console_message_boxes.h"
#include "console/console_output.h"
#include "console/console_view.h"
#include "console/standard_output.h"
#include "platform/command_line.h"
#include "platform/console_setup.h"

namespace {

// The exit statuses are the window's RunOutcome values and, for a bad command
// line, korvex::kExitBadCommandLine. The formatter wraps the paragraphs to
// the help's width.
constexpr const char* kFooter =
    "Bez obsluhy se na otázky Ano/Ne odpovídá až asi sekundu po jejich položení, jako by "
    "odpovídal člověk. V režimu RUN (/DDE) se na otázku „Chyba komunikace ! Přerušit ?“ "
    "odpoví pokaždé podle --assume (výchozí Ne: zkusit znovu), takže výpadek řadiče "
    "jakkoli dlouhý neztratí nic, co nadřízená aplikace zadala, a běh ukončí až její "
    "CLOSE. Při nahrávání projektu se na ni od jejího pátého položení odpoví Ano bez "
    "ohledu na --assume, takže nahrávání do řadiče, který přestal odpovídat, skončí samo. "
    "Dialogy se vypisují na standardní chybový výstup, záznam událostí na standardní "
    "výstup.\n"
    "\n"
    "Návratový kód:\n"
    "  0  běh skončil, jak měl (projekt nahrán, CLOSE od nadřízené aplikace, SIGINT/SIGTERM/SIGHUP)\n"
    "  1  konfigurační soubor chybí, nelze jej číst nebo je chybný\n"
    "  2  chybný příkazový řádek\n"
    "  3  projekt se měl odeslat, ale spojení nešlo otevřít ani navázat\n"
    "  4  nahrání odmítnuto (firmware mimo rozsah projektu, odpověď Ne)\n"
    "  5  nahrání selhalo nebo bylo přerušeno (i signálem během nahrávání)\n"
    "  6  s --verify: řadič po nahrání nedrží projekt (položky se liší nebo je nelze přečíst)\n"
    "  7  práce skončila, jak měla, ale záznam nešlo celý zapsat na standardní výstup";

int RunHeadless(int argc, char** argv) {
  std::string assume = "no";
  CLI::App app{
      "Komunikátor pro systémy Vardos line 2 (COM+TCP) bez grafického okna.\n"
      "Argumentem /DDE se spouští režim pro nadřízenou aplikaci; volby mohou stát "
      "před ním i za ním.",
      "korvex-headless"};
  korvex::UseCzechCommandLine(app, korvex::kVersionCaption);
  app.footer(kFooter);
  app.add_option("--assume", assume, "Odpověď na otázky Ano/Ne v dialozích (yes nebo no).")
      ->type_name("yes|no")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            return text == "yes" || text == "no" ? std::string{} : "'" + text + "' není yes ani no";
          },
          ""))
      ->default_str("no");
  bool verify = false;
  app.add_flag("--verify", verify,
               "Po nahrání projektu přečte jeho položky z řadiče zpět a porovná je s projektem.");
  korvex::LogOptions log_options;
  std::vector<std::string> window_arguments;
  if (const auto status =
          korvex::ParseCommunicatorCommandLine(app, argc, argv, log_options, window_arguments)) {
    return *status;
  }

  korvex::NativeEventLoop loop;
  korvex::ConsoleOutput out;
  korvex::ConsoleView console(out, [&loop] { loop.Quit(); });
  korvex::OperationsLog log(console, log_options);
  korvex::ConsoleMessageBoxes boxes(out, stderr, assume == "yes");
  boxes.AnswerAfter(loop, korvex::kUnattendedAnswerDelayMs);
  if (!korvex::HostModeArguments(window_arguments)) {
    boxes.YesFrom(korvex::kCommErrorQuestion, korvex::kUnattendedCommQuestions);
  }
  korvex::FrontEndSteps steps;
  steps.prepare = [verify](korvex::TDlgKORVEX& window) { window.SetVerifyUpload(verify); };
  return korvex::RunCommunicator(loop, log, boxes, std::move(window_arguments), steps);
}

}  // namespace

int main(int argc, char** argv) {
  korvex::TakeUtf8CommandLine(argc, argv);
  korvex::PrepareConsoleOutput();
  korvex::SetOutputProgramName("korvex-headless");
  korvex::BlockTerminationSignals();
  return korvex::ExitStatusAfterOutput(RunHeadless(argc, argv), korvex::kExitOutputLost);
}
