#include "tool_cli.h"

#include <charconv>
#include <string>

namespace vx2 {

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

CLI::Validator SecondsUpTo(int high) {
  return CLI::Validator(
      [high](std::string& text) -> std::string {
        double seconds = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
        // Written so that NaN fails too.
        if (error == std::errc{} && end == text.data() + text.size() && seconds > 0 &&
            seconds <= high) {
          return {};
        }
        return "'" + text + "' není počet sekund větší než 0 a nejvýše " + std::to_string(high) +
               " (např. 0.5)";
      },
      "");
}

}  // namespace vx2
