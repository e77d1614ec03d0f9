#include "platform/config_location.h"

namespace korvex {

std::vector<std::string> ConfigFileCandidates() {
  return {"ovladace/vardos2/lumadex.ini", "lumadex.ini"};
}

}  // namespace korvex
