// The operator's log file on the command line and in the environment: the
// host starts the communicator with "/DDE" alone, so KORVEX_LOG and
// KORVEX_TRACE=1 give the same where no option does.
#pragma once

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/czech_cli.h"
#include "app/number_checks.h"
#include "app/window_arguments.h"
#include "logfile/logged_view.h"
#include "logfile/rotating_log_file.h"
#include "platform/help_texts.h"
#include "shell/korvex_window.h"

namespace korvex {

struct LogOptions {
  LogFileSettings file;
  bool trace = false;
};

inline void AddLogOptions(CLI::App& app, LogOptions& options) {
  app.add_option("--log", options.file.path,
                 "Soubor záznamu: každý řádek výpisu s místním časem (jinak " +
                     EnvironmentVariableText("KORVEX_LOG") + ").")
      ->type_name("SOUBOR");
  app.add_option("--log-max-size", options.file.max_size,
                 "Velikost, při které se soubor záznamu otočí, v bajtech.")
      ->type_name("BAJTY")
      ->check(WholeNumberFromTo(1, std::int64_t{1} << 40))
      ->capture_default_str();
  app.add_option("--log-keep", options.file.keep,
                 "Kolik souborů záznamu nejvýše zůstane, ten zapisovaný s nimi.")
      ->type_name("N")
      ->check(WholeNumberFromTo(1, 1000))
      ->capture_default_str();
  app.add_flag("--trace", options.trace,
               "Do souboru záznamu i každý rámec řadiče a každou zprávu nadřízené aplikace "
               "(jinak " +
                   EnvironmentVariableText("KORVEX_TRACE") + "=1).");
}

// The environment fills in what the command line left out.
inline void TakeLogEnvironment(LogOptions& options) {
  if (options.file.path.empty()) {
    if (const char* path = std::getenv("KORVEX_LOG")) options.file.path = path;
  }
  if (const char* trace = std::getenv("KORVEX_TRACE"); trace && std::string_view(trace) == "1") {
    options.trace = true;
  }
}

// The communicator's command line, the window's and korvex-headless's alike:
// `app` holds the program's own options, the log file's options and the
// window's switches are added here; X11 options Qt left are passed over.
// Nothing when the program goes on, else the status it ends with; the help,
// the version or the error went to `out` or `err`.
inline std::optional<int> ParseCommunicatorCommandLine(CLI::App& app, int argc, char** argv,
                                                       LogOptions& options,
                                                       std::vector<std::string>& arguments,
                                                       std::ostream& out = std::cout,
                                                       std::ostream& err = std::cerr) {
  AddLogOptions(app, options);
  AddWindowArguments(app, arguments);
  try {
    ParseArguments(app,
                   WithoutToolkitOptions({argv + std::min(argc, 1), argv + std::max(argc, 1)}));
  } catch (const CLI::ParseError& end) {
    return ReportParseEnd(app, end, out, err);
  }
  TakeLogEnvironment(options);
  return std::nullopt;
}

// The window's command line (korvex on both platforms).
inline std::optional<int> ParseWindowCommandLine(int argc, char** argv, LogOptions& options,
                                                 std::vector<std::string>& arguments,
                                                 std::ostream& out = std::cout,
                                                 std::ostream& err = std::cerr) {
  CLI::App cli{"Komunikátor pro systémy Vardos line 2 (COM+TCP).", "korvex"};
  UseCzechCommandLine(cli, kVersionCaption);
  return ParseCommunicatorCommandLine(cli, argc, argv, options, arguments, out, err);
}

// The view the window gets: the real one, or with a log file the real one
// copied into the file. Without a file nothing changes.
class OperationsLog {
 public:
  OperationsLog(MainView& view, const LogOptions& options) : view_(view), options_(options) {
    if (options_.file.path.empty()) return;
    std::string problem;
    file_ = RotatingLogFile::Open(options_.file, problem);
    logged_ = std::make_unique<LoggedView>(view, file_.get(), options_.file.path, problem);
  }
  ~OperationsLog() {
    // The open line goes to the file before the file closes.
    logged_.reset();
  }
  OperationsLog(const OperationsLog&) = delete;
  OperationsLog& operator=(const OperationsLog&) = delete;

  MainView& View() { return logged_ ? *logged_ : view_; }
  void Attach(TDlgKORVEX& window) {
    if (logged_) window.UseLogFile(*logged_, options_.trace);
  }

 private:
  MainView& view_;
  LogOptions options_;
  std::unique_ptr<RotatingLogFile> file_;
  std::unique_ptr<LoggedView> logged_;
};

}  // namespace korvex
