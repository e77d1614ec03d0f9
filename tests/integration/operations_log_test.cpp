// The operator's log file, frame trace and statistics with the real binaries:
// korvex-headless started by its host with KORVEX_LOG and KORVEX_TRACE=1,
// asked "STATS|" through `tolma stats`.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
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

// "name value" pairs, the later winning, in whole numbers.
std::map<std::string, int> Table(std::string text) {
  std::replace(text.begin(), text.end(), '=', ' ');
  std::map<std::string, int> rows;
  std::istringstream in(text);
  for (std::string name, value; in >> name >> value;) rows[name] = std::atoi(value.c_str());
  return rows;
}

TEST(OperationsLog, FileTraceAndStatisticsMatchTheRun) {
  // The first answer has a bad check byte: the start-up's checksum read
  // fails once on it and succeeds at its second attempt.
  vx2::test::RunningSim sim({"--quiet", "--bad-check", "--fault-count", "1"});
  ASSERT_NE(sim.Port(), 0);
  TempDirectory directory;
  directory.Write("lumadex.ini", "TCP 127.0.0.1 " + std::to_string(sim.Port()) +
                                     " TIMEOUT 0.3\nCRC32 projekt 0\n");
  const std::string desktop = directory.String() + "/desktop";
  ChildProcess korvex(
      KORVEX_HEADLESS, {"/DDE", "--log-max-size", std::to_string(kMaxSize), "--log-keep", "50"},
      ChildSetup{directory.String(),
                 directory.String() + "/stderr.txt",
                 {"TOLMA_DESKTOP=" + desktop, "KORVEX_LOG=" + directory.String() + "/korvex.log",
                  "KORVEX_TRACE=1"}});
  ASSERT_TRUE(korvex.WaitFor("Start RUN režimu !", 10s)) << korvex.Output();

  tolma::HostSession host;
  std::string error;
  ASSERT_TRUE(host.Open(desktop, error) && host.Announce(0, error)) << error;
  constexpr int kRounds = 40;
  int answers = 0;
  host.OnMessage([&](const tolma::Received& r) { answers += r.wparam == 2 ? 1 : 0; });
  for (int round = 0; round < kRounds; ++round) {
    for (const char* request :
         {"QQ_RD 00 01 02|", "QQ_RS 00 02 00|", "QQ_WR 00 01 03 2B 00 00 00|", "nonsense|"}) {
      ASSERT_TRUE(host.Request(request, error)) << error;
    }
    // Nine reads a round, answered before the next round asks.
    host.Pump(10000, [&] { return answers >= 9 * (round + 1); });
  }
  ASSERT_EQ(answers, 9 * kRounds);

  // Our host's window is on the desktop too: tolma is told the
  // communicator's handle, as its log gives it, and gets its turn.
  host.EndTurn();
  const std::string said = korvex.Output();
  const std::string handle = "Popisovač komunikátoru: ";
  const std::size_t at = said.find(handle) + handle.size();
  const vx2::test::Finished stats = vx2::test::RunToEnd(
      TOLMA, {"--desktop", desktop, "--to", said.substr(at, said.find('\n', at) - at), "stats"});
  ASSERT_EQ(stats.status, std::optional<int>(0)) << stats.output;
  // SIGTERM must reach the loop, not the log file's writer thread.
  korvex.Signal(SIGTERM);
  ASSERT_EQ(korvex.Wait(10s), std::optional<int>(0)) << korvex.Output();

  int files = 0;
  const std::vector<std::string> lines = LogLines(directory.Path(), files);
  EXPECT_GE(files, 3) << "the file rotated at its size";
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Inicializace...OK") << "a line completed later, completed";

  const std::map<std::string, int> asked = Table(stats.output);
  std::string pairs;  // the file's statistics, the last at the end of the run
  for (const std::string& line : lines) pairs += line.starts_with("STATS ") ? line.substr(5) : "";
  const std::map<std::string, int> final = Table(pairs);
  const int sent = static_cast<int>(CountStarting(lines, "řadič → "));
  EXPECT_EQ(final.at("transactions"), sent);
  EXPECT_EQ(final.at("failed_check"), 1);
  EXPECT_EQ(final.at("succeeded"), sent - 1);
  EXPECT_GE(static_cast<int>(CountStarting(lines, "řadič ← ")), sent - 1);
  for (const char* zero : {"failed_timeout", "failed_address", "failed_link", "failed_aborted"}) {
    EXPECT_EQ(final.at(zero), 0) << zero;
  }
  for (const char* each :
       {"requests_read", "requests_series", "requests_write", "requests_invalid"}) {
    EXPECT_EQ(asked.at(each), kRounds) << each;
  }
  EXPECT_EQ(asked.at("requests_stats"), 1);
  EXPECT_EQ(asked.at("answers_sent"), 9 * kRounds);
  const auto stats_texts = CountStarting(lines, "hostitel → wParam 2, lParam 0: STATS ");
  EXPECT_EQ(final.at("answers_sent"), 9 * kRounds + static_cast<int>(stats_texts) + 1)
      << "the reads, the statistics' texts and KORVEX CLOSED";
  EXPECT_EQ(CountStarting(lines, "hostitel ← wParam 1"), 4u * kRounds + 1)
      << "every request and STATS";
}

