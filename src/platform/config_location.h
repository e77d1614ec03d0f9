// Where the configuration file is looked for, in this platform's spelling of
// a path.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvex {

// Below the working directory, the first that is a regular file counts.
std::vector<std::string> ConfigFileCandidates();

// The folder the desktop's menu starts the window program in, where its
// configuration belongs; made, with a short note on what goes there, when
// it is missing. Nothing where the menu names no such folder or it cannot
// be made.
std::optional<std::string> PrepareMenuConfigFolder();

}  // namespace korvex
