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
#include "console/standard_output.h"
#include "controller_session.h"
#include "ctl_arguments.h"
#include "ctl_commands.h"
#include "platform/command_line.h"
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

// Line rates as the communicator takes them.
CLI::Validator LineRate() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        std::int32_t rate = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
        return error == std::errc{} && end == text.data() + text.size() &&
                       korvex::IsAcceptedBaudrate(rate)
                   ? std::string{}
                   : "'" + text + "' není rychlost linky (110 až 256000 Bd jako v komunikátoru)";
      },
      "");
}

// The command line and its run: the link's options, the commands, the
// checks that need more than one option, and the command given.
class Vx2ctl {
 public:
  Vx2ctl();
  int Run(int argc, char** argv);

 private:
  void AddLinkOptions();
  void AddSessionOptions();
  void AddCommands();
  // The usage errors the parser cannot see; the exit status when there is one.
  std::optional<int> RefusedArguments();
  int RunCommand();

  CLI::App app_{
      "Čte a zapisuje položky řadiče VX2 přes TCP nebo sériovou linku protokolovým jádrem "
      "komunikátoru. "
      "Každý dotaz zkusí nejvýše třikrát.",
      "vx2ctl"};
  vx2::ctl::SessionSettings settings_;
  int port_ = settings_.port;
  int address_ = settings_.address;
  int relay_ = settings_.relay;
  CLI::Option* baud_ = nullptr;
  std::string config_;
  bool verbose_ = false;
  std::vector<std::string> read_codes_;
  std::string write_code_;
  std::string write_value_;
  CLI::App* read_ = nullptr;
  CLI::App* write_ = nullptr;
  CLI::App* firmware_ = nullptr;
  CLI::App* crc_ = nullptr;
  CLI::App* verify_ = nullptr;
  std::vector<std::string> project_;  // the QQWRITE records, for verify
  std::vector<vx2::ItemCode> codes_;
  vx2::ItemValue record_{};
};

Vx2ctl::Vx2ctl() {
  vx2::UseCzechCommandLine(app_);
  AddLinkOptions();
  AddSessionOptions();
  app_.require_subcommand(1);
  app_.fallthrough();
  AddCommands();
}

void Vx2ctl::AddLinkOptions() {
  CLI::Option* host =
      app_.add_option("--host", settings_.host, "Adresa řadiče (jeho koncového bodu TCP).")
          ->type_name("ADRESA")
          ->capture_default_str();
  CLI::Option* tcp_port = app_.add_option("--port", port_, "Port TCP řadiče.")
                              ->type_name("PORT")
                              ->check(vx2::WholeNumberFromTo(1, 65535))
                              ->capture_default_str();
  CLI::Option* serial =
      app_.add_option("--serial", settings_.serial_device,
                      "Místo TCP sériová linka na tomto zařízení, např. /dev/ttyUSB0.")
          ->type_name("ZAŘÍZENÍ");
  CLI::Option* com = app_.add_option("--com", settings_.com,
                                     "Místo TCP port COM N jako v komunikátoru: zařízení z "
                                     "proměnné KORVEX_COMN, jinak /dev/ttyS(N-1).")
                         ->type_name("N")
                         ->check(vx2::WholeNumberFromTo(1, 255));
  baud_ = app_.add_option("--baud", settings_.baud, "Rychlost sériové linky v Bd.")
              ->type_name("RYCHLOST")
              ->check(LineRate())
              ->capture_default_str();
  serial->excludes(com);
  for (CLI::Option* line : {serial, com}) {
    line->excludes(host);
    line->excludes(tcp_port);
  }
}

void Vx2ctl::AddSessionOptions() {
  app_.add_option("--address", address_, "Adresa řadiče.")
      ->type_name("ADRESA")
      ->check(vx2::WholeNumberFromTo(0, 255))
      ->capture_default_str();
  app_.add_option("--relay", relay_, "Adresa retranslace (první adresní bajt rámce).")
      ->type_name("ADRESA")
      ->check(vx2::WholeNumberFromTo(0, 255))
      ->capture_default_str();
  app_.add_option("--timeout", settings_.timeout, "Jak dlouho čekat na odpověď, v sekundách.")
      ->type_name("S")
      ->check(vx2::SecondsUpTo(3600))
      ->default_str(SecondsText(settings_.timeout));
  app_.add_option("--config", config_,
                  "Spojení (TCP, nebo PORT a RS485; ADDRESS, RETRANSLATION, TIMEOUT) z "
                  "konfiguračního souboru komunikátoru; volby uvedené zvlášť mají přednost.")
      ->type_name("SOUBOR");
  app_.add_flag("--verbose", verbose_,
                "Vypisuje i záznam protokolového jádra (spojení, pokusy) na standardní chybový "
                "výstup.");
}

