#include "shell/config_file.h"

#include <system_error>

#include "platform/config_location.h"
#include "shell/file_bytes.h"

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
  return ReadFileBytes(path, kConfigFileMaxBytes, bytes) == FileRead::kRead;
}

}  // namespace korvex
