// The manual pages follow the programs: every option, command and exit status
// that a program's --help lists is in its page, in English and in Czech.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "sim/sim_harness.h"

namespace korvex {
namespace {

struct HelpTerms {
  std::vector<std::string> options;   // "--log-max-size", "-h"
  std::vector<std::string> commands;  // "verify"
  std::vector<std::string> statuses;  // "6"
};

// The options of every group, the entries of "Příkazy:" and the rows of
// "Návratový kód:".
HelpTerms TermsOf(const std::string& help) {
  HelpTerms terms;
  std::istringstream lines(help);
  std::string section;
  const std::regex status_row("  ([0-9]+)  .*");
  std::smatch match;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == ':' && line.front() != ' ') section = line;
    if (section == "Návratový kód:" && std::regex_match(line, match, status_row)) {
      terms.statuses.push_back(match[1]);
    }
    if (!line.starts_with("  ") || line.size() < 3 || line[2] == ' ') continue;
    const std::string name = line.substr(2, line.find(' ', 2) - 2);
    if (section == "Příkazy:") terms.commands.push_back(name);
    if (!name.starts_with('-')) continue;
    std::istringstream names(name);
    for (std::string option; std::getline(names, option, ',');) terms.options.push_back(option);
  }
  return terms;
}

std::string Roff(std::string text) {
  for (std::size_t at = 0; (at = text.find('-', at)) != std::string::npos; at += 2) {
    text.insert(at, "\\");
  }
  return text;
}

TEST(ManualPages, NameEveryOptionCommandAndExitStatusOfTheHelp) {
  const std::pair<std::string, std::string> programs[] = {
#ifdef KORVEX_WINDOW
      {KORVEX_WINDOW, "korvex"},
#endif
      {KORVEX_HEADLESS, "korvex-headless"},
      {VX2SIM_BINARY, "vx2sim"},
      {VX2CTL_BINARY, "vx2ctl"},
      {TOLMA, "tolma"},
  };
  for (const auto& [program, page] : programs) {
    const vx2::test::Finished help = vx2::test::RunToEnd(program, {"--help"});
    ASSERT_EQ(help.status, std::optional<int>(0)) << help.output;
    const HelpTerms terms = TermsOf(help.output);
    EXPECT_GE(terms.options.size(), 3u) << help.output;
    for (const char* language : {"en", "cs"}) {
      SCOPED_TRACE(std::string(language) + "/" + page + ".1");
      std::stringstream text;
      text << std::ifstream(std::string(KORVEX_MANUAL_PAGES) + "/" + language + "/" + page + ".1")
                  .rdbuf();
      const std::string roff = text.str();
      ASSERT_FALSE(roff.empty());
      for (const std::string& option : terms.options) {
        EXPECT_NE(roff.find(Roff(option)), std::string::npos) << option;
      }
      for (const std::string& command : terms.commands) {
        EXPECT_TRUE(std::regex_search(roff, std::regex("\n\\.BI? " + command + "\\b"))) << command;
      }
      // Each status a row of its own in the exit status section.
      const std::size_t section = roff.find("\n.SH", roff.find(language == std::string("en")
                                                                  ? ".SH EXIT STATUS"
                                                                  : ".SH NÁVRATOVÝ KÓD") + 1);
      const std::string statuses = roff.substr(0, section);  // and what precedes it
      for (const std::string& status : terms.statuses) {
        EXPECT_NE(statuses.find("\n.TP\n" + status + "\n"), std::string::npos) << status;
      }
    }
  }
}

}  // namespace
}  // namespace korvex
