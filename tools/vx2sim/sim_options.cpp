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

namespace {

// The simulator's command line: its options by group, then what they say
// turned into the configuration.
class SimCommandLine {
 public:
  explicit SimCommandLine(SimConfig& config) : config_(config) {
    UseCzechCommandLine(app_);
    AddItemOptions();
    AddFaultOptions();
    AddLineOptions();
  }

  std::optional<int> Parse(int argc, const char* const* argv, std::ostream& out,
                           std::ostream& err) {
    try {
      ParseArguments(app_, argc, argv);
    } catch (const CLI::ParseError& end) {
      return ReportParseEnd(app_, end, out, err);
    }
    return Settle(err);
  }

 private:
  void AddItemOptions() {
    host_ = app_.add_option("--host", config_.host, "Adresa, na které čeká na spojení.")
                ->type_name("ADRESA")
                ->capture_default_str();
    tcp_port_ = app_.add_option("--port", port_, "Port TCP; 0 zvolí volný port a vypíše ho.")
                    ->type_name("PORT")
                    ->check(WholeNumberFromTo(0, 65535))
                    ->capture_default_str();
    app_.add_option("--address", address_, "Adresa simulovaného řadiče.")
        ->type_name("ADRESA")
        ->check(WholeNumberFromTo(0, 255))
        ->capture_default_str();
    app_.add_option("--item", item_options_,
                    "Hodnota položky, např. 000102=42 nebo 000102=0x2A; lze opakovat.")
        ->type_name("KÓD=HODNOTA")
        ->check(Accepts(ParseItemAssignment, "KÓD=HODNOTA (6 šestnáctkových číslic = číslo)"));
    app_.add_option("--items", items_file_,
                    "Soubor s hodnotami položek: na řádku KÓD HODNOTA, # uvozuje poznámku.")
        ->type_name("SOUBOR");
    app_.add_option("--firmware", firmware_, "Číslo firmwaru (položka 000002).")
        ->type_name("ČÍSLO")
        ->check(Accepts(ParseItemValue, "32bitové číslo"))
        ->capture_default_str();
    app_.add_option("--crc", crc_, "Kontrolní součet projektu (položka A401A2).")
        ->type_name("ČÍSLO")
        ->check(Accepts(ParseItemValue, "32bitové číslo"))
        ->capture_default_str();
  }

  void AddFaultOptions() {
    const std::string faults = "Chyby odpovědí";
    std::vector<CLI::Option*> fault_options;
    fault_options.push_back(
        app_.add_option("--delay", config_.faults.delay_ms, "Odpověď odešle až po této prodlevě.")
            ->type_name("MS")
            ->check(WholeNumberFromTo(0, kLongestPauseMs))
            ->group(faults));
    fault_options.push_back(
        app_.add_option("--delay-spread", config_.faults.delay_spread_ms,
                        "Prodlevu každé odpovědi volí náhodně v rozmezí --delay ± MS.")
            ->type_name("MS")
            ->check(WholeNumberFromTo(0, kLongestPauseMs))
            ->needs("--delay")
            ->group(faults));
    fault_options.push_back(
        app_.add_flag("--no-answer", config_.faults.no_answer, "Na požadavky neodpovídá.")
            ->group(faults));
    fault_options.push_back(app_.add_flag("--bad-check", config_.faults.bad_check,
                                          "Odpoví s chybným kontrolním bajtem.")
                                ->group(faults));
    fault_options.push_back(app_.add_flag("--wrong-address", config_.faults.wrong_address,
                                          "Odpoví s cizí adresou řadiče (o 1 vyšší).")
                                ->group(faults));
    fault_options.push_back(
        app_.add_option("--noise", noise_, "Před odpovědí pošle tyto bajty, např. 00FF.")
            ->type_name("HEX")
            ->check(Accepts(ParseNoise, "1 až 1024 bajtů šestnáctkově bez mezer"))
            ->group(faults));
    fault_options.push_back(
        app_.add_option("--split", split_,
                        "Pošle odpověď ve dvou částech: prvních N bajtů, pauza, zbytek.")
            ->type_name("N:MS")
            ->check(Accepts(ParseSplit, "N:MS (N aspoň 1)"))
            ->group(faults));
    close_after_ = app_.add_flag("--close-after-answer", config_.faults.close_after_answer,
                                 "Po odpovědi uzavře spojení (jen TCP).")
                       ->group(faults);
    fault_options.push_back(close_after_);
    fault_options.push_back(
        app_.add_option("--fault-count", fault_count_,
                        "Chyby vnáší jen do prvních N odpovědí (jinak do všech).")
            ->type_name("N")
            ->check(WholeNumberFromTo(0, std::numeric_limits<std::int64_t>::max()))
            ->group(faults));
    fault_options.push_back(
        app_.add_option("--restart-after", restart_after_,
                        "Po N zodpovězených zápisech se restartuje: zapsané hodnoty zapomene.")
            ->type_name("N")
            ->check(WholeNumberFromTo(1, std::numeric_limits<std::int64_t>::max()))
            ->group(faults));
    refuse_ = app_.add_flag("--refuse", config_.refuse,
                            "Port obsadí, ale spojení nepřijímá: každé připojení je odmítnuto.")
                  ->group(faults);
    for (CLI::Option* option : fault_options) refuse_->excludes(option);
  }

