// The communicator in host mode through faults of the controller, with the
// real binaries: korvex-headless answering as unattended (No, a second after
// each question), vx2sim with its fault options or killed, refusing and
// started again on the same port, and tolma's host session as the host. For
// each fault: what the host sees of a read behind its writes, and that every
// write it queued reaches the controller.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

#include "host_session.h"
#include "shell/text_helpers.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

constexpr int kWrites = 20;
const std::string kReady = "vx2sim: připraven na 127.0.0.1:";

// vx2sim on `port` of 127.0.0.1 (0: a free one); nothing when it did not get ready.
std::unique_ptr<ChildProcess> StartSim(int port, std::vector<std::string> options) {
  options.insert(options.begin(), {"--quiet", "--host", "127.0.0.1", "--port", std::to_string(port)});
  auto sim = std::make_unique<ChildProcess>(VX2SIM_BINARY, options);
  if (!sim->WaitFor(kReady, 5s) || !sim->WaitFor("\n", 1s)) return nullptr;
  return sim;
}
int PortOf(ChildProcess& sim) {
  const std::string& out = sim.Output();
  return std::atoi(out.c_str() + out.find(kReady) + kReady.size());
}

std::string ItemText(int n) { return "0100" + ByteToHex(static_cast<std::uint8_t>(n)); }
std::uint32_t ValueOf(int n) { return 0x1000u + static_cast<std::uint32_t>(n) * 7u; }
std::string Spaced(std::uint32_t v) {
  std::string text;
  for (int i = 0; i < 4; ++i) text += " " + ByteToHex(static_cast<std::uint8_t>(v >> (8 * i)));
  return text;
}

// How the controller misbehaves while the host writes.
enum class Outage {
  kNone,        // only the simulator's fault options
  kRestart,     // killed, back on the same port 2 s later
  kRefusing,    // killed, the port refusing for 6 s (more questions than an upload takes), then back
  kDownAtStart  // nothing listens when the communicator starts; up 4 s later
};

struct FaultCase {
  const char* name;
  std::vector<std::string> sim_options;
  Outage outage = Outage::kNone;
  std::vector<std::string> logged{};  // lines the communicator's log must hold
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class FaultMatrix : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultMatrix, TheHostLosesNoWriteAndReadsTheLastValue) {
  const FaultCase& c = GetParam();
  TempDirectory directory;
  std::unique_ptr<ChildProcess> sim = StartSim(0, c.sim_options);
  ASSERT_TRUE(sim);
  const int port = PortOf(*sim);
  if (c.outage == Outage::kDownAtStart) sim.reset();
  directory.Write("lumadex.ini", "TCP 127.0.0.1 " + std::to_string(port) + " TIMEOUT 0.3\n");
  const std::string desktop = directory.String() + "/desktop";
  ChildProcess korvex(KORVEX_HEADLESS, {"/DDE"},
                      ChildSetup{directory.String(), directory.String() + "/stderr.txt",
                                 {"TOLMA_DESKTOP=" + desktop}});
  ASSERT_TRUE(korvex.WaitFor("Start RUN režimu !", 10s)) << korvex.Output();
  tolma::HostSession host;
  std::string error;
  ASSERT_TRUE(host.Open(desktop, error)) << error;
  ASSERT_TRUE(host.Announce(0, error)) << error;
  if (c.outage == Outage::kRestart || c.outage == Outage::kRefusing) sim.reset();

  const auto request = [&](const std::string& text) {
    ASSERT_TRUE(host.Request(text, error)) << error;
  };
  for (int n = 0; n < kWrites; ++n) request("QQ_WR 01 00 " + ByteToHex(n) + Spaced(ValueOf(n)) + "|");
  const std::string last = "01 00 " + ByteToHex(kWrites - 1);
  request("QQ_RD " + last + "|");

  const auto pump = [&](std::chrono::milliseconds how_long, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + how_long;
    while (std::chrono::steady_clock::now() < end && !(done && done())) {
      host.Pump(100);
      korvex.Output();  // its log must not fill the pipe
    }
  };
  if (c.outage == Outage::kRefusing) {
    pump(1s, {});
    auto refusing = StartSim(port, {"--refuse"});
    ASSERT_TRUE(refusing);
    pump(6s, {});
  } else if (c.outage != Outage::kNone) {
    pump(c.outage == Outage::kRestart ? 2s : 4s, {});
  }
  if (!sim) sim = StartSim(port, {});
  ASSERT_TRUE(sim);

  const std::string expected = "QQ_RD " + last + Spaced(ValueOf(kWrites - 1)) + "|";
  const auto answers = [&host] {
    std::vector<std::string> texts;
    for (const tolma::Received& r : host.Inbox()) {
      if (r.message == host.Message() && r.wparam == 2) texts.push_back(r.text);
    }
    return texts;
  };
  pump(30s, [&] { return !answers().empty(); });
  EXPECT_EQ(answers(), std::vector<std::string>{expected}) << korvex.Output();

  std::vector<std::string> read_back{"--port", std::to_string(port), "read"};
  std::string written;
  for (int n = 0; n < kWrites; ++n) {
    read_back.push_back(ItemText(n));
    char line[64];
    std::snprintf(line, sizeof line, "%s = 0x%08X (%u)\n", ItemText(n).c_str(), ValueOf(n),
                  ValueOf(n));
    written += line;
  }
  ChildProcess vx2ctl(VX2CTL_BINARY, read_back, ChildSetup{"", "/dev/null", {}});
  vx2ctl.Wait(10s);
  EXPECT_EQ(vx2ctl.Output(), written) << "every queued write reached the controller";

  request("CLOSE|");
  pump(5s, [&] { return answers().size() == 2; });
  EXPECT_EQ(korvex.Wait(10s), std::optional<int>(0));
  const std::string& log = korvex.Output();
  for (const std::string& line : c.logged) EXPECT_NE(log.find(line), std::string::npos) << line << log;
}

INSTANTIATE_TEST_SUITE_P(
    , FaultMatrix,
    ::testing::Values(
        FaultCase{"Healthy", {}},
        FaultCase{"BadCheckByte", {"--bad-check", "--fault-count", "4"}},
        FaultCase{"AnotherControllersAddress", {"--wrong-address", "--fault-count", "3"}},
        FaultCase{"SilentForFiveRequests", {"--no-answer", "--fault-count", "5"}},
        FaultCase{"NoiseBeforeSplitAnswers", {"--noise", "00FF", "--split", "5:50"}},
        FaultCase{"SlowAnswers", {"--delay", "200"}},
        FaultCase{"ClosesAfterEachAnswer", {"--close-after-answer"}},
        FaultCase{"ControllerRestarted", {}, Outage::kRestart},
        FaultCase{"PortRefusingMeanwhile", {}, Outage::kRefusing},
        FaultCase{"ControllerDownAtStartUp",
                  {},
                  Outage::kDownAtStart,
                  {"Chyba při otevření komunikace !", "Spojení s řadičem obnoveno."}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvex
