// The service commands on virtual time with a scripted controller, and the
// CAN buttons' queued switch.
#include "protocol/service_commands.h"

#include "common/text_helpers.h"
#include "protocol/frame.h"
#include "support/bytes.h"
#include "support/window_fixture.h"

namespace korvex {
namespace {

class ServiceCommands : public WindowFixture {
 protected:
  void SetUp() override {
    Create();
    OpenTcpLink("TIMEOUT 0.5");
  }

  // Every request is answered with a frame carrying `data`.
  void AnswerWith(const std::string& data) {
    std::string frame;
    ASSERT_TRUE(WrapFrame(0, {0, 0, 0, 1}, data, frame));
    socket.on_write = [this, frame](const std::string&) { socket.PeerSend(frame); };
  }
};

TEST_F(ServiceCommands, ReadAnswersWithoutFourValueBytesOrWithTheWrongPrefixFail) {
  struct Case {
    std::string answer;
    bool ok;
  };
  // The answer that fits first: after a failure the reads ask for more codes.
  for (const Case& c : {Case{"Qx" + Hex("04 03 02 01"), true}, Case{"Qx" + Hex("01 02 03"), false},
                        Case{"QX" + Hex("01 02 03 04"), false}, Case{"Qx", false},
                        Case{"Qx" + Hex("04 03 02 01 FF"), false}}) {
    SCOPED_TRACE(HexDump(c.answer));
    AnswerWith(c.answer);
    socket.written.clear();
    std::uint32_t value = 77;
    EXPECT_EQ(window->GetCRC(value), c.ok);
    EXPECT_EQ(value, c.ok ? 0x01020304u : 77u);
    EXPECT_EQ(socket.written.size(), c.ok ? 1u : 3u) << "three attempts, no more";
  }
}

TEST_F(ServiceCommands, WriteTakesOnlyTheWriteAnswer) {
  AnswerWith("Qx");
  EXPECT_FALSE(window->SetCRC(5));
  AnswerWith("QX");
  EXPECT_TRUE(window->SetCRC(5));
}

TEST_F(ServiceCommands, CanButtonsQueueTheirSwitchAndSendNothing) {
  socket.written.clear();
  window->CAN1Click();
  window->CAN0Click();
  ASSERT_EQ(TranCount(window->Queue()), 2);
  const TTranFronta& start = *window->Queue().Head();
  EXPECT_EQ(start.Key1, 1);
  EXPECT_EQ(start.Kind, kKindWrite);
  EXPECT_EQ(start.Key2, 0);
  EXPECT_EQ(start.Key3, 0);
  EXPECT_EQ(start.Data, Hex("00 00 0C 02 00 00 00"));
  EXPECT_EQ(start.Next->Data, Hex("00 00 0C 01 00 00 00"));
  ASSERT_GE(view.lines.size(), 2u);
  EXPECT_EQ(view.lines[view.lines.size() - 2], "CAN start");
  EXPECT_EQ(view.lines.back(), "CAN stop");
  EXPECT_TRUE(socket.written.empty()) << "the RUN loop sends it";

  window->Image1DblClick();
  window->CAN1Click();
  EXPECT_EQ(TranCount(window->Queue()), 2) << "closing permitted: nothing new is queued";
}

}  // namespace
}  // namespace korvex
