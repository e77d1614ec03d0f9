// Command lines in Czech: help headings, and errors told in our own words;
// CLI11's English detail never reaches the user.
#pragma once

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/help_formatter.h"
#include "package_version.h"

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

// "-x" and "--name" are options; "-" alone names standard input, as a word.
inline bool IsOptionLike(const std::string& argument) {
  return argument.size() > 1 && argument.front() == '-';
}

inline std::string MissingPart(const CLI::App& app) {
  // An unknown option is the likelier fault than what it left missing.
  const std::vector<std::string> extras = app.remaining(true);
  if (!extras.empty() && IsOptionLike(extras.front()) && extras.front() != "--") {
    return "Neznámá volba: " + extras.front();
  }
  if (app.get_require_subcommand_min() > app.get_subcommands().size()) {
    std::string known;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
      known += (known.empty() ? "" : ", ") + command->get_name();
    }
    std::vector<std::string> rest = app.remaining();
    if (!rest.empty() && rest.front() == "--") rest.erase(rest.begin());
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

// GNU form: the program's name first, as in its other errors.
inline std::string BadCommandLineText(const CLI::App& app, const std::string& what) {
  return app.get_name() + ": " + what + ".\nNápověda: --help\n";
}

inline std::string CzechCliFailure(const CLI::App* app, const CLI::Error& error) {
  std::string what = "Chybný příkazový řádek";
  if (IsCliError<CLI::ExtrasError>(error)) {
    // The first is the one to mend; what follows may only be its value.
    // After "--" everything is a word.
    std::vector<std::string> extras = app->remaining(true);
    const bool words = !extras.empty() && extras.front() == "--";
    if (words) extras.erase(extras.begin());
    const std::string first = extras.empty() ? std::string{} : extras.front();
    what = (IsOptionLike(first) && !words ? "Neznámá volba: " : "Nadbytečný argument: ") + first;
  } else if (IsCliError<CLI::RequiredError>(error)) {
    what = MissingPart(*app);
  } else if (IsCliError<CLI::ValidationError>(error)) {
    // The checks are ours and speak Czech; CLI11 puts the option's name first.
    const std::string text = error.what();
    what = std::string("Nepřípustná hodnota volby ") + text;
    for (const CLI::Option* option : OptionsInUse(*app)) {
      const std::string name = option->get_name() + ": ";
      if (option->get_positional() && text.starts_with(name)) {
        what = "Nepřípustný argument: " + text.substr(name.size());
      }
    }
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
  return BadCommandLineText(*app, what);
}

// "vx2ctl 4.46": the program's name and the package's version, and under it
// the engine's own version text where the program has one.
inline std::string VersionText(const CLI::App& app, std::string_view engine_version = {}) {
  std::string text = app.get_name() + " " + std::string(kPackageVersion);
  if (!engine_version.empty()) text += "\n" + std::string(engine_version);
  return text;
}

// Call before any option is added, so that every option falls in the Czech
// group.
inline void UseCzechCommandLine(CLI::App& app, std::string_view engine_version = {}) {
  app.failure_message(CzechCliFailure);
  app.set_help_flag("-h,--help", "Vypíše tuto nápovědu a skončí.");
  app.formatter(std::make_shared<CzechHelpFormatter>());
  const auto formatter = app.get_formatter();
  formatter->label("Usage", "Použití");
  formatter->label("OPTIONS", "VOLBY");
  formatter->label("Options", "Volby");
  formatter->label("SUBCOMMAND", "PŘÍKAZ");
  formatter->label("SUBCOMMANDS", "PŘÍKAZY");
  formatter->label("Positionals", "Argumenty");
  formatter->label("REQUIRED", "povinné");
  formatter->label("Excludes", "Vylučuje");
  formatter->label("Needs", "Vyžaduje");
  app.option_defaults()->group("Volby");
  // The help flag was made before the group was set.
  app.get_help_ptr()->group("Volby");
  app.set_version_flag("--version", VersionText(app, engine_version), "Vypíše verzi a skončí.")
      ->group("Volby");
  // "/DDE" is an argument, not an option, on Windows too (where CLI11 would
  // otherwise read /NAME as an option).
  app.allow_windows_style_options(false);
}

// Parses `arguments` (without the program's name). "--" ends the options
// also before a command, which CLI11 would take for a stray word there:
// "-- read x" is read as "read -- x".
inline void ParseArguments(CLI::App& app, std::vector<std::string> arguments) {
  const auto end = std::find(arguments.begin(), arguments.end(), "--");
  const auto is_command = [&app](const std::string& word) {
    return !app.get_subcommands([&word](CLI::App* c) { return c->check_name(word); }).empty();
  };
  if (end != arguments.end() && end + 1 != arguments.end() && is_command(*(end + 1))) {
    std::iter_swap(end, end + 1);
  }
  // CLI11 takes them last one first.
  std::reverse(arguments.begin(), arguments.end());
  app.parse(arguments);
}

inline void ParseArguments(CLI::App& app, int argc, const char* const* argv) {
  ParseArguments(app, {argv + std::min(argc, 1), argv + std::max(argc, 1)});
}

// Prints the help or the error that ended parsing. Returns the exit status:
// 0 after --help, kExitBadCommandLine after an error.
inline int ReportParseEnd(CLI::App& app, const CLI::ParseError& end, std::ostream& out,
                          std::ostream& err) {
  return app.exit(end, out, err) == 0 ? 0 : kExitBadCommandLine;
}

}  // namespace korvex
