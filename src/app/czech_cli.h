// Command lines in Czech: help headings, and errors told in our own words;
// CLI11's English detail never reaches the user.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace korvex {

// Exit status for a command line that cannot be used.
inline constexpr int kExitBadCommandLine = 2;

template <class Kind>
bool IsCliError(const CLI::Error& error) {
  return dynamic_cast<const Kind*>(&error) != nullptr;
}

// The options of `app` and of the commands given on its command line.
inline std::vector<const CLI::Option*> OptionsInUse(const CLI::App& app) {
  std::vector<const CLI::Option*> options = app.get_options();
  for (const CLI::App* command : app.get_subcommands()) {
    const std::vector<const CLI::Option*> more = OptionsInUse(*command);
    options.insert(options.end(), more.begin(), more.end());
  }
  return options;
}

// The option CLI11's message is about; the longest name wins, so --host is
// not taken for --hostname.
inline std::string OptionNamedIn(const CLI::App& app, const CLI::Error& error) {
  const std::string text = error.what();
  std::string found;
  for (const CLI::Option* option : OptionsInUse(app)) {
    const std::string name = option->get_name();
    if (name.size() > found.size() && text.find(name) != std::string::npos) found = name;
  }
  return found.empty() ? std::string{} : " " + found;
}

inline std::string MissingPart(const CLI::App& app) {
  if (app.get_require_subcommand_min() > app.get_subcommands().size()) {
    std::string known;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
      known += (known.empty() ? "" : ", ") + command->get_name();
    }
    const std::vector<std::string> rest = app.remaining();
    return (rest.empty() ? "Chybí příkaz" : "Neznámý příkaz '" + rest.front() + "'") +
           " (příkazy: " + known + ")";
  }
  for (const CLI::Option* option : OptionsInUse(app)) {
    if (option->get_required() && option->count() == 0) {
      return (option->get_positional() ? "Chybí povinný argument " : "Chybí povinná volba ") +
             option->get_name();
    }
  }
  return "Chybí povinná část příkazového řádku";
}

inline std::string CzechCliFailure(const CLI::App* app, const CLI::Error& error) {
  std::string what = "Chybný příkazový řádek";
  if (IsCliError<CLI::ExtrasError>(error)) {
    what = "Neznámá volba nebo nadbytečný argument:";
    for (const std::string& extra : app->remaining(true)) what += " " + extra;
  } else if (IsCliError<CLI::RequiredError>(error)) {
    what = MissingPart(*app);
  } else if (IsCliError<CLI::ValidationError>(error)) {
    // The checks are ours and speak Czech; CLI11 puts the option's name first.
    what = std::string("Nepřípustná hodnota volby ") + error.what();
  } else if (IsCliError<CLI::ConversionError>(error)) {
    what = "Hodnotu volby" + OptionNamedIn(*app, error) + " nelze převést";
  } else if (IsCliError<CLI::ArgumentMismatch>(error)) {
    what = "Nesprávný počet hodnot volby" + OptionNamedIn(*app, error);
  } else if (IsCliError<CLI::ExcludesError>(error)) {
    // CLI11 says "--a excludes --b".
    const std::string text = error.what();
    const std::string excludes = " excludes ";
    const std::size_t at = text.find(excludes);
    what = at == std::string::npos ? "Tyto volby nelze použít spolu"
                                   : "Volby " + text.substr(0, at) + " a " +
                                         text.substr(at + excludes.size()) + " nelze použít spolu";
  }
  return what + ".\nNápověda: --help\n";
}

// Call before any option is added, so that every option falls in the Czech
// group.
inline void UseCzechCommandLine(CLI::App& app) {
  app.failure_message(CzechCliFailure);
  app.set_help_flag("-h,--help", "Vypíše tuto nápovědu a skončí.");
  const auto formatter = app.get_formatter();
  formatter->label("Usage", "Použití");
  formatter->label("OPTIONS", "VOLBY");
  formatter->label("SUBCOMMAND", "PŘÍKAZ");
  formatter->label("SUBCOMMANDS", "PŘÍKAZY");
  formatter->label("Positionals", "Argumenty");
  formatter->label("REQUIRED", "povinné");
  formatter->label("Excludes", "Vylučuje");
  formatter->label("Needs", "Vyžaduje");
  app.option_defaults()->group("Volby");
  // The help flag was made before the group was set.
  app.get_help_ptr()->group("Volby");
  // "/DDE" is an argument, not an option, on Windows too (where CLI11 would
  // otherwise read /NAME as an option).
  app.allow_windows_style_options(false);
}

// Prints the help or the error that ended parsing. Returns the exit status:
// 0 after --help, kExitBadCommandLine after an error.
inline int ReportParseEnd(CLI::App& app, const CLI::ParseError& end, std::ostream& out,
                          std::ostream& err) {
  return app.exit(end, out, err) == 0 ? 0 : kExitBadCommandLine;
}

}  // namespace korvex
