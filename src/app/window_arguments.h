// What of a command line the window gets: the arguments that are not options
// of the program or of its toolkit, in their order, so that "/DDE" after an
// option is still the window's first argument and selects host mode.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

// X11 options that Qt leaves on the command line when a platform plugin other
// than xcb runs; each takes the next argument as its value.
inline constexpr std::array<std::string_view, 9> kToolkitOptionsWithValue = {
    "-display", "-geometry", "-name", "-title", "-visual", "-fn", "-bg", "-fg", "-btn"};

inline std::vector<std::string> WindowArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string> own;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (!a.starts_with('-')) {
      own.push_back(a);
      continue;
    }
    for (std::string_view option : kToolkitOptionsWithValue) {
      if (a == option) ++i;
    }
  }
  return own;
}

}  // namespace korvex
