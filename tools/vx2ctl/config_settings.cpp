#include "config_settings.h"

#include <optional>

#include "shell/config_file.h"
#include "shell/config_reader.h"

namespace vx2::ctl {
namespace {

using korvex::ConfigProblem;

// A word from the file as it can be shown: printable, and not too long.
std::string Shown(std::string_view word) {
  constexpr std::size_t kLongest = 40;
  std::string shown;
  for (const char c : word.substr(0, kLongest)) {
    const auto byte = static_cast<unsigned char>(c);
    shown += byte >= 0x20 && byte != 0x7F ? c : '?';
  }
  return "'" + shown + (word.size() > kLongest ? "…'" : "'");
}

// Keeps the first value the communicator would take silently.
class FirstProblem : public korvex::ConfigActions {
 public:
  explicit FirstProblem(std::string_view text) : text_(text) {}
  void Log(std::string_view) override {}
  void QueueWrite(std::string_view record) override { records.emplace_back(record); }
  void MoveWindow(int, int) override {}
  void TokensRead(int) override {}
  void Problem(const ConfigProblem& problem) override {
    if (description) return;
    const std::string keyword(problem.keyword);
    if (problem.kind == ConfigProblem::Kind::kMissing) {
      description = "u klíčového slova " + keyword + " chybí na konci souboru hodnota";
      return;
    }
    const std::string where = "řádek " + std::to_string(korvex::LineAt(text_, problem.offset));
    description =
        problem.kind == ConfigProblem::Kind::kNotAnAddress
            ? where + ": TCP/IP - chyba definice! (" + Shown(problem.word) +
                  " není adresa IPv4 tvaru 192.168.1.20)"
            : where + ": " + Shown(problem.word) + " u klíčového slova " + keyword + " není číslo";
  }

  std::optional<std::string> description;
  std::vector<std::string> records;

 private:
  std::string_view text_;
};

}  // namespace

bool SettingsFromConfig(const std::string& path,
                        const std::function<bool(std::string_view option)>& given,
                        SessionSettings& settings, std::string& error,
                        std::vector<std::string>* project) {
  std::string text;
  if (!korvex::ReadConfigFile(path, text)) {
    error = "konfigurační soubor " + path + " nelze přečíst";
    return false;
  }
  korvex::ConfigValues values;
  FirstProblem problems(text);
  korvex::ApplyConfig(text, values, problems);
  if (problems.description) {
    error = "konfigurační soubor " + path + ": " + *problems.description;
    return false;
  }
  const korvex::TLinkSetup& link = values.LinkSetup;
  if (values.TcpSetup.Active) {
    if (!given("--host")) settings.host = values.TcpSetup.Host;
    if (!given("--port")) settings.port = static_cast<std::uint16_t>(values.TcpSetup.Port);
  } else {
    // A serial link, unless the command line names another one.
    if (link.Port < 1 || link.Port > 255) {
      error = "konfigurační soubor " + path + ": PORT " + std::to_string(link.Port) +
              " není port COM 1 až 255";
      return false;
    }
    const bool other_line =
        given("--serial") || given("--com") || given("--host") || given("--port");
    if (!other_line) settings.com = link.Port;
    if (!given("--baud")) settings.baud = link.Baudrate;
    settings.rs485 = link.RS485;
  }
  if (!given("--address")) settings.address = static_cast<std::uint8_t>(link.Address);
  if (!given("--relay")) settings.relay = static_cast<std::uint8_t>(link.Retranslation);
  if (!given("--timeout")) settings.timeout = link.Timeout;
  if (project) *project = std::move(problems.records);
  return true;
}

}  // namespace vx2::ctl
