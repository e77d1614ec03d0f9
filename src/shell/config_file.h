// Where the configuration file is and how its bytes are read.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace korvex {

// "ovladace/vardos2/lumadex.ini" (with the platform's separator), else
// "lumadex.ini", below the working directory; nothing when neither is a
// regular file.
std::optional<std::filesystem::path> FindConfigFile();

// The whole file; false (with `bytes` empty) when it cannot be opened or
// read to its end.
bool ReadConfigFile(const std::filesystem::path& path, std::string& bytes);

}  // namespace korvex
