// Paths from and to the UTF-8 text every part of the programs speaks. A
// std::filesystem::path made from a plain string takes it in the system's
// narrow code page, which on Windows is not UTF-8.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace korvex {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(
      std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(reinterpret_cast<const char*>(utf8.data()), utf8.size());
}

}  // namespace korvex
