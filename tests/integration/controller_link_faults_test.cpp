// Unlucky controller links through the real binaries: korvex-headless in host
// mode between tolma's host session and a faulty vx2sim. Each row is a link:
// every value the host got must be its item's own, and vx2ctl must read back
// what the controller holds. New links are new rows at the end of kLinks.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "host_session.h"
#include "sim/sim_harness.h"
#include "support/sim_on_pty.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

struct LinkFaultCase {
  const char* name;
  bool serial;                           // else TCP
  std::vector<std::string> sim_options;  // the faults; the items are kItems
  std::string settings;                  // lumadex.ini after the link's line
  std::vector<std::string> host;         // the host's requests, pause_ms apart
  int pause_ms;
  std::set<std::string> right;  // the only answers the host may get
  int least_answers;
  std::string held;  // vx2ctl's read-back of 000102 to 000104 afterwards
};

const std::vector<std::string> kItems{"--item",     "000102=111", "--item",
                                      "000103=222", "--item",     "000104=333"};

void PrintTo(const LinkFaultCase& c, std::ostream* os) {
  *os << c.name;
}

class ControllerLinkFaults : public ::testing::TestWithParam<LinkFaultCase> {};

TEST_P(ControllerLinkFaults, HostGetsRightValuesOrNoneAndTheControllerHoldsItsOwn) {
  const LinkFaultCase& c = GetParam();
  std::vector<std::string> options = c.sim_options;
  options.insert(options.end(), kItems.begin(), kItems.end());
  std::unique_ptr<SimOnPty> line;
  std::unique_ptr<vx2::test::RunningSim> tcp;
  std::vector<std::string> link;  // vx2ctl's options for it
  if (c.serial) {
    line = std::make_unique<SimOnPty>(VX2SIM_BINARY, options);
    link = {"--serial", line->Device()};
  } else {
    tcp = std::make_unique<vx2::test::RunningSim>(options);
    link = {"--port", std::to_string(tcp->Port())};
  }
  ASSERT_NE(link[1], c.serial ? "" : "0");
  TempDirectory directory;
  directory.Write("lumadex.ini", (c.serial ? "PORT 1 38400 " : "TCP 127.0.0.1 " + link[1] + " ") +
                                     c.settings + "\n");
  const std::string desktop = directory.String() + "/desktop";
  ChildProcess korvex(
      KORVEX_HEADLESS, {"/DDE"},
      ChildSetup{
          directory.String(), "/dev/null", {"TOLMA_DESKTOP=" + desktop, "KORVEX_COM1=" + link[1]}});
  // A late controller fails the start-up's checks, three attempts each.
  ASSERT_TRUE(korvex.WaitFor("Start RUN režimu !", 40s)) << korvex.Output();
  tolma::HostSession host;
  std::string error;
  ASSERT_TRUE(host.Open(desktop, error) && host.Announce(0, error)) << error;
  for (const std::string& request : c.host) {
    ASSERT_TRUE(host.Request(request, error)) << error;
    host.Pump(c.pause_ms);
  }
  ASSERT_TRUE(host.Request("CLOSE|", error)) << error;
  host.Pump(30000, [&host] { return host.Inbox().back().text == "KORVEX CLOSED|"; });
  ASSERT_EQ(korvex.Wait(10s), std::optional<int>(0)) << korvex.Output();
  int answers = 0;
  for (const tolma::Received& r : host.Inbox()) {
    if (r.wparam != 2 || !r.text.starts_with("QQ_RD ")) continue;
    ++answers;
    EXPECT_TRUE(c.right.contains(r.text)) << r.text << "\n" << korvex.Output();
  }
  EXPECT_GE(answers, c.least_answers) << korvex.Output();
  link.insert(link.end(), {"--timeout", "10", "read", "000102", "000103", "000104"});
  ChildProcess read(VX2CTL_BINARY, link, ChildSetup{"", "/dev/null", {}});
  ASSERT_EQ(read.Wait(60s), std::optional<int>(0));
  EXPECT_EQ(read.Output(), c.held);
}

const std::set<std::string> kRight{"QQ_RD 00 01 02 6F 00 00 00|", "QQ_RD 00 01 03 DE 00 00 00|",
                                   "QQ_RD 00 01 04 4D 01 00 00|"};
const std::string kHeld =
    "000102 = 0x0000006F (111)\n000103 = 0x000000DE (222)\n000104 = 0x0000014D (333)\n";
// Answers 1.2 s late against a 1.0-s time-out, requests 1.7 s apart: each
// late answer comes while the next request may be waiting for its own.
const std::vector<std::string> kLateReads{"QQ_RD 00 01 02|", "QQ_RD 00 01 03|", "QQ_RD 00 01 04|",
                                          "QQ_RD 00 01 02|", "QQ_RD 00 01 03|"};
std::vector<std::string> Twice(std::vector<std::string> texts) {
  texts.insert(texts.end(), texts.begin(), texts.end());
  return texts;
}

const LinkFaultCase kLinks[] = {
    {"LateAnswersOnASerialLine",
     true,
     {"--delay", "1200"},
     "TIMEOUT 1.0",
     kLateReads,
     1700,
     kRight,
     0,
     kHeld},
    // One connection per transaction: a late answer dies with its connection.
    {"LateAnswersOverTcp",
     false,
     {"--delay", "1200"},
     "TIMEOUT 1.0",
     kLateReads,
     1700,
     kRight,
     0,
     kHeld},
    // Some answers in time and some late (the simulator's fixed random order),
    // each read in a pass of its own, so a late answer meets another's read.
    {"AnswerDelaysAroundTheTimeOutOnASerialLine",
     true,
     {"--delay", "500", "--delay-spread", "250"},
     "TIMEOUT 0.5",
     Twice(kLateReads),
     700,
     kRight,
     1,
     kHeld},
};

INSTANTIATE_TEST_SUITE_P(, ControllerLinkFaults, ::testing::ValuesIn(kLinks),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvex
