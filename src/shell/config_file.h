// Where the configuration file is and how its bytes are read.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace korvex {

// "ovladace/vardos2/lumadex.ini" (with the platform's separator), else
// "lumadex.ini", below the working directory; nothing when neither is a
// regular file.
std::optional<std::filesystem::path> FindConfigFile();

// A project is a few thousand lines; anything far larger is not one.
inline constexpr std::size_t kConfigFileMaxBytes = 16 << 20;

// The whole file; false (with `bytes` empty) when it cannot be opened, read
// to its end, or is larger than kConfigFileMaxBytes.
bool ReadConfigFile(const std::filesystem::path& path, std::string& bytes);

}  // namespace korvex
