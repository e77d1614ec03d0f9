#include "loop/real_time_loop.h"
#include "native_platform.h"
#include "support/event_loop_contract.h"
#include "support/virtual_event_loop.h"

namespace korvex {
namespace {

const LoopFactory kNative{
    [] { return std::unique_ptr<EventLoop>(std::make_unique<NativeEventLoop>()); }};
const LoopFactory kRealTime{
    [] { return std::unique_ptr<EventLoop>(std::make_unique<RealTimeLoop>()); }};
const LoopFactory kVirtual{
    [] { return std::unique_ptr<EventLoop>(std::make_unique<VirtualEventLoop>()); }};

INSTANTIATE_TEST_SUITE_P(Native, EventLoopContract, ::testing::Values(kNative));
INSTANTIATE_TEST_SUITE_P(Native, RealTimeEventLoopContract, ::testing::Values(kNative));
INSTANTIATE_TEST_SUITE_P(VirtualTime, EventLoopContract, ::testing::Values(kVirtual));
INSTANTIATE_TEST_SUITE_P(Polled, PolledEventLoopContract, ::testing::Values(kRealTime, kVirtual));

TEST(VirtualEventLoop, ClockMovesOnlyWhenTheLoopWouldBlockOrSleep) {
  VirtualEventLoop loop;
  std::vector<std::int64_t> ticks;
  auto timer = loop.CreateTimer("t", 100, [&] { ticks.push_back(loop.Now()); });
  timer->SetEnabled(true);
  loop.ProcessMessages();
  EXPECT_EQ(loop.Now(), 0);
  for (int i = 0; i < 30; ++i) loop.HandleMessage();
  ASSERT_EQ(ticks.size(), 30u);
  EXPECT_EQ(ticks.front(), 100);
  EXPECT_EQ(ticks.back(), 3000);
  loop.Sleep(250);
  EXPECT_EQ(loop.Now(), 3250);
  EXPECT_EQ(ticks.size(), 30u) << "nothing is dispatched while sleeping";
  loop.HandleMessage();
  EXPECT_EQ(ticks.back(), 3250) << "the overdue tick comes at once, then the period restarts";
  loop.HandleMessage();
  EXPECT_EQ(ticks.back(), 3350);
}

TEST(VirtualEventLoop, TimersDueTogetherFireInCreationOrder) {
  VirtualEventLoop loop;
  std::string order;
  auto a = loop.CreateTimer("a", 100, [&] { order += 'a'; });
  auto b = loop.CreateTimer("b", 100, [&] { order += 'b'; });
  b->SetEnabled(true);
  a->SetEnabled(true);
  loop.HandleMessage();
  loop.HandleMessage();
  EXPECT_EQ(order, "ab");
}

}  // namespace
}  // namespace korvex
