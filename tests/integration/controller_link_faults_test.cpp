// Unlucky controller links through the real binaries: korvex-headless in
// host mode between tolma's host session and vx2sim with a fault. For each
// link: every value the host got is the item's own, and the controller holds
// what it must. New links are new rows of kLinks (at its end), with the
// host's requests and the values the controller must hold afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "host_session.h"
#include "sim/sim_harness.h"
#include "support/child_process.h"
#include "support/sim_on_pty.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

enum class Link { kSerial, kTcp };

// One host request and how long the host waits before its next one.
struct HostStep {
  std::string request;
  int pause_ms;
};

struct LinkFaultCase {
  const char* name;
  Link link;
  std::vector<std::string> sim_options;        // besides the items
  std::string settings;                        // lumadex.ini after the link's line
  std::map<std::string, std::uint32_t> items;  // the controller's starting values
  std::vector<HostStep> host;
  // What the controller holds after CLOSE, read back with vx2ctl; every
  // value the host got must be the one its item held when it was read.
  std::map<std::string, std::uint32_t> held;
  int least_answers;     // answers the host must get at least
  std::string log_text;  // what the communicator's log must hold, if anything
};
void PrintTo(const LinkFaultCase& c, std::ostream* os) {
  *os << c.name;
}

// "QQ_RD 00 01 02 6F 00 00 00|" for item 000102 holding 111.
std::string HostAnswer(const std::string& code, std::uint32_t value) {
  char text[40];
  std::snprintf(text, sizeof text, "QQ_RD %.2s %.2s %.2s %02X %02X %02X %02X|", code.c_str(),
                code.c_str() + 2, code.c_str() + 4, value & 0xFF, (value >> 8) & 0xFF,
                (value >> 16) & 0xFF, value >> 24);
  return text;
}

class ControllerLinkFaults : public ::testing::TestWithParam<LinkFaultCase> {};

TEST_P(ControllerLinkFaults, HostGetsRightValuesOrNoneAndTheControllerHoldsItsOwn) {
  const LinkFaultCase& c = GetParam();
  std::vector<std::string> options = c.sim_options;
  for (const auto& [code, value] : c.items) {
    options.insert(options.end(), {"--item", code + "=" + std::to_string(value)});
  }
  std::unique_ptr<SimOnPty> line;
  std::unique_ptr<vx2::test::RunningSim> tcp;
  std::string link_line;
  std::vector<std::string> read_back;
  std::vector<std::string> environment;
  if (c.link == Link::kSerial) {
    line = std::make_unique<SimOnPty>(VX2SIM_BINARY, options);
    ASSERT_FALSE(line->Device().empty()) << line->Process().Output();
    link_line = "PORT 1 38400";
    environment.push_back("KORVEX_COM1=" + line->Device());
    read_back = {"--serial", line->Device()};
  } else {
    tcp = std::make_unique<vx2::test::RunningSim>(options);
    ASSERT_NE(tcp->Port(), 0);
    link_line = "TCP 127.0.0.1 " + std::to_string(tcp->Port());
    read_back = {"--port", std::to_string(tcp->Port())};
  }

  TempDirectory directory;
  directory.Write("lumadex.ini", link_line + " " + c.settings + "\n");
  const std::string desktop = directory.String() + "/desktop";
  environment.push_back("TOLMA_DESKTOP=" + desktop);
  ChildProcess korvex(KORVEX_HEADLESS, {"/DDE"},
                      ChildSetup{directory.String(), "/dev/null", environment});
  // A late controller makes the start-up's checks fail, three attempts each.
  ASSERT_TRUE(korvex.WaitFor("Start RUN režimu !", 40s)) << korvex.Output();

  tolma::HostSession host;
  std::string error;
  ASSERT_TRUE(host.Open(desktop, error)) << error;
  ASSERT_TRUE(host.Announce(0, error)) << error;
  for (const HostStep& step : c.host) {
    ASSERT_TRUE(host.Request(step.request, error)) << error;
    host.Pump(step.pause_ms);
  }
  ASSERT_TRUE(host.Request("CLOSE|", error)) << error;
  const auto closed = [&host] {
    return !host.Inbox().empty() && host.Inbox().back().text == "KORVEX CLOSED|";
  };
  host.Pump(30000, closed);
  ASSERT_TRUE(closed()) << korvex.Output();
  ASSERT_EQ(korvex.Wait(10s), std::optional<int>(0)) << korvex.Output();

  int answers = 0;
  for (const tolma::Received& r : host.Inbox()) {
    if (r.message != host.Message() || r.wparam != 2 || r.text.rfind("QQ_RD ", 0) != 0) continue;
    ++answers;
    ASSERT_GE(r.text.size(), 15u) << r.text;
    const std::string code = r.text.substr(6, 2) + r.text.substr(9, 2) + r.text.substr(12, 2);
    const auto item = c.items.find(code);
    ASSERT_NE(item, c.items.end()) << "an answer for an item never asked for: " << r.text;
    EXPECT_EQ(r.text, HostAnswer(code, item->second)) << korvex.Output();
  }
  EXPECT_GE(answers, c.least_answers) << korvex.Output();
  if (!c.log_text.empty()) {
    EXPECT_NE(korvex.Output().find(c.log_text), std::string::npos) << korvex.Output();
  }

  if (c.held.empty()) return;
  read_back.insert(read_back.end(), {"--timeout", "10", "read"});
  std::string expected;
  for (const auto& [code, value] : c.held) {
    read_back.push_back(code);
    char text[48];
    std::snprintf(text, sizeof text, "%s = 0x%08X (%u)\n", code.c_str(), value, value);
    expected += text;
  }
  ChildProcess read(VX2CTL_BINARY, read_back, ChildSetup{"", "/dev/null", {}});
  ASSERT_EQ(read.Wait(60s), std::optional<int>(0));
  EXPECT_EQ(read.Output(), expected);
}

