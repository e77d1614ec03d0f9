#include <gtest/gtest.h>

#include "protocol/frame.h"
#include "protocol/vardos_comm.h"
#include "support/bytes.h"
#include "support/virtual_event_loop.h"

namespace korvex {
namespace {

class Frames : public ::testing::Test {
 protected:
  VirtualEventLoop loop;
  TVardosComm comm{loop};  // Retranslation 1, Address 1, MasterAddress 0

  const std::string answer = Hex("E1 5C 00 0B 00 00 00 01 51 78 04 03 02 01 27");
  const std::string answer_data = Hex("51 78 04 03 02 01");
};

TEST_F(Frames, WorkedRequestExamples) {
  std::string frame;
  ASSERT_TRUE(comm.BuildFrame(Hex("51 71 00 00 02"), frame));
  EXPECT_EQ(frame, Hex("E1 5C 01 0A 59 00 01 00 51 71 00 00 02 71"));
  ASSERT_TRUE(comm.BuildFrame("abc", frame));
  EXPECT_EQ(frame, Hex("E1 5C 01 08 59 00 01 00 61 62 63 31"));
}

TEST_F(Frames, LongestRequestAndOneByteMore) {
  std::string frame;
  ASSERT_TRUE(comm.BuildFrame(std::string(250, '\xE1'), frame));
  EXPECT_EQ(frame.size(), 259u);
  EXPECT_EQ(static_cast<std::uint8_t>(frame[3]), 255);
  std::string untouched = "x";
  EXPECT_FALSE(comm.BuildFrame(std::string(251, 'a'), untouched));
  EXPECT_EQ(untouched, "x");
}

TEST_F(Frames, WorkedAnswerExample) {
  std::string buffer = answer + "rest";
  std::string data;
  ASSERT_TRUE(comm.ParseAnswer(buffer, data));
  EXPECT_EQ(data, answer_data);
  EXPECT_EQ(buffer, "rest") << "only the frame is taken from the buffer";
}

TEST_F(Frames, AnswerSplitAtEveryOffsetIsTakenOnceComplete) {
  for (std::size_t cut = 0; cut <= answer.size(); ++cut) {
    std::string buffer = answer.substr(0, cut);
    std::string data;
    if (cut < answer.size()) {
      EXPECT_FALSE(comm.ParseAnswer(buffer, data)) << "cut " << cut;
      EXPECT_EQ(buffer, answer.substr(0, cut)) << "a true prefix is kept, cut " << cut;
    }
    buffer += answer.substr(cut);
    ASSERT_TRUE(comm.ParseAnswer(buffer, data)) << "cut " << cut;
    EXPECT_EQ(data, answer_data);
    EXPECT_TRUE(buffer.empty());
  }
}

TEST_F(Frames, LeadingNoiseIsDroppedInOneCall) {
  std::string flood;
  for (int i = 0; i < 100000; ++i) flood += Hex(i % 3 ? "E1 5C 01" : "5C E1 00");
  for (const std::string& noise :
       {Hex("00 FF"), Hex("E1"), Hex("E1 5C"), Hex("E1 E1 5C 01"), flood}) {
    std::string buffer = noise + answer;
    std::string data;
    EXPECT_FALSE(comm.ParseAnswer(buffer, data));
    EXPECT_EQ(buffer, answer) << "noise of " << noise.size() << " bytes";
    ASSERT_TRUE(comm.ParseAnswer(buffer, data));
    EXPECT_EQ(data, answer_data);
  }
  std::string only_noise = flood + Hex("00 E1");
  std::string data;
  EXPECT_FALSE(comm.ParseAnswer(only_noise, data));
  EXPECT_EQ(only_noise, Hex("E1")) << "what may still begin a frame is kept";
}

TEST_F(Frames, BadCheckByteOrOtherControllerClearsTheWholeBuffer) {
  std::string bad_check = answer;
  bad_check.back() ^= 1;
  std::string other_address = Hex("E1 5C 00 0B 00 00 00 02 51 78 04 03 02 01 24");
  for (const std::string& frame : {bad_check, other_address}) {
    std::string buffer = frame + answer;
    std::string data = "before";
    EXPECT_FALSE(comm.ParseAnswer(buffer, data));
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(data, "before");
  }
}

TEST_F(Frames, LengthFiveGivesEmptyDataAndBelowFiveIsInvalid) {
  std::string buffer = Hex("E1 5C 00 05 00 00 00 01 05");
  buffer.back() = static_cast<char>(0x00 ^ 0x05 ^ 0x01);
  std::string data = "x";
  ASSERT_TRUE(comm.ParseAnswer(buffer, data));
  EXPECT_TRUE(data.empty());

  for (int length = 0; length < 5; ++length) {
    // Padded so that a reader ignoring the length would find a valid-looking
    // address and check byte.
    std::string short_frame = Hex("E1 5C 00");
    short_frame += static_cast<char>(length);
    short_frame += Hex("00 00 00 01 00 00 00 00");
    std::string out = "kept";
    EXPECT_FALSE(comm.ParseAnswer(short_frame, out)) << "L = " << length;
    EXPECT_TRUE(short_frame.empty());
    EXPECT_EQ(out, "kept");
  }
}

TEST_F(Frames, AllByteValuesTravelUnchanged) {
  std::string data;
  for (int b = 0; b < 250; ++b) data += static_cast<char>(b + 6);
  std::string frame;
  ASSERT_TRUE(WrapFrame(0, {0, 0, 0, 1}, data, frame));
  std::string out;
  ASSERT_TRUE(comm.ParseAnswer(frame, out));
  EXPECT_EQ(out, data);
}

TEST_F(Frames, ControllerSideCheckLooksAtOffsetSix) {
  std::string frame;
  ASSERT_TRUE(comm.BuildFrame(Hex("51 71 00 00 02"), frame));
  std::string data;
  std::string copy = frame;
  EXPECT_TRUE(TakeFrame(copy, FrameCheck{std::nullopt, 6, 1}, data));
  EXPECT_EQ(data, Hex("51 71 00 00 02"));
  copy = frame;
  EXPECT_FALSE(TakeFrame(copy, FrameCheck{std::nullopt, 6, 2}, data));
  EXPECT_TRUE(copy.empty());
}

}  // namespace
}  // namespace korvex
