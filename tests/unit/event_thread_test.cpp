#include "platform/posix_event_loop.h"
#include "support/event_thread_contract.h"
#include "support/virtual_event_loop.h"

namespace korvex {
namespace {

INSTANTIATE_TEST_SUITE_P(Posix, EventThreadContract, ::testing::Values(LoopFactory{[] {
                           return std::unique_ptr<EventLoop>(new PosixEventLoop);
                         }}));
INSTANTIATE_TEST_SUITE_P(VirtualTime, EventThreadContract, ::testing::Values(LoopFactory{[] {
                           return std::unique_ptr<EventLoop>(new VirtualEventLoop);
                         }}));

struct FramingCase {
  const char* bytes;
  std::uint16_t append_count;
  std::vector<std::string> messages;
};

// Start 2, end 3; letters stand for their character codes.
TEST(MessageFramer, DeliversStartBodyEndAndTrailer) {
  const std::vector<FramingCase> cases{
      {"x\x02"
       "AB\x03"
       "Cy\x02",
       1,
       {"\x02"
        "AB\x03"
        "C"}},
      {"\x02"
       "A\x02"
       "B\x03",
       0,
       {"\x02"
        "B\x03"}},
      {"AB\x03", 0, {}},
      {"\x02"
       "A\x03\x02\x03"
       "B",
       2,
       {"\x02"
        "A\x03\x02\x03"}},
      {"\x02\x03\x03\x02\x03", 0, {"\x02\x03", "\x02\x03"}},
  };
  for (const FramingCase& c : cases) {
    SCOPED_TRACE(c.bytes);
    TMessageFramer framer;
    std::vector<std::string> messages;
    for (const char* b = c.bytes; *b; ++b) {
      if (framer.Take(static_cast<std::uint8_t>(*b), 2, 3, c.append_count)) {
        messages.push_back(framer.MsgBuffer);
      }
    }
    EXPECT_EQ(messages, c.messages);
  }
}

TEST(MessageFramer, EqualStartAndEndAlwaysStartsAMessage) {
  TMessageFramer framer;
  std::string delivered;
  for (const char b : std::string("|A|B|")) {
    if (framer.Take(static_cast<std::uint8_t>(b), '|', '|', 0)) delivered += framer.MsgBuffer;
  }
  EXPECT_EQ(delivered, "");
  EXPECT_EQ(framer.MsgBuffer, "|");
}

}  // namespace
}  // namespace korvex
