#include "shell/config_file.h"

#include <system_error>

#include "platform/config_location.h"
#include "shell/config_encoding.h"
#include "shell/file_bytes.h"

namespace korvex {

std::optional<std::filesystem::path> FindConfigFile() {
  for (const std::string& name : ConfigFileCandidates()) {
    // Only a regular file: a pipe or a device of that name would never end.
    std::error_code error;
    if (std::filesystem::is_regular_file(name, error)) return std::filesystem::path(name);
  }
  return std::nullopt;
}

std::string ReadConfiguration(const std::filesystem::path& path, ConfigValues& values,
                              ConfigActions& actions) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return "nelze přečíst: není to soubor";
  std::string bytes;
  switch (ReadFileBytes(path, kConfigFileMaxBytes, bytes)) {
    case FileRead::kRead:
      break;
    case FileRead::kTooLarge:
      return "nelze přečíst: je větší než 16 MB";
    case FileRead::kNotOpened:
    case FileRead::kFailed:
      return "nelze přečíst";
  }
  std::string text;
  if (DecodeConfigBytes(bytes, text) == ConfigDecoding::kNulBytes) {
    return "nelze číst jako text: obsahuje nulové bajty (v UTF-16 chybí značka pořadí bajtů); "
           "uložte jej jako ANSI, UTF-8 nebo Unicode";
  }
  return ApplyConfig(text, values, actions).Refusal();
}

}  // namespace korvex