const std::map<std::string, std::uint32_t> kThreeItems{
    {"000102", 111}, {"000103", 222}, {"000104", 333}};
// Answers 1.2 s late against a 1.0-s time-out: each comes when the next
// request may already be waiting for its own.
const std::vector<HostStep> kLateReads{{"QQ_RD 00 01 02|", 1700},
                                       {"QQ_RD 00 01 03|", 1700},
                                       {"QQ_RD 00 01 04|", 1700},
                                       {"QQ_RD 00 01 02|", 1700},
                                       {"QQ_RD 00 01 03|", 1700}};

std::vector<HostStep> ReadsEvery(int pause_ms, int rounds) {
  std::vector<HostStep> steps;
  for (int k = 0; k < rounds; ++k) {
    for (const char* request : {"QQ_RD 00 01 02|", "QQ_RD 00 01 03|", "QQ_RD 00 01 04|"}) {
      steps.push_back({request, pause_ms});
    }
  }
  return steps;
}

const LinkFaultCase kLinks[] = {
    {"LateAnswersOnASerialLine",
     Link::kSerial,
     {"--delay", "1200"},
     "TIMEOUT 1.0",
     kThreeItems,
     kLateReads,
     kThreeItems,
     0,
     "bez odpovědi!"},
    // One connection per transaction: a late answer dies with its connection.
    {"LateAnswersOverTcp",
     Link::kTcp,
     {"--delay", "1200"},
     "TIMEOUT 1.0",
     kThreeItems,
     kLateReads,
     {},
     0,
     "bez odpovědi!"},
    // Some answers in time, some late, in a fixed random order.
    {"AnswerDelaysAroundTheTimeOutOnASerialLine",
     Link::kSerial,
     {"--delay", "500", "--delay-spread", "250"},
     "TIMEOUT 0.5",
     kThreeItems,
     ReadsEvery(700, 4),
     {},
     1,
     ""},
};

INSTANTIATE_TEST_SUITE_P(, ControllerLinkFaults, ::testing::ValuesIn(kLinks),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvex
