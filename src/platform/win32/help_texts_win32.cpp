#include "platform/help_texts.h"

namespace korvex {

std::string EnvironmentVariableText(std::string_view name) {
  return "%" + std::string(name) + "%";
}

const char* const kDesktopOptionType = "PLOCHA";
const char* const kDesktopOptionHelp =
    "Jméno plochy Windows, na které kanál běží (jinak plocha, na které běží tolma).";

}  // namespace korvex
