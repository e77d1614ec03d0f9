#include "fault_plan.h"

#include <gtest/gtest.h>

#include "protocol/frame.h"
#include "support/bytes.h"

namespace vx2::sim {
namespace {

using korvex::Hex;

const std::string kData = Hex("51 78 04 03 02 01");
const std::string kAnswer = Hex("E1 5C 00 0B 00 00 00 01 51 78 04 03 02 01 27");

TEST(FaultPlan, CleanAnswerIsTheFrameTheEngineAccepts) {
  const AnswerPlan plan = PlanAnswer(kData, 1, nullptr);
  ASSERT_EQ(plan.segments.size(), 1u);
  EXPECT_EQ(plan.segments[0].bytes, kAnswer);
  EXPECT_EQ(plan.segments[0].wait_ms, 0);
  EXPECT_FALSE(plan.close_after);
}

TEST(FaultPlan, WrongAddressKeepsAValidCheckByte) {
  FaultPlan faults;
  faults.wrong_address = true;
  std::string frame = PlanAnswer(kData, 1, &faults).segments.at(0).bytes;
  std::string data;
  EXPECT_FALSE(korvex::TakeFrame(frame, {0, 7, 1}, data));
  frame = PlanAnswer(kData, 1, &faults).segments.at(0).bytes;
  EXPECT_TRUE(korvex::TakeFrame(frame, {0, 7, 2}, data));
  EXPECT_EQ(data, kData);
}

TEST(FaultPlan, SplitOffsetCountsTheNoiseAndAnOffsetPastTheEndSendsAllAtOnce) {
  FaultPlan faults;
  faults.noise = Hex("00 FF");
  faults.delay_ms = 30;
  faults.split = AnswerSplit{3, 70};
  AnswerPlan plan = PlanAnswer(kData, 1, &faults);
  ASSERT_EQ(plan.segments.size(), 2u);
  EXPECT_EQ(plan.segments[0].bytes, Hex("00 FF E1"));
  EXPECT_EQ(plan.segments[0].wait_ms, 30);
  EXPECT_EQ(plan.segments[1].bytes, kAnswer.substr(1));
  EXPECT_EQ(plan.segments[1].wait_ms, 70);

  faults.split = AnswerSplit{2 + kAnswer.size(), 70};
  plan = PlanAnswer(kData, 1, &faults);
  ASSERT_EQ(plan.segments.size(), 1u);
  EXPECT_EQ(plan.segments[0].bytes, Hex("00 FF") + kAnswer);
}

}  // namespace
}  // namespace vx2::sim
