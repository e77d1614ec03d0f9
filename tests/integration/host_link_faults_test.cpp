// The real binaries against an unlucky controller link: a slow controller
// when the communicator is closed (by the host's CLOSE or a signal) with
// writes queued, and a host channel flooded with "STATS|". For each row: what
// the host got, and what the controller holds afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <regex>
#include <sstream>
#include <thread>

#include "host_session.h"
#include "sim/sim_harness.h"
#include "support/child_process.h"
#include "support/temp_directory.h"
#include "tolma.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kClose = 0;  // an ending besides SIGTERM and SIGINT

std::string Code(int k) {
  char code[8];
  std::snprintf(code, sizeof code, "40%04X", k);
  return code;
}

std::string Request(const char* command, const std::string& code, const char* tail) {
  return std::string(command) + " " + code.substr(0, 2) + " " + code.substr(2, 2) + " " +
         code.substr(4, 2) + tail;
}

// Sends "STATS|" from a window of its own without pause until destroyed.
class StatsFlood {
 public:
  StatsFlood(const std::string& desktop, std::int64_t communicator) {
    thread_ = std::thread([this, desktop, communicator] {
      char problem[256];
      tolma_window* window = tolma_open(desktop.c_str(), problem, sizeof problem);
      if (window == nullptr) return;
      const std::uint32_t message = tolma_register_message("MSG_TOLMA");
      while (!stop_) {
        sent_ += tolma_send(window, communicator, message, 1, 0, "STATS|", 6, 1000) ==
                 TOLMA_DELIVERED;
      }
      tolma_close(window);
    });
  }
  ~StatsFlood() {
    stop_ = true;
    thread_.join();
  }
  int Sent() const { return sent_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> sent_{0};
  std::thread thread_;
};

struct LinkCase {
  const char* name;
  std::vector<std::string> sim;  // the controller's faults
  int writes;                    // handed over at once, then the endings
  std::vector<int> endings;      // kClose or a signal, one right after another
  bool all_written;              // else what is missing is counted in the log
  int flooders = 0;              // hosts sending "STATS|" meanwhile
  int reads = 0;                 // one at a time before the writes, each awaited
};
void PrintTo(const LinkCase& c, std::ostream* os) {
  *os << c.name;
}

class HostLinkFaults : public ::testing::TestWithParam<LinkCase> {};

TEST_P(HostLinkFaults, WhatTheHostHandedOverIsInTheControllerOrCounted) {
  const LinkCase& row = GetParam();
  std::vector<std::string> sim_arguments{"--quiet", "--item", "400000=5"};
  sim_arguments.insert(sim_arguments.end(), row.sim.begin(), row.sim.end());
  vx2::test::RunningSim sim(sim_arguments);
  ASSERT_NE(sim.Port(), 0);
  TempDirectory directory;
  directory.Write("lumadex.ini", "TCP 127.0.0.1 " + std::to_string(sim.Port()) + "\n");
  const std::string desktop = directory.String() + "/desktop";
  ChildProcess korvex(KORVEX_HEADLESS, {"/DDE"},
                      ChildSetup{directory.String(), "/dev/null", {"TOLMA_DESKTOP=" + desktop}});
  ASSERT_TRUE(korvex.WaitFor("Start RUN režimu !", 10s)) << korvex.Output();
  tolma::HostSession host;
  std::string error;
  ASSERT_TRUE(host.Open(desktop, error) && host.Announce(0, error)) << error;
  int read_answers = 0;
  bool closed = false;
  host.OnMessage([&](const tolma::Received& r) {
    read_answers += r.text == "QQ_RD 40 00 00 05 00 00 00|";
    closed |= r.text == "KORVEX CLOSED|";
  });

  std::vector<std::unique_ptr<StatsFlood>> flood;
  for (int k = 0; k < row.flooders; ++k) {
    flood.push_back(std::make_unique<StatsFlood>(desktop, host.Communicator()));
  }
  double slowest_read = 0;
  for (int k = 0; k < row.reads; ++k) {
    const int before = read_answers;
    const auto asked = Clock::now();
    ASSERT_TRUE(host.Request(Request("QQ_RD", Code(0), "|"), error)) << error;
    host.Pump(5000, [&] { return read_answers > before; });
    ASSERT_GT(read_answers, before) << "read " << k << " unanswered in 5 s";
    slowest_read = std::max(slowest_read, std::chrono::duration<double>(Clock::now() - asked).count());
  }
  int flooded = 0;
  for (const auto& f : flood) flooded += f->Sent();
  flood.clear();
  EXPECT_LT(slowest_read, 1.0) << "the slowest read, s; STATS requests meanwhile: " << flooded;

  for (int k = 1; k <= row.writes; ++k) {
    ASSERT_TRUE(host.Request(Request("QQ_WR", Code(k), " 07 00 00 00|"), error)) << error;
  }
  for (const int ending : row.endings) {
    if (ending == kClose) {
      ASSERT_TRUE(host.Request("CLOSE|", error)) << error;
    } else {
      korvex.Signal(ending);
    }
  }
  host.Pump(20000, [&] { return closed; });
  EXPECT_TRUE(closed) << "KORVEX CLOSED";
  ASSERT_EQ(korvex.Wait(20s), std::optional<int>(0)) << korvex.Output();

  std::vector<std::string> arguments{"--port", std::to_string(sim.Port()), "read"};
  for (int k = 1; k <= row.writes; ++k) arguments.push_back(Code(k));
  const vx2::test::Finished held_now = vx2::test::RunToEnd(VX2CTL_BINARY, arguments, 60s);
  ASSERT_EQ(held_now.status, std::optional<int>(0)) << held_now.output;
  int held = 0;
  std::istringstream lines(held_now.output);
  for (std::string line; std::getline(lines, line);) held += line.ends_with("(7)") ? 1 : 0;
  std::smatch counted;
  const std::string said = korvex.Output();
  const bool told = std::regex_search(said, counted, std::regex(R"(zápisů nebylo provedeno: (\d+))"));
  const int missing = told ? std::stoi(counted[1]) : 0;
  // The write under way when the wait ends may have reached the controller
  // unconfirmed: it is counted all the same.
  EXPECT_GE(held + missing, row.writes) << said;
  EXPECT_LE(held + missing, row.writes + 1) << said;
  if (row.all_written) {
    EXPECT_EQ(held, row.writes);
    EXPECT_FALSE(told) << said;
  }
}

INSTANTIATE_TEST_SUITE_P(
    , HostLinkFaults,
    ::testing::Values(
        LinkCase{"SlowControllerWritesDrainedAtClose", {"--delay", "300"}, 10, {kClose}, true},
        LinkCase{"SlowControllerWritesDrainedAtSigterm", {"--delay", "300"}, 10, {SIGTERM}, true},
        LinkCase{"SlowControllerWritesDrainedAtSigint", {"--delay", "300"}, 10, {SIGINT}, true},
        LinkCase{"DrainBeyondItsBoundCounted", {"--delay", "300"}, 60, {kClose}, false},
        LinkCase{"SecondCloseEndsTheDrain", {"--delay", "300"}, 60, {kClose, kClose}, false},
        LinkCase{"SecondSignalEndsTheDrain", {"--delay", "300"}, 60, {SIGTERM, SIGINT}, false},
        LinkCase{"StatsFloodLeavesReadsAnswered", {"--delay", "20"}, 5, {kClose}, true, 4, 10}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvex
