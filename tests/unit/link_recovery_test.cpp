// Host mode through outages of the link, answered as the headless binary
// answers (No, a second after each question). A controller down at start-up
// is in the fault matrix of the real binaries.
#include <algorithm>
#include <cstdio>

#include "common/text_helpers.h"
#include "console/console_message_boxes.h"
#include "support/delayed_actions.h"
#include "support/fake_controller.h"
#include "support/window_fixture.h"

namespace korvex {
namespace {

class LinkRecovery : public WindowFixture {
 protected:
  LinkRecovery() { box_policy = &unattended; }
  ~LinkRecovery() override { std::fclose(box_output); }
  long Lines(std::string_view start) const {
    return std::count_if(view.lines.begin(), view.lines.end(),
                         [start](const std::string& line) { return line.starts_with(start); });
  }

  std::FILE* box_output = std::tmpfile();
  ConsoleOutput console{box_output};
  ConsoleMessageBoxes unattended{console, box_output, false};
};

TEST_F(LinkRecovery, WritesQueuedWhileTheSerialDeviceIsGoneArriveWhenItIsBack) {
  unattended.AnswerAfter(loop, kUnattendedAnswerDelayMs);
  // Answers slow enough that a retry tick falls inside a transaction.
  WriteConfig("PORT 3 38400 TIMEOUT 2.5\n");
  Create({"/DDE"});
  FakeController controller(serial_port, *window->Comm()->Serial());
  Advance(500);
  serial_port.Fail("WriteFile", FakeSerialPort::kDeviceGone);
  serial_port.Fail("Open", FakeSerialPort::kDeviceGone);
  for (int n = 0; n < 5; ++n) {
    desktop.Deliver(window->HostLink().HostMsg(), 1, 0, "QQ_WR 00 00 1" + std::to_string(n) + " 0" +
                                               std::to_string(n) + " 00 00 00|");
  }
  // Healed in the loop: a pass retrying its writes returns only when they are written.
  std::vector<long> in_outage;
  DelayedActions later(loop);
  later(10000, [&] {
    const auto calls = serial_port.Calls();
    in_outage = {static_cast<long>(controller.requests.size()), Lines("QQ/W: "),
                 static_cast<long>(std::count(calls.begin(), calls.end(), "Open 3"))};
    serial_port.Heal("WriteFile");
    serial_port.Heal("Open");
  });
  Advance(15000);
  ASSERT_EQ(in_outage.size(), 3u);
  EXPECT_EQ(in_outage[0], 1) << "only the start-up's checksum read arrives";
  EXPECT_LE(in_outage[1], 14) << "about one attempt a second, not a busy loop";
  EXPECT_LE(in_outage[2], 5) << "the port is tried again every 3 s";
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(controller.items[std::string(2, '\0') + static_cast<char>(0x10 + n)],
              static_cast<std::uint32_t>(n));
  }
  const std::vector<std::string> logged{
      "Zařízení portu COM3 zmizelo: port zavřen, zkouším jej otevřít znovu každé 3 s.",
      "Spojení s řadičem obnoveno."};
  for (const std::string& line : logged) EXPECT_EQ(Lines(line), 1) << line;
  EXPECT_LT(std::find(view.lines.begin(), view.lines.end(), logged[0]),
            std::find(view.lines.begin(), view.lines.end(), logged[1]));
}

TEST_F(LinkRecovery, HostRequestsBeyondTheQueueLimitAreRefusedWithOneLine) {
  WriteConfig("TCP 127.0.0.1 1998\n");
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kRefused;
  Create({"/DDE"});
  Advance(500);
  for (int n = 0; n < kHostQueueLimit + 3; ++n) {
    desktop.Deliver(window->HostLink().HostMsg(), 1, 0,
                    "QQ_WR 00 00 01 " + HexDump(std::string{char(n), char(n >> 8), char(n >> 16)}) + "00|");
  }
  EXPECT_EQ(TranCount(window->Queue()), kHostQueueLimit);
  EXPECT_EQ(Lines("Fronta je plná"), 1);
}

}  // namespace
}  // namespace korvex
