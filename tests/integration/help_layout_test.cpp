// Every program's --help in columns that line up by characters, within the
// line width, with an option's exclusions on a line of their own.
#include <gtest/gtest.h>

#include <sstream>

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
  } programs[] = {
      {KORVEX_HEADLESS, {"--help"}, false},
      {VX2SIM_BINARY, {"--help"}, true},
      {VX2CTL_BINARY, {"--help"}, true},
      {VX2CTL_BINARY, {"read", "--help"}, false},
      {TOLMA, {"--help"}, false},
      {TOLMA, {"write", "--help"}, false},
  };
  const std::string description_margin(kDescriptionColumn, ' ');
  for (const auto& p : programs) {
    SCOPED_TRACE(std::string(p.program) + " " + p.arguments.front());
    const vx2::test::Finished help = vx2::test::RunToEnd(p.program, p.arguments);
    ASSERT_EQ(help.status, std::optional<int>(0)) << help.output;
    std::istringstream lines(help.output);
    int entries = 0;
    int exclusions = 0;
    for (std::string line; std::getline(lines, line);) {
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
  }
}

}  // namespace
}  // namespace korvex
