// Host mode through outages of the link, answered as the headless binary
// answers (No, a second after each question): a controller down at start-up
// and a serial device that goes away during the run. Whatever the host
// queued meanwhile reaches the controller once the link stands again.
#include <algorithm>
#include <cstdio>

#include "platform/console/console_message_boxes.h"
#include "shell/text_helpers.h"
#include "support/bytes.h"
#include "support/delayed_actions.h"
#include "support/fake_controller.h"
#include "support/window_fixture.h"

namespace korvex {
namespace {

constexpr int kWrites = 5;
const std::string kRefusing = "Spojení s řadičem nestojí: zkouším je navázat znovu každé 3 s.";
const std::string kGone = "Zařízení portu COM3 zmizelo: port zavřen, zkouším jej otevřít znovu každé 3 s.";
const std::string kBack = "Spojení s řadičem obnoveno.";

class LinkRecovery : public WindowFixture {
 protected:
  LinkRecovery() { box_policy = &unattended; }
  ~LinkRecovery() override { std::fclose(box_output); }

  void HostWrite(int n) {
    std::string text = "QQ_WR 00 00 " + ByteToHex(static_cast<std::uint8_t>(0x10 + n)) + " " +
                       ByteToHex(static_cast<std::uint8_t>(n)) + " 00 00 00|";
    desktop.Deliver(window->HostMsg, 1, 0, text);
  }
  long Count(const std::string& line) const {
    return std::count(view.lines.begin(), view.lines.end(), line);
  }
  long WriteAttempts() const {
    return std::count_if(view.lines.begin(), view.lines.end(),
                         [](const std::string& line) { return line.starts_with("QQ/W: "); });
  }

  std::FILE* box_output = std::tmpfile();
  ConsoleOutput console{box_output};
  ConsoleMessageBoxes unattended{console, box_output, false};
};

struct OutageCase {
  const char* name;
  std::string config;
  bool down_at_start;  // else the serial device goes away once RUN mode runs
  std::vector<std::string> logged;  // each once, in this order
};
void PrintTo(const OutageCase& c, std::ostream* os) {
  *os << c.name;
}

class LinkOutages : public LinkRecovery, public ::testing::WithParamInterface<OutageCase> {};

TEST_P(LinkOutages, QueuedWritesArriveOnceTheLinkStandsAgain) {
  const OutageCase& c = GetParam();
  unattended.AnswerAfter(loop, kUnattendedAnswerDelayMs);
  WriteConfig(c.config);
  if (c.down_at_start) socket.behaviour = FakeSocketClient::ConnectBehaviour::kRefused;
  Create({"/DDE"});
  std::unique_ptr<FakeController> controller =
      c.config.starts_with("TCP") ? std::make_unique<FakeController>(socket)
                                  : std::make_unique<FakeController>(serial_port, window->Serial1);
  Advance(500);
  ASSERT_TRUE(window->TimerRun->Enabled());
  if (!c.down_at_start) {
    serial_port.Fail("WriteFile", FakeSerialPort::kDeviceGone);
    serial_port.Fail("Open", FakeSerialPort::kDeviceGone);
  }
  for (int n = 0; n < kWrites; ++n) HostWrite(n);
  // The outage ends in the loop: a pass retrying its writes never returns
  // before they are written.
  long arrived_in_outage = 0;
  long attempts_in_outage = 0;
  long opens_in_outage = 0;
  DelayedActions later(loop);
  later(10000, [&] {
    arrived_in_outage = std::count_if(controller->requests.begin(), controller->requests.end(),
                                      [](const std::string& r) { return r.starts_with("QQ"); });
    attempts_in_outage = WriteAttempts();
    const std::vector<std::string> calls = serial_port.Calls();
    opens_in_outage = socket.connects + std::count(calls.begin(), calls.end(), "Open 3");
    socket.behaviour = FakeSocketClient::ConnectBehaviour::kAtOnce;
    serial_port.Heal("WriteFile");
    serial_port.Heal("Open");
  });
  Advance(15000);
  EXPECT_EQ(arrived_in_outage, 0) << "nothing arrives while the link is down";
  EXPECT_LE(attempts_in_outage, 14) << "about one attempt a second, not a busy loop";
  EXPECT_LE(opens_in_outage, 5) << "the link is tried again every 3 s";
  for (int n = 0; n < kWrites; ++n) {
    EXPECT_EQ(controller->items[Hex("00 00") + static_cast<char>(0x10 + n)],
              static_cast<std::uint32_t>(n))
        << "write " << n;
  }
  auto from = view.lines.begin();
  for (const std::string& line : c.logged) {
    EXPECT_EQ(Count(line), 1) << line;
    from = std::find(from, view.lines.end(), line);
    EXPECT_NE(from, view.lines.end()) << line << " in its place";
  }
  EXPECT_TRUE(window->LinkReady);
}

INSTANTIATE_TEST_SUITE_P(
    , LinkOutages,
    ::testing::Values(
        OutageCase{"ControllerDownAtStartUp",
                   "TCP 127.0.0.1 1998 TIMEOUT 0.5\n",
                   true,
                   {"Chyba při otevření komunikace !", kRefusing, kBack}},
        OutageCase{"SerialDeviceGoneDuringTheRun", "PORT 3 38400 TIMEOUT 2.5\n", false,
                   {kGone, kBack}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkRecovery, HostRequestsBeyondTheQueueLimitAreRefusedWithOneLine) {
  WriteConfig("TCP 127.0.0.1 1998\n");
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kRefused;
  Create({"/DDE"});
  Advance(500);
  for (int n = 0; n < kHostQueueLimit + 3; ++n) {
    desktop.Deliver(window->HostMsg, 1, 0,
                    "QQ_WR 00 00 01 " + ByteToHex(static_cast<std::uint8_t>(n)) + " " +
                        ByteToHex(static_cast<std::uint8_t>(n >> 8)) + " " +
                        ByteToHex(static_cast<std::uint8_t>(n >> 16)) + " 00|");
  }
  EXPECT_EQ(TranCount(window->Fronta), kHostQueueLimit);
  EXPECT_EQ(std::count_if(view.lines.begin(), view.lines.end(),
                          [](const std::string& line) { return line.starts_with("Fronta je plná"); }),
            1);
}

}  // namespace
}  // namespace korvex