// What the communicator makes of the file --log names, started without a
// configuration (it ends by itself after a few lines, rotated at 120 bytes).
struct LogFileCase {
  const char* name;
  // Readies the path; returns a descriptor the test holds meanwhile, or -1.
  std::function<int(const std::string& log)> prepare;
  const char* refused;          // why, in the window's line; null: taken
  std::filesystem::perms mode;  // of every file the log left
  // A file size limit in blocks of 512 bytes, as a full disk that the lines
  // overrun; 0: none, and the file rotates.
  int blocks = 0;
};
class LogFileFaults : public ::testing::TestWithParam<LogFileCase> {};

TEST_P(LogFileFaults, NeverHoldTheCommunicator) {
  TempDirectory directory;
  const std::string log = directory.String() + "/korvex.log";
  const int held = GetParam().prepare(log);
  std::string program = KORVEX_HEADLESS;
  std::vector<std::string> arguments{"--log", log, "--log-keep", "9"};
  if (GetParam().blocks == 0) {
    arguments.insert(arguments.end(), {"--log-max-size", "120"});
  } else {
    // Without the trap the write that crosses the limit would end the process.
    const std::string limit =
        "trap '' XFSZ; ulimit -S -f " + std::to_string(GetParam().blocks) + "; exec \"$@\"";
    arguments.insert(arguments.begin(), {"-c", limit, "sh", program});
    program = "/bin/sh";
  }
  ChildProcess korvex(program, arguments,
                      ChildSetup{directory.String(), directory.String() + "/stderr.txt", {}});
  ASSERT_EQ(korvex.Wait(10s), std::optional<int>(1)) << korvex.Output();
  if (held >= 0) close(held);
  const std::string refusal = "Soubor záznamu " + log + " nelze použít (" +
                              (GetParam().refused ? GetParam().refused : "") + "); komunikátor";
  EXPECT_EQ(korvex.Output().find(refusal) != std::string::npos, GetParam().refused != nullptr)
      << korvex.Output();
  if (GetParam().refused) {
    EXPECT_TRUE(!std::filesystem::is_regular_file(log) || std::filesystem::file_size(log) == 0);
  } else {
    int files = 0;
    EXPECT_FALSE(LogLines(directory.Path(), files).empty());
    EXPECT_GE(files, GetParam().blocks > 0 ? 1 : 2) << "rotated";
    std::ifstream in(log, std::ios::binary | std::ios::ate);
    ASSERT_TRUE(in.seekg(-1, std::ios::end));
    EXPECT_EQ(in.get(), '\n') << "whole lines only";
  }
  for (const auto& entry : std::filesystem::directory_iterator(directory.Path())) {
    if (entry.path().filename().string().starts_with("korvex")) {
      EXPECT_EQ(entry.status().permissions(), GetParam().mode) << entry.path();
    }
  }
}

constexpr auto kOwner = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
constexpr auto kGroup = std::filesystem::perms::group_read;
const auto kNothing = [](const std::string&) { return -1; };
INSTANTIATE_TEST_SUITE_P(
    , LogFileFaults,
    ::testing::Values(LogFileCase{"FifoWithoutReader",
                                  [](const std::string& log) { return mkfifo(log.c_str(), 0600); },
                                  "není to obyčejný soubor", kOwner},
                      LogFileCase{"HeldByAnotherCommunicator",
                                  [](const std::string& log) {
                                    const int fd = open(log.c_str(), O_WRONLY | O_CREAT, 0644);
                                    // Even a shared hold keeps a second writer out.
                                    flock(fd, LOCK_SH);
                                    return fd;
                                  },
                                  "zapisuje do něj jiný komunikátor",
                                  kOwner | kGroup | std::filesystem::perms::others_read},
                      LogFileCase{"NewFilesOwnerOnly", kNothing, nullptr, kOwner},
                      LogFileCase{"OperatorsModeKeptThroughRotation",
                                  [](const std::string& log) {
                                    close(open(log.c_str(), O_WRONLY | O_CREAT, 0600));
                                    chmod(log.c_str(), 0640);
                                    return -1;
                                  },
                                  nullptr, kOwner | kGroup},
                      LogFileCase{"FullFileKeepsWholeLines", kNothing, nullptr, kOwner, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvex
