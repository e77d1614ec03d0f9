// Command-line errors reported in Czech, with CLI11's own detail behind.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace korvex {

template <class Kind>
bool IsCliError(const CLI::Error& error) {
  return dynamic_cast<const Kind*>(&error) != nullptr;
}

inline std::string CzechCliFailure(const CLI::App*, const CLI::Error& error) {
  std::string what = "Chybný příkazový řádek";
  if (IsCliError<CLI::ExtrasError>(error)) {
    what = "Neznámá volba nebo nadbytečný argument";
  } else if (IsCliError<CLI::ValidationError>(error)) {
    what = "Nepřípustná hodnota volby";
  } else if (IsCliError<CLI::ConversionError>(error)) {
    what = "Hodnotu volby nelze převést";
  } else if (IsCliError<CLI::RequiredError>(error)) {
    what = "Chybí povinná volba";
  } else if (IsCliError<CLI::ArgumentMismatch>(error)) {
    what = "Nesprávný počet hodnot volby";
  }
  return what + " (" + error.what() + ").\nNápověda: --help\n";
}

inline void UseCzechCliMessages(CLI::App& app) {
  app.failure_message(CzechCliFailure);
  app.set_help_flag("-h,--help", "Vypíše tuto nápovědu a skončí.");
}

}  // namespace korvex
