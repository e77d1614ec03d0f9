#include "platform/config_location.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace korvex {
namespace {

constexpr const char* kMenuFolderNote =
    "Komunikátor Lumadex VX2 spuštěný z nabídky prostředí pracuje v tomto adresáři:\n"
    "sem patří jeho konfigurační soubor lumadex.ini (nebo ovladace/vardos2/lumadex.ini).\n"
    "Vzorový projekt s komentáři: /usr/share/doc/korvex/examples/upload/lumadex.ini\n"
    "Popis souboru a voleb: man korvex\n";

}  // namespace

std::vector<std::string> ConfigFileCandidates() {
  return {"ovladace/vardos2/lumadex.ini", "lumadex.ini"};
}

// As korvex.desktop spells it: $XDG_CONFIG_HOME/korvex, else ~/.config/korvex.
std::optional<std::string> PrepareMenuConfigFolder() {
  std::filesystem::path base;
  const char* config_home = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (config_home != nullptr && *config_home != '\0') {
    base = config_home;
  } else if (home != nullptr && *home != '\0') {
    base = std::filesystem::path(home) / ".config";
  } else {
    return std::nullopt;
  }
  const std::filesystem::path folder = base / "korvex";
  std::error_code error;
  if (std::filesystem::create_directories(folder, error)) {
    std::ofstream(folder / "CTIMNE.txt") << kMenuFolderNote;
  }
  if (!std::filesystem::is_directory(folder, error)) return std::nullopt;
  return folder.string();
}

}  // namespace korvex
