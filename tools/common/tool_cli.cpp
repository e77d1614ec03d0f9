#include "tool_cli.h"

#include <charconv>
#include <string>

#include "app/czech_cli.h"

namespace vx2 {

void UseCzechCommandLine(CLI::App& app) {
  korvex::UseCzechCliMessages(app);
  const auto formatter = app.get_formatter();
  formatter->label("Usage", "Použití");
  formatter->label("OPTIONS", "VOLBY");
  formatter->label("SUBCOMMAND", "PŘÍKAZ");
  formatter->label("SUBCOMMANDS", "PŘÍKAZY");
  formatter->label("Positionals", "Argumenty");
  formatter->label("REQUIRED", "povinné");
  formatter->label("Excludes", "Vylučuje");
  formatter->label("Needs", "Vyžaduje");
  app.option_defaults()->group("Volby");
  // The help flag was made before the group was set.
  app.get_help_ptr()->group("Volby");
}

int ReportParseEnd(CLI::App& app, const CLI::ParseError& end, std::ostream& out,
                   std::ostream& err) {
  return app.exit(end, out, err) == 0 ? 0 : 2;
}

CLI::Validator WholeNumberFromTo(std::int64_t low, std::int64_t high) {
  const std::string range = std::to_string(low) + " až " + std::to_string(high);
  return CLI::Validator(
      [low, high, range](std::string& text) -> std::string {
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc{} && end == text.data() + text.size() && value >= low &&
            value <= high) {
          return {};
        }
        return "'" + text + "' není celé číslo v rozsahu " + range;
      },
      "");
}

}  // namespace vx2
