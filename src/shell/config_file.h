// Where the configuration file is, and its reading as the communicator takes
// or refuses it: the communicator and vx2ctl both read a file through here.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "shell/config_reader.h"

namespace korvex {

// "ovladace/vardos2/lumadex.ini" (with the platform's separator), else
// "lumadex.ini", below the working directory; nothing when neither is a
// regular file.
std::optional<std::filesystem::path> FindConfigFile();

// A project is a few thousand lines; anything far larger is not one.
inline constexpr std::size_t kConfigFileMaxBytes = 16 << 20;

// Reads the file at `path` whole, decodes it and applies it to `values`
// through `actions` (ApplyConfig). Empty when the file may be used; else why
// not, completing "soubor NAME ": it cannot be read, is no text, has no
// keyword, an invalid TCP line, or a project not read whole.
std::string ReadConfiguration(const std::filesystem::path& path, ConfigValues& values,
                              ConfigActions& actions);

}  // namespace korvex
