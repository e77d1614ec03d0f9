#include "native_platform.h"
#include "support/event_thread_contract.h"
#include "support/virtual_event_loop.h"

namespace korvex {
namespace {

INSTANTIATE_TEST_SUITE_P(Native, EventThreadContract, ::testing::Values(LoopFactory{[] {
                           return std::unique_ptr<EventLoop>(new NativeEventLoop);
                         }}));
INSTANTIATE_TEST_SUITE_P(VirtualTime, EventThreadContract, ::testing::Values(LoopFactory{[] {
                           return std::unique_ptr<EventLoop>(new VirtualEventLoop);
                         }}));

TEST(MessageFramer, DeliversStartBodyEndAndTrailer) {
  const struct {
    std::string bytes;
    char start;
    char end;
    std::uint16_t append_count;
    std::vector<std::string> messages;
  } cases[] = {
      {"x<AB>Cy<", '<', '>', 1, {"<AB>C"}},
      {"<A<B>", '<', '>', 0, {"<B>"}},
      {"AB>", '<', '>', 0, {}},
      {"<A><>B", '<', '>', 2, {"<A><>"}},
      {"<>><>", '<', '>', 0, {"<>", "<>"}},
      // Equal start and end characters: the byte always starts a message.
      {"|A|B|", '|', '|', 0, {}},
  };
  for (const auto& c : cases) {
    TMessageFramer framer;
    std::vector<std::string> messages;
    for (const char b : c.bytes) {
      if (framer.Take(static_cast<std::uint8_t>(b), c.start, c.end, c.append_count)) {
        messages.push_back(framer.MsgBuffer);
      }
    }
    EXPECT_EQ(messages, c.messages) << c.bytes;
  }
}

}  // namespace
}  // namespace korvex
