#include "platform/config_location.h"

namespace korvex {

std::vector<std::string> ConfigFileCandidates() {
  return {"ovladace\\vardos2\\lumadex.ini", "lumadex.ini"};
}

// The installer's shortcut names the working folder it makes.
std::optional<std::string> PrepareMenuConfigFolder() {
  return std::nullopt;
}

}  // namespace korvex