void Vx2ctl::AddCommands() {
  read_ = app_.add_subcommand("read", "Přečte položky a vypíše je, každou na řádek.");
  read_->add_option("kódy", read_codes_, "Kódy položek, např. 000102 000103.")
      ->type_name("KÓD")
      ->required();
  write_ = app_.add_subcommand("write", "Zapíše hodnotu položky.");
  write_->add_option("kód", write_code_, "Kód položky, např. 000102.")
      ->type_name("KÓD")
      ->required();
  write_->add_option("hodnota", write_value_, "Hodnota: desítkově, nebo šestnáctkově s 0x.")
      ->type_name("HODNOTA")
      ->required();
  firmware_ = app_.add_subcommand("firmware", "Vypíše číslo firmwaru řadiče a jeho text.");
  crc_ = app_.add_subcommand("crc", "Vypíše kontrolní součet projektu v řadiči (šestnáctkově).");
  verify_ = app_.add_subcommand(
      "verify",
      "Přečte zpět všechny položky projektu z --config a vypíše každý rozdíl; stav 0: řadič "
      "drží projekt, 1: liší se (nebo nelze číst), 2: chybný příkaz.");
  for (CLI::App* command : {read_, write_, firmware_, crc_, verify_}) command->group("Příkazy");
}

std::optional<int> Vx2ctl::RefusedArguments() {
  settings_.port = static_cast<std::uint16_t>(port_);
  settings_.address = static_cast<std::uint8_t>(address_);
  settings_.relay = static_cast<std::uint8_t>(relay_);
  std::string error;
  const auto given = [this](std::string_view option) {
    return app_.count(std::string(option)) > 0;
  };
  if (!config_.empty() &&
      !vx2::ctl::SettingsFromConfig(config_, given, settings_, error, &project_)) {
    std::cerr << "vx2ctl: " << error << "\n";
    return 2;
  }
  if (baud_->count() > 0 && !settings_.OnSerialLine()) {
    error =
        "volba --baud platí jen pro sériovou linku (--serial, --com nebo --config se sériovou "
        "linkou)";
  }
  if (verify_->parsed() && config_.empty()) {
    std::cerr << "vx2ctl: příkaz verify potřebuje projekt: --config SOUBOR\nNápověda: --help\n";
    return 2;
  }
  if (verify_->parsed() && project_.empty()) {
    std::cerr << "vx2ctl: konfigurační soubor " << config_
              << " nemá žádné položky projektu (QQWRITE)\n";
    return 2;
  }
  if (!error.empty() ||
      (read_->parsed() && !vx2::ctl::ParseReadArguments(read_codes_, codes_, error)) ||
      (write_->parsed() &&
       !vx2::ctl::ParseWriteArguments(write_code_, write_value_, record_, error))) {
    std::cerr << vx2::BadCommandLineText(app_, error);
    return 2;
  }
  return std::nullopt;
}

int Vx2ctl::RunCommand() {
  std::optional<vx2::ctl::OutputLines> lines;
  bool differs = false;
  std::string error;
  {
    // The engine's log ends its last line when the log goes, so results
    // printed afterwards start on a line of their own.
    vx2::ctl::StderrLog log(verbose_);
    vx2::ctl::ControllerSession session(log);
    if (session.Open(settings_, error)) {
      if (read_->parsed()) lines = vx2::ctl::ReadItems(session, codes_, error);
      if (write_->parsed()) lines = vx2::ctl::WriteItem(session, record_, error);
      if (firmware_->parsed()) lines = vx2::ctl::ShowFirmware(session, error);
      if (crc_->parsed()) lines = vx2::ctl::ShowChecksum(session, error);
      if (verify_->parsed()) lines = vx2::ctl::VerifyProject(session, project_, differs, error);
    }
  }
  if (!lines) {
    std::cerr << "vx2ctl: " << error << "\n";
    return 1;
  }
  for (const std::string& line : *lines) std::cout << line << "\n";
  return differs ? 1 : 0;
}

int Vx2ctl::Run(int argc, char** argv) {
  try {
    vx2::ParseArguments(app_, argc, argv);
  } catch (const CLI::ParseError& end) {
    return vx2::ReportParseEnd(app_, end, std::cout, std::cerr);
  }
  if (const std::optional<int> refused = RefusedArguments()) return *refused;
  return RunCommand();
}

}  // namespace

int main(int argc, char** argv) {
  korvex::TakeUtf8CommandLine(argc, argv);
  korvex::PrepareConsoleOutput();
  korvex::SetOutputProgramName("vx2ctl");
  // Results that could not be written are a failure as one that could not be read.
  return korvex::ExitStatusAfterOutput(Vx2ctl().Run(argc, argv), 1);
}
