#include "config_settings.h"

#include <iostream>

#include "common/utf8_path.h"
#include "shell/config_file.h"

namespace vx2::ctl {
namespace {

// What the communicator logs while it reads the file goes to standard error,
// so the file's every problem reads as the communicator would say it.
class PrintedActions : public korvex::ConfigActions {
 public:
  explicit PrintedActions(const std::string& path)
      : prefix_("vx2ctl: konfigurační soubor " + path + ": ") {}
  void Log(std::string_view line) override { std::cerr << prefix_ << line << "\n"; }
  void QueueWrite(std::string_view record) override { records.emplace_back(record); }
  void MoveWindow(int, int) override {}
  void LinesCounted(std::size_t) override {}
  void TokensRead(int) override {}

  std::vector<std::string> records;

 private:
  std::string prefix_;
};

}  // namespace

bool SettingsFromConfig(const std::string& path,
                        const std::function<bool(std::string_view option)>& given,
                        SessionSettings& settings, std::string& error,
                        std::vector<std::string>* project) {
  korvex::ConfigValues values;
  PrintedActions actions(path);
  // The communicator's verdict: a file it refuses is refused here too.
  const std::string refusal = korvex::ReadConfiguration(korvex::PathFromUtf8(path), values, actions);
  if (!refusal.empty()) {
    error = "konfigurační soubor " + path + " " + refusal;
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
  if (project) *project = std::move(actions.records);
  return true;
}

}  // namespace vx2::ctl
