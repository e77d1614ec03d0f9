// Byte strings written as hex in tests: Hex("E1 5C 01").
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

namespace korvex {

inline std::string Hex(std::string_view text) {
  std::istringstream in{std::string(text)};
  std::string bytes;
  std::string word;
  while (in >> word) bytes += static_cast<char>(std::strtoul(word.c_str(), nullptr, 16));
  return bytes;
}

}  // namespace korvex
