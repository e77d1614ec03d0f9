#include "sim_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <limits>

#include "byte_text.h"
#include "item_text.h"
#include "items_file.h"
#include "tool_cli.h"
#include "transport/serial.h"

namespace vx2::sim {
namespace {

constexpr int kLongestPauseMs = 600'000;
constexpr std::size_t kLongestNoise = 1024;

std::optional<int> ParseWholeNumber(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::string> ParseNoise(std::string_view text) {
  std::optional<std::string> bytes = ParseHexBytes(text);
  if (!bytes || bytes->empty() || bytes->size() > kLongestNoise) return std::nullopt;
  return bytes;
}

// A CLI11 check made of one of our parsers and the Czech text of its failure.
template <typename Parser>
CLI::Validator Accepts(Parser parser, std::string what) {
  return CLI::Validator(
      [parser, what](std::string& text) -> std::string {
        return parser(text) ? std::string{} : "'" + text + "' není " + what;
      },
      "");
}

}  // namespace

std::optional<ItemValue> ParseItemAssignment(std::string_view text) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::optional<ItemCode> code = ParseItemCode(text.substr(0, equals));
  const std::optional<std::uint32_t> value = ParseItemValue(text.substr(equals + 1));
  if (!code || !value) return std::nullopt;
  return ItemValue{*code, *value};
}

std::optional<AnswerSplit> ParseSplit(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<int> offset = ParseWholeNumber(text.substr(0, colon));
  const std::optional<int> pause = ParseWholeNumber(text.substr(colon + 1));
  if (!offset || !pause || *offset < 1 || *pause < 0 || *pause > kLongestPauseMs) {
    return std::nullopt;
  }
  return AnswerSplit{static_cast<std::size_t>(*offset), *pause};
}

std::optional<int> ParseSimCommandLine(int argc, const char* const* argv, SimConfig& config,
                                       std::ostream& out, std::ostream& err) {
  CLI::App app{
      "Simulátor řadiče VX2: odpovídá na rámce komunikátoru přes TCP, drží tabulku "
      "položek a na přání vnáší do odpovědí chyby.",
      "vx2sim"};
  UseCzechCommandLine(app);

  int port = config.port;
  int address = config.address;
  std::string firmware = std::to_string(kDefaultFirmware);
  std::string crc = "0";
  std::string items_file;
  std::vector<std::string> item_options;
  std::string noise;
  std::string split;
  std::int64_t fault_count = 0;

  CLI::Option* host = app.add_option("--host", config.host, "Adresa, na které čeká na spojení.")
                          ->type_name("ADRESA")
                          ->capture_default_str();
  CLI::Option* tcp_port =
      app.add_option("--port", port, "Port TCP; 0 zvolí volný port a vypíše ho.")
          ->type_name("PORT")
          ->check(WholeNumberFromTo(0, 65535))
          ->capture_default_str();
  app.add_option("--address", address, "Adresa simulovaného řadiče.")
      ->type_name("ADRESA")
      ->check(WholeNumberFromTo(0, 255))
      ->capture_default_str();
  app.add_option("--item", item_options,
                 "Hodnota položky, např. 000102=42 nebo 000102=0x2A; lze opakovat.")
      ->type_name("KÓD=HODNOTA")
      ->check(Accepts(ParseItemAssignment, "KÓD=HODNOTA (6 šestnáctkových číslic = číslo)"));
  app.add_option("--items", items_file,
                 "Soubor s hodnotami položek: na řádku KÓD HODNOTA, # uvozuje poznámku.")
      ->type_name("SOUBOR");
  app.add_option("--firmware", firmware, "Číslo firmwaru (položka 000002).")
      ->type_name("ČÍSLO")
      ->check(Accepts(ParseItemValue, "32bitové číslo"))
      ->capture_default_str();
  app.add_option("--crc", crc, "Kontrolní součet projektu (položka A401A2).")
      ->type_name("ČÍSLO")
      ->check(Accepts(ParseItemValue, "32bitové číslo"))
      ->capture_default_str();

  const std::string faults = "Chyby odpovědí";
  std::vector<CLI::Option*> fault_options;
  fault_options.push_back(
      app.add_option("--delay", config.faults.delay_ms, "Odpověď odešle až po této prodlevě.")
          ->type_name("MS")
          ->check(WholeNumberFromTo(0, kLongestPauseMs))
          ->group(faults));
  fault_options.push_back(
      app.add_option("--delay-spread", config.faults.delay_spread_ms,
                     "Prodlevu každé odpovědi volí náhodně v rozmezí --delay ± MS.")
          ->type_name("MS")
          ->check(WholeNumberFromTo(0, kLongestPauseMs))
          ->needs("--delay")
          ->group(faults));
  fault_options.push_back(
      app.add_flag("--no-answer", config.faults.no_answer, "Na požadavky neodpovídá.")
          ->group(faults));
  fault_options.push_back(
      app.add_flag("--bad-check", config.faults.bad_check, "Odpoví s chybným kontrolním bajtem.")
          ->group(faults));
  fault_options.push_back(app.add_flag("--wrong-address", config.faults.wrong_address,
                                       "Odpoví s cizí adresou řadiče (o 1 vyšší).")
                              ->group(faults));
  fault_options.push_back(
      app.add_option("--noise", noise, "Před odpovědí pošle tyto bajty, např. 00FF.")
          ->type_name("HEX")
          ->check(Accepts(ParseNoise, "1 až 1024 bajtů šestnáctkově bez mezer"))
          ->group(faults));
  fault_options.push_back(
      app.add_option("--split", split,
                     "Pošle odpověď ve dvou částech: prvních N bajtů, pauza, zbytek.")
          ->type_name("N:MS")
          ->check(Accepts(ParseSplit, "N:MS (N aspoň 1)"))
          ->group(faults));
  CLI::Option* close_after = app.add_flag("--close-after-answer", config.faults.close_after_answer,
                                          "Po odpovědi uzavře spojení (jen TCP).")
                                 ->group(faults);
  fault_options.push_back(close_after);
  fault_options.push_back(
      app.add_option("--fault-count", fault_count,
                     "Chyby vnáší jen do prvních N odpovědí (jinak do všech).")
          ->type_name("N")
          ->check(WholeNumberFromTo(0, std::numeric_limits<std::int64_t>::max()))
          ->group(faults));
  std::int64_t restart_after = 0;
  fault_options.push_back(
      app.add_option("--restart-after", restart_after,
                     "Po N zodpovězených zápisech se restartuje: zapsané hodnoty zapomene.")
          ->type_name("N")
          ->check(WholeNumberFromTo(1, std::numeric_limits<std::int64_t>::max()))
          ->group(faults));
  CLI::Option* refuse =
      app.add_flag("--refuse", config.refuse,
                   "Port obsadí, ale spojení nepřijímá: každé připojení je odmítnuto.")
          ->group(faults);
  for (CLI::Option* option : fault_options) refuse->excludes(option);

  const std::string line = "Sériová linka místo TCP";
  std::int64_t baud = 0;
  CLI::Option* pty =
      app.add_flag("--pty", config.pty,
                   "Vytvoří pseudoterminál a obsluhuje řadič na něm; připravený řádek uvede "
                   "zařízení pro komunikátor.")
          ->group(line);
  CLI::Option* serial =
      app.add_option("--serial", config.serial_device, "Obsluhuje řadič na sériovém zařízení.")
          ->type_name("ZAŘÍZENÍ")
          ->group(line);
  app.add_option("--baud", baud,
                 "Rychlost linky v Bd: odpovědi neodcházejí dřív, než by je linka přenesla "
                 "(8N1, 10 bitů na bajt).")
      ->type_name("RYCHLOST")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            std::int32_t rate = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
            return error == std::errc{} && end == text.data() + text.size() &&
                           korvex::IsAcceptedBaudrate(rate)
                       ? std::string{}
                       : "'" + text +
                             "' není rychlost linky (110, 300, 600, 1200, 2400, 4800, "
                             "9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000 "
                             "nebo 256000)";
          },
          ""))
      ->group(line);
  pty->excludes(serial);
  for (CLI::Option* line_option : {pty, serial}) {
    for (CLI::Option* tcp_only : {host, tcp_port, refuse, close_after}) {
      line_option->excludes(tcp_only);
    }
  }
  app.add_flag("--quiet", config.quiet, "Nevypisuje spojení ani rámce (pro měření výkonu).");

  try {
    ParseArguments(app, argc, argv);
  } catch (const CLI::ParseError& end) {
    return ReportParseEnd(app, end, out, err);
  }

  if (app.count("--baud") > 0 && !config.OnSerialLine()) {
    err << "vx2sim: volba --baud platí jen s --pty nebo --serial.\nNápověda: --help\n";
    return 2;
  }
  if (app.count("--baud") > 0) config.baud = static_cast<std::uint32_t>(baud);
  config.port = static_cast<std::uint16_t>(port);
  config.address = static_cast<std::uint8_t>(address);
  if (!noise.empty()) config.faults.noise = *ParseNoise(noise);
  if (!split.empty()) config.faults.split = ParseSplit(split);
  if (app.count("--fault-count") > 0) config.faults.fault_count = fault_count;
  if (app.count("--restart-after") > 0) {
    config.faults.restart_after_writes = static_cast<std::uint64_t>(restart_after);
  }

  config.items.push_back({kFirmwareItem, *ParseItemValue(firmware)});
  config.items.push_back({kProjectChecksumItem, *ParseItemValue(crc)});
  if (!items_file.empty()) {
    std::string error;
    if (!LoadItemsFile(items_file, config.items, error)) {
      err << "vx2sim: " << error << "\n";
      return 2;
    }
  }
  for (const std::string& item : item_options) config.items.push_back(*ParseItemAssignment(item));
  return std::nullopt;
}

}  // namespace vx2::sim
