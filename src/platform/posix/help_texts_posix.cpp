#include "platform/help_texts.h"

namespace korvex {

std::string EnvironmentVariableText(std::string_view name) {
  return "$" + std::string(name);
}

const char* const kDesktopOptionType = "ADRESÁŘ";
const char* const kDesktopOptionHelp =
    "Adresář plochy kanálu (jinak $TOLMA_DESKTOP, $XDG_RUNTIME_DIR/tolma nebo /tmp/tolma-<uid>).";

}  // namespace korvex
