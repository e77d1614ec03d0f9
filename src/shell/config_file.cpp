#include "shell/config_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/config_location.h"

namespace korvex {

std::optional<std::filesystem::path> FindConfigFile() {
  for (const std::string& name : ConfigFileCandidates()) {
    // Only a regular file: a pipe or a device of that name would never end.
    std::error_code error;
    if (std::filesystem::is_regular_file(name, error)) return std::filesystem::path(name);
  }
  return std::nullopt;
}

bool ReadConfigFile(const std::filesystem::path& path, std::string& bytes) {
  bytes.clear();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) {
    bytes.clear();
    return false;
  }
  return true;
}

}  // namespace korvex
