// Range checks for numeric options, refusing in Czech (CLI11's own checks
// speak English).
#pragma once

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdint>
#include <string>

namespace korvex {

// A whole number from `low` to `high` inclusive.
inline CLI::Validator WholeNumberFromTo(std::int64_t low, std::int64_t high) {
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

// A number of seconds above 0 and at most `most`, e.g. 0.5.
inline CLI::Validator SecondsUpTo(int most) {
  return CLI::Validator(
      [most](std::string& text) -> std::string {
        double seconds = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
        const bool whole = error == std::errc{} && end == text.data() + text.size();
        return whole && seconds > 0 && seconds <= most
                   ? std::string{}
                   : "'" + text + "' není počet sekund větší než 0 a nejvýše " +
                         std::to_string(most) + " (např. 0.5)";
      },
      "");
}

}  // namespace korvex
