// Where the configuration file is looked for, in this platform's spelling of
// a path.
#pragma once

#include <string>
#include <vector>

namespace korvex {

// Below the working directory, the first that is a regular file counts.
std::vector<std::string> ConfigFileCandidates();

}  // namespace korvex
