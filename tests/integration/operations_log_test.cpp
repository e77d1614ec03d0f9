// The operator's log file, frame trace and statistics with the real binaries:
// korvex-headless started by its host with KORVEX_LOG and KORVEX_TRACE=1,
// asked "STATS|" through `tolma stats`.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "host_session.h"
#include "sim/sim_harness.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

constexpr std::uintmax_t kMaxSize = 4000;

// The log's files from the oldest to the one being written, each line
// without its time stamp; every line must carry one.
std::vector<std::string> LogLines(const std::filesystem::path& directory, int& files) {
  std::vector<std::string> lines;
  const std::regex stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d (.*)$)");
  files = 0;
  for (int k = 50; k >= 0; --k) {
    const auto path = directory / (k == 0 ? "korvex.log" : "korvex." + std::to_string(k) + ".log");
    if (!std::filesystem::exists(path)) continue;
    ++files;
    EXPECT_LE(std::filesystem::file_size(path), kMaxSize) << path;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
      std::smatch match;
      EXPECT_TRUE(std::regex_match(line, match, stamp)) << line;
      lines.push_back(match.size() > 1 ? match[1].str() : line);
    }
  }
  return lines;
}

std::size_t CountStarting(const std::vector<std::string>& lines, const std::string& start) {
  return std::count_if(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.starts_with(start); });
}

// "name  value" rows of `tolma stats`, and the name=value pairs of the file's
// last "STATS" lines.
std::map<std::string, std::string> Table(const std::string& text) {
  std::map<std::string, std::string> rows;
  std::istringstream in(text);
  for (std::string name, value; in >> name >> value;) rows[name] = value;
  return rows;
}

std::map<std::string, std::string> FinalStats(const std::vector<std::string>& lines) {
  std::string pairs;
  for (const std::string& line : lines) {
    if (line.starts_with("STATS ")) pairs += line.substr(6) + " ";
  }
  std::replace(pairs.begin(), pairs.end(), '=', ' ');
  return Table(pairs);  // later lines win: the end of the run
}

int Number(const std::map<std::string, std::string>& m, const std::string& name) {
  const auto at = m.find(name);
  return at == m.end() ? -1 : std::stoi(at->second);
}

TEST(OperationsLog, FileTraceAndStatisticsMatchTheRun) {
  // The first answer has a bad check byte: the start-up's checksum read
  // fails once on it and succeeds at its second attempt.
  vx2::test::RunningSim sim(
      {"--quiet", "--bad-check", "--fault-count", "1", "--item", "000102=42"});
  ASSERT_NE(sim.Port(), 0);
  TempDirectory directory;
  directory.Write("lumadex.ini", "TCP 127.0.0.1 " + std::to_string(sim.Port()) +
                                     " TIMEOUT 0.3\nCRC32 projekt 0\n");
  const std::string desktop = directory.String() + "/desktop";
  const std::string log = directory.String() + "/korvex.log";
  ChildProcess korvex(
      KORVEX_HEADLESS, {"/DDE", "--log-max-size", std::to_string(kMaxSize), "--log-keep", "50"},
      ChildSetup{directory.String(),
                 directory.String() + "/stderr.txt",
                 {"TOLMA_DESKTOP=" + desktop, "KORVEX_LOG=" + log, "KORVEX_TRACE=1"}});
  ASSERT_TRUE(korvex.WaitFor("Start RUN režimu !", 10s)) << korvex.Output();

  tolma::HostSession host;
  std::string error;
  ASSERT_TRUE(host.Open(desktop, error)) << error;
  ASSERT_TRUE(host.Announce(0, error)) << error;
  const std::vector<std::string> requests{"QQ_RD 00 01 02|", "QQ_RS 00 02 00|",
                                          "QQ_WR 00 01 03 2B 00 00 00|", "nonsense|"};
  constexpr int kReads = 40;
  int answers = 0;
  host.OnMessage([&](const tolma::Received& r) { answers += r.wparam == 2 ? 1 : 0; });
  for (int round = 0; round < kReads; ++round) {
    for (const std::string& request : requests) ASSERT_TRUE(host.Request(request, error));
    // Each round's nine reads are answered before the next round asks again.
    host.Pump(10000, [&] { return answers >= 9 * (round + 1); });
  }
  ASSERT_EQ(answers, 9 * kReads);

  // The communicator's handle, as its log tells it; our host's window is on
  // the desktop too.
  const std::string handle_line = "Popisovač komunikátoru: ";
  const std::string& said = korvex.Output();
  const std::size_t at = said.find(handle_line) + handle_line.size();
  const std::string handle = said.substr(at, said.find('\n', at) - at);
  const vx2::test::Finished stats =
      vx2::test::RunToEnd(TOLMA, {"--desktop", desktop, "--to", handle, "stats"});
  ASSERT_EQ(stats.status, std::optional<int>(0)) << stats.output;
  ASSERT_TRUE(host.Request("CLOSE|", error)) << error;
  ASSERT_EQ(korvex.Wait(10s), std::optional<int>(0)) << korvex.Output();

  int files = 0;
  const std::vector<std::string> lines = LogLines(directory.Path(), files);
  EXPECT_GE(files, 3) << "the file rotated at its size";
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Inicializace...OK") << "a line completed later, completed";
  EXPECT_EQ(CountStarting(lines, "QQ/W: 00 01 03 2B 00 00 00 "), std::size_t{kReads});

  const std::map<std::string, std::string> asked = Table(stats.output);
  const std::map<std::string, std::string> final = FinalStats(lines);
  const int sent = static_cast<int>(CountStarting(lines, "řadič → "));
  EXPECT_EQ(Number(final, "transactions"), sent);
  EXPECT_EQ(Number(final, "failed_check"), 1);
  EXPECT_EQ(Number(final, "succeeded"), sent - 1);
  EXPECT_GE(static_cast<int>(CountStarting(lines, "řadič ← ")), sent - 1);
  for (const char* zero : {"failed_timeout", "failed_address", "failed_link", "failed_aborted"}) {
    EXPECT_EQ(Number(final, zero), 0) << zero;
  }
  for (const char* each :
       {"requests_read", "requests_series", "requests_write", "requests_invalid"}) {
    EXPECT_EQ(Number(asked, each), kReads) << each;
  }
  EXPECT_EQ(Number(asked, "requests_stats"), 1);
  EXPECT_EQ(Number(asked, "answers_sent"), 9 * kReads);
  EXPECT_EQ(Number(final, "requests_close"), 1);
  const int stats_texts =
      static_cast<int>(CountStarting(lines, "hostitel → wParam 2, lParam 0: STATS "));
  EXPECT_GE(stats_texts, 1);
  EXPECT_EQ(Number(final, "answers_sent"), 9 * kReads + stats_texts + 1)
      << "the reads, the statistics' texts and KORVEX CLOSED";
  EXPECT_GE(Number(asked, "queue_max"), 9);
  EXPECT_EQ(CountStarting(lines, "hostitel ← wParam 1"), 4u * kReads + 2)
      << "every request, STATS and CLOSE";
  EXPECT_EQ(CountStarting(lines, "hostitel → wParam 2, lParam 0: QQ_RD "), 9u * kReads);
}

}  // namespace
}  // namespace korvex
