// vx2ctl: reads and writes a VX2 controller's items over TCP or a serial
// line with the communicator's own protocol engine. Results go to standard output, the
// engine's log and errors to standard error.
#include <CLI/CLI.hpp>
#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "config_settings.h"
#include "controller_session.h"
#include "ctl_arguments.h"
#include "ctl_commands.h"
#include "console/standard_output.h"
#include "platform/console_setup.h"
#include "stderr_log.h"
#include "tool_cli.h"
#include "transport/serial.h"

namespace {

// Seconds as they are written on the command line, e.g. "3.0".
std::string SecondsText(double seconds) {
  char text[32];
  const auto written =
      std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, 1);
  return {text, written.ptr};
}

int RunVx2ctl(int argc, char** argv) {
  CLI::App app{
      "Čte a zapisuje položky řadiče VX2 přes TCP nebo sériovou linku protokolovým jádrem "
      "komunikátoru. "
      "Každý dotaz zkusí nejvýše třikrát.",
      "vx2ctl"};
  vx2::UseCzechCommandLine(app);

  vx2::ctl::SessionSettings settings;
  int port = settings.port;
  int address = settings.address;
  int relay = settings.relay;
  CLI::Option* host =
      app.add_option("--host", settings.host, "Adresa řadiče (jeho koncového bodu TCP).")
          ->type_name("ADRESA")
          ->capture_default_str();
  CLI::Option* tcp_port = app.add_option("--port", port, "Port TCP řadiče.")
                              ->type_name("PORT")
                              ->check(vx2::WholeNumberFromTo(1, 65535))
                              ->capture_default_str();
  CLI::Option* serial =
      app.add_option("--serial", settings.serial_device,
                     "Místo TCP sériová linka na tomto zařízení, např. /dev/ttyUSB0.")
          ->type_name("ZAŘÍZENÍ");
  CLI::Option* com = app.add_option("--com", settings.com,
                                    "Místo TCP port COM N jako v komunikátoru: zařízení z proměnné "
                                    "KORVEX_COMN, jinak /dev/ttyS(N-1).")
                         ->type_name("N")
                         ->check(vx2::WholeNumberFromTo(1, 255));
  CLI::Option* baud = app.add_option("--baud", settings.baud, "Rychlost sériové linky v Bd.")
                          ->type_name("RYCHLOST")
                          ->check(CLI::Validator(
                              [](std::string& text) -> std::string {
                                std::int32_t rate = 0;
                                const auto [end, error] =
                                    std::from_chars(text.data(), text.data() + text.size(), rate);
                                return error == std::errc{} && end == text.data() + text.size() &&
                                               korvex::IsAcceptedBaudrate(rate)
                                           ? std::string{}
                                           : "'" + text +
                                                 "' není rychlost linky (110 až 256000 Bd jako v "
                                                 "komunikátoru)";
                              },
                              ""))
                          ->capture_default_str();
  serial->excludes(com);
  for (CLI::Option* line : {serial, com}) {
    line->excludes(host);
    line->excludes(tcp_port);
  }
  app.add_option("--address", address, "Adresa řadiče.")
      ->type_name("ADRESA")
      ->check(vx2::WholeNumberFromTo(0, 255))
      ->capture_default_str();
  app.add_option("--relay", relay, "Adresa retranslace (první adresní bajt rámce).")
      ->type_name("ADRESA")
      ->check(vx2::WholeNumberFromTo(0, 255))
      ->capture_default_str();
  app.add_option("--timeout", settings.timeout, "Jak dlouho čekat na odpověď, v sekundách.")
      ->type_name("S")
      ->check(vx2::SecondsUpTo(3600))
      ->default_str(SecondsText(settings.timeout));
  std::string config;
  app.add_option("--config", config,
                 "Spojení (TCP, nebo PORT a RS485; ADDRESS, RETRANSLATION, TIMEOUT) z "
                 "konfiguračního souboru komunikátoru; volby uvedené zvlášť mají přednost.")
      ->type_name("SOUBOR");
  bool verbose = false;
  app.add_flag("--verbose", verbose,
               "Vypisuje i záznam protokolového jádra (spojení, pokusy) na standardní chybový "
               "výstup.");
  app.require_subcommand(1);
  app.fallthrough();

  std::vector<std::string> read_codes;
  CLI::App* read = app.add_subcommand("read", "Přečte položky a vypíše je, každou na řádek.");
  read->group("Příkazy");
  read->add_option("kódy", read_codes, "Kódy položek, např. 000102 000103.")
      ->type_name("KÓD")
      ->required();

  std::string write_code;
  std::string write_value;
  CLI::App* write = app.add_subcommand("write", "Zapíše hodnotu položky.");
  write->group("Příkazy");
  write->add_option("kód", write_code, "Kód položky, např. 000102.")->type_name("KÓD")->required();
  write->add_option("hodnota", write_value, "Hodnota: desítkově, nebo šestnáctkově s 0x.")
      ->type_name("HODNOTA")
      ->required();

  CLI::App* firmware = app.add_subcommand("firmware", "Vypíše číslo firmwaru řadiče a jeho text.");
  firmware->group("Příkazy");
  CLI::App* crc =
      app.add_subcommand("crc", "Vypíše kontrolní součet projektu v řadiči (šestnáctkově).");
  crc->group("Příkazy");
  CLI::App* verify = app.add_subcommand(
      "verify",
      "Přečte zpět všechny položky projektu z --config a vypíše každý rozdíl; stav 0: řadič "
      "drží projekt, 1: liší se (nebo nelze číst), 2: chybný příkaz.");
  verify->group("Příkazy");

  try {
    vx2::ParseArguments(app, argc, argv);
  } catch (const CLI::ParseError& end) {
    return vx2::ReportParseEnd(app, end, std::cout, std::cerr);
  }
  settings.port = static_cast<std::uint16_t>(port);
  settings.address = static_cast<std::uint8_t>(address);
  settings.relay = static_cast<std::uint8_t>(relay);

  std::string error;
  const auto given = [&app](std::string_view option) { return app.count(std::string(option)) > 0; };
  std::vector<std::string> project;  // the QQWRITE records, for verify
  if (!config.empty() && !vx2::ctl::SettingsFromConfig(config, given, settings, error, &project)) {
    std::cerr << "vx2ctl: " << error << "\n";
    return 2;
  }
  if (baud->count() > 0 && !settings.OnSerialLine()) {
    error = "volba --baud platí jen pro sériovou linku (--serial, --com nebo --config se sériovou "
            "linkou)";
  }
  if (verify->parsed() && config.empty()) {
    std::cerr << "vx2ctl: příkaz verify potřebuje projekt: --config SOUBOR\nNápověda: --help\n";
    return 2;
  }
  if (verify->parsed() && project.empty()) {
    std::cerr << "vx2ctl: konfigurační soubor " << config
              << " nemá žádné položky projektu (QQWRITE)\n";
    return 2;
  }
  std::vector<vx2::ItemCode> codes;
  vx2::ItemValue record{};
  if (!error.empty() || (read->parsed() && !vx2::ctl::ParseReadArguments(read_codes, codes, error)) ||
      (write->parsed() && !vx2::ctl::ParseWriteArguments(write_code, write_value, record, error))) {
    std::cerr << vx2::BadCommandLineText(app, error);
    return 2;
  }

  std::optional<vx2::ctl::OutputLines> lines;
  bool differs = false;
  {
    // The engine's log ends its last line when the log goes, so results
    // printed afterwards start on a line of their own.
    vx2::ctl::StderrLog log(verbose);
    vx2::ctl::ControllerSession session(log);
    if (session.Open(settings, error)) {
      if (read->parsed()) lines = vx2::ctl::ReadItems(session, codes, error);
      if (write->parsed()) lines = vx2::ctl::WriteItem(session, record, error);
      if (firmware->parsed()) lines = vx2::ctl::ShowFirmware(session, error);
      if (crc->parsed()) lines = vx2::ctl::ShowChecksum(session, error);
      if (verify->parsed()) lines = vx2::ctl::VerifyProject(session, project, differs, error);
    }
  }
  if (!lines) {
    std::cerr << "vx2ctl: " << error << "\n";
    return 1;
  }
  for (const std::string& line : *lines) std::cout << line << "\n";
  return differs ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  korvex::PrepareConsoleOutput();
  korvex::SetOutputProgramName("vx2ctl");
  // Results that could not be written are a failure as one that could not be read.
  return korvex::ExitStatusAfterOutput(RunVx2ctl(argc, argv), 1);
}