  void AddLineOptions() {
    const std::string line = "Sériová linka místo TCP";
    CLI::Option* pty =
        app_.add_flag("--pty", config_.pty,
                      "Vytvoří pseudoterminál a obsluhuje řadič na něm; připravený řádek uvede "
                      "zařízení pro komunikátor.")
            ->group(line);
    CLI::Option* serial =
        app_.add_option("--serial", config_.serial_device, "Obsluhuje řadič na sériovém zařízení.")
            ->type_name("ZAŘÍZENÍ")
            ->group(line);
    app_.add_option("--baud", baud_,
                    "Rychlost linky v Bd: odpovědi neodcházejí dřív, než by je linka přenesla "
                    "(8N1, 10 bitů na bajt).")
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
                               "' není rychlost linky (110, 300, 600, 1200, 2400, 4800, "
                               "9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000 "
                               "nebo 256000)";
            },
            ""))
        ->group(line);
    pty->excludes(serial);
    for (CLI::Option* line_option : {pty, serial}) {
      for (CLI::Option* tcp_only : {host_, tcp_port_, refuse_, close_after_}) {
        line_option->excludes(tcp_only);
      }
    }
    app_.add_flag("--quiet", config_.quiet, "Nevypisuje spojení ani rámce (pro měření výkonu).");
  }

  // The configuration from the parsed options; the exit status when they do
  // not fit together or the items file is refused.
  std::optional<int> Settle(std::ostream& err) {
    if (app_.count("--baud") > 0 && !config_.OnSerialLine()) {
      err << "vx2sim: volba --baud platí jen s --pty nebo --serial.\nNápověda: --help\n";
      return 2;
    }
    if (app_.count("--baud") > 0) config_.baud = static_cast<std::uint32_t>(baud_);
    config_.port = static_cast<std::uint16_t>(port_);
    config_.address = static_cast<std::uint8_t>(address_);
    if (!noise_.empty()) config_.faults.noise = *ParseNoise(noise_);
    if (!split_.empty()) config_.faults.split = ParseSplit(split_);
    if (app_.count("--fault-count") > 0) config_.faults.fault_count = fault_count_;
    if (app_.count("--restart-after") > 0) {
      config_.faults.restart_after_writes = static_cast<std::uint64_t>(restart_after_);
    }

    config_.items.push_back({kFirmwareItem, *ParseItemValue(firmware_)});
    config_.items.push_back({kProjectChecksumItem, *ParseItemValue(crc_)});
    if (!items_file_.empty()) {
      std::string error;
      if (!LoadItemsFile(items_file_, config_.items, error)) {
        err << "vx2sim: " << error << "\n";
        return 2;
      }
    }
    for (const std::string& item : item_options_)
      config_.items.push_back(*ParseItemAssignment(item));
    return std::nullopt;
  }

  SimConfig& config_;
  CLI::App app_{
      "Simulátor řadiče VX2: odpovídá na rámce komunikátoru přes TCP, drží tabulku "
      "položek a na přání vnáší do odpovědí chyby.",
      "vx2sim"};
  int port_ = config_.port;
  int address_ = config_.address;
  std::string firmware_ = std::to_string(kDefaultFirmware);
  std::string crc_ = "0";
  std::string items_file_;
  std::vector<std::string> item_options_;
  std::string noise_;
  std::string split_;
  std::int64_t fault_count_ = 0;
  std::int64_t restart_after_ = 0;
  std::int64_t baud_ = 0;
  // Options the serial line excludes.
  CLI::Option* host_ = nullptr;
  CLI::Option* tcp_port_ = nullptr;
  CLI::Option* refuse_ = nullptr;
  CLI::Option* close_after_ = nullptr;
};

}  // namespace

std::optional<int> ParseSimCommandLine(int argc, const char* const* argv, SimConfig& config,
                                       std::ostream& out, std::ostream& err) {
  return SimCommandLine(config).Parse(argc, argv, out, err);
}

}  // namespace vx2::sim
