// What of a command line the window gets: its switches ("/DDE"), in their
// order, so that "/DDE" after an option is still the window's first argument
// and selects host mode. A stray word is refused rather than passed over.
#pragma once

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

// X11 options that Qt leaves on the command line when a platform plugin other
// than xcb runs: these take the next argument as their value, those stand
// alone.
inline constexpr std::array<std::string_view, 9> kToolkitOptionsWithValue = {
    "-display", "-geometry", "-name", "-title", "-visual", "-fn", "-bg", "-fg", "-btn"};
inline constexpr std::array<std::string_view, 3> kToolkitFlags = {"-nograb", "-dograb", "-sync"};

inline std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& arguments) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    const auto is = [&a](std::string_view option) { return a == option; };
    if (std::ranges::any_of(kToolkitOptionsWithValue, is)) {
      ++i;
    } else if (!std::ranges::any_of(kToolkitFlags, is)) {
      rest.push_back(a);
    }
  }
  return rest;
}

// The window's switches as the arguments of `app`.
inline void AddWindowArguments(CLI::App& app, std::vector<std::string>& arguments) {
  app.add_option("argumenty", arguments, "Přepínače komunikátoru (/DDE).")
      ->type_name("/PŘEPÍNAČ")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            return text.starts_with('/') ? std::string{} : "'" + text + "' není přepínač (/DDE)";
          },
          ""));
}

}  // namespace korvex
