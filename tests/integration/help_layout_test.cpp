// Every program's --help in columns that line up by characters, within the
// line width, with an option's exclusions on a line of their own; and every
// option, command and exit status it lists in the manual pages, English and
// Czech, so that they follow the programs.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "app/czech_cli.h"
#include "sim/sim_harness.h"

namespace korvex {
namespace {

// Where an option's or a command's description starts, and the widest line.
constexpr std::size_t kDescriptionColumn = 30;
constexpr std::size_t kWidth = 80;

// UTF-8 code points: every byte but the continuation bytes 10xxxxxx.
std::size_t Characters(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) count += (c & 0xC0) != 0x80;
  return count;
}

TEST(HelpLayout, ColumnsLineUpByCharactersWithinTheWidth) {
  const struct {
    const char* program;
    std::vector<std::string> arguments;
    bool has_exclusions;
    std::string page = "";  // its manual page
  } programs[] = {
      {KORVEX_HEADLESS, {"--help"}, false, "korvex-headless"},
      {VX2SIM_BINARY, {"--help"}, true, "vx2sim"},
      {VX2CTL_BINARY, {"--help"}, true, "vx2ctl"},
      {VX2CTL_BINARY, {"read", "--help"}, false},
      {TOLMA, {"--help"}, false, "tolma"},
      {TOLMA, {"write", "--help"}, false},
#ifdef KORVEX_WINDOW
      {KORVEX_WINDOW, {"--help"}, false, "korvex"},
#endif
  };
  const std::string description_margin(kDescriptionColumn, ' ');
  for (const auto& p : programs) {
    SCOPED_TRACE(std::string(p.program) + " " + p.arguments.front());
    const vx2::test::Finished help = vx2::test::RunToEnd(p.program, p.arguments);
    ASSERT_EQ(help.status, std::optional<int>(0)) << help.output;
    std::istringstream lines(help.output);
    int entries = 0;
    int exclusions = 0;
    std::vector<std::string> terms;  // in the manual page as roff writes them
    std::smatch row;
    const std::regex option("--?[a-z-]+");
    for (std::string line; std::getline(lines, line);) {
      // Exit statuses: "  6  text"; a command: "  verify   text"; options.
      if (std::regex_match(line, row, std::regex("  ([0-9]+)  .*"))) {
        terms.push_back(".TP\n" + row.str(1) + "\n");
      }
      if (std::regex_search(line, row, std::regex("^  ([a-z]+)  ")))
        terms.push_back(".B " + row.str(1));
      const auto name_end = line.begin() + std::min(line.find("  ", 2), line.size());
      for (std::sregex_iterator at(line.begin(), name_end, option), end;
           line.starts_with("  -") && at != end; ++at) {
        terms.push_back(std::regex_replace(at->str(), std::regex("-"), "\\-"));
      }
      EXPECT_LE(Characters(line), kWidth) << line;
      if (line.find("Vylučuje:") != std::string::npos) {
        ++exclusions;
        EXPECT_TRUE(line.starts_with(description_margin + "Vylučuje:")) << line;
      }
      // An entry: "  --name TYPE=default   description" or a command's name.
      const bool entry = line.size() > 2 && line.starts_with("  ") &&
                         (line[2] == '-' || (line[2] >= 'a' && line[2] <= 'z'));
      if (!entry) continue;
      ++entries;
      const std::size_t gap = line.find("  ", 2);
      if (gap == std::string::npos) continue;  // a long name: the description follows below
      const std::size_t text = line.find_first_not_of(' ', gap);
      EXPECT_EQ(Characters(line.substr(0, text)), kDescriptionColumn) << line;
    }
    EXPECT_GE(entries, 2) << help.output;
    for (const char* english : {" in [", "Options"}) {
      EXPECT_EQ(help.output.find(english), std::string::npos) << help.output;
    }
    EXPECT_EQ(exclusions > 0, p.has_exclusions) << help.output;
    for (const char* language : {"en", "cs"}) {
      if (p.page.empty()) break;
      std::stringstream file;
      file << std::ifstream(std::string(KORVEX_MANUAL_PAGES) + "/" + language + "/" + p.page + ".1")
                  .rdbuf();
      // ".BI read \" CODE\"" names the command read as ".B read" does.
      const std::string page = std::regex_replace(file.str(), std::regex("\n\\.BI "), "\n.B ");
      for (const std::string& term : terms) {
        EXPECT_NE(page.find(term), std::string::npos) << language << "/" << p.page << ": " << term;
      }
    }
  }
}

// What the programs' own help does not reach: option names around the
// column's width, and a footer row whose text wraps under itself.
TEST(HelpLayout, LongNamesKeepAGapAndFooterRowsWrapWithinTheWidth) {
  const std::string row_text(30, 'x');
  for (std::size_t name = kDescriptionColumn - 5; name <= kDescriptionColumn; ++name) {
    CLI::App app{"", "x"};
    UseCzechCommandLine(app);
    bool set = false;
    app.add_flag("--" + std::string(name - 4, 'a'), set, "popis");
    app.footer("  9  " + row_text + " " + row_text + " " + row_text);
    const std::string help = app.help();
    const std::string entry = "  --" + std::string(name - 4, 'a');
    const std::size_t at = help.find(entry);
    ASSERT_NE(at, std::string::npos) << help;
    const std::size_t end = at + entry.size();
    const std::string after = help.substr(end, help.find("popis", at) - end);
    EXPECT_TRUE(after.starts_with("  ") || after.starts_with("\n")) << name << ": " << help;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_LE(Characters(line), kWidth) << line;
    }
    EXPECT_NE(help.find("\n     " + row_text), std::string::npos) << help;
  }
}

}  // namespace
}  // namespace korvex
