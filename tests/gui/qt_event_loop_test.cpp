#include "gui/qt_event_loop.h"

#include <sys/socket.h>
#include <unistd.h>

#include "support/event_loop_contract.h"

namespace korvex {
namespace {

const LoopFactory kQt{[] { return std::unique_ptr<EventLoop>(std::make_unique<QtEventLoop>()); }};

INSTANTIATE_TEST_SUITE_P(Qt, EventLoopContract, ::testing::Values(kQt));
INSTANTIATE_TEST_SUITE_P(Qt, RealTimeEventLoopContract, ::testing::Values(kQt));

TEST(QtEventLoop, WriteInterestEndsWithSetWantWriteFalse) {
  QtEventLoop loop;
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  std::vector<FdEvent> seen;
  auto watch = loop.WatchFd(pair[0], [&](FdEvent event) {
    seen.push_back(event);
    if (event == FdEvent::kReadable) {
      char c;
      ASSERT_EQ(read(pair[0], &c, 1), 1);
    }
  });
  watch->SetWantWrite(true);
  while (seen.empty()) loop.HandleMessage();
  EXPECT_EQ(seen.front(), FdEvent::kWritable);

  // The socket stays writable; only the byte from the peer may be reported.
  watch->SetWantWrite(false);
  seen.clear();
  ASSERT_EQ(write(pair[1], "x", 1), 1);
  while (seen.empty()) loop.HandleMessage();
  loop.ProcessMessages();
  EXPECT_EQ(seen, std::vector<FdEvent>{FdEvent::kReadable});
  watch.reset();
  close(pair[0]);
  close(pair[1]);
}

TEST(QtEventLoop, SleepDispatchesNothing) {
  QtEventLoop loop;
  int ticks = 0;
  auto timer = loop.CreateTimer("t", 1, [&] { ++ticks; });
  timer->SetEnabled(true);
  loop.Sleep(20);
  EXPECT_EQ(ticks, 0);
  while (ticks == 0) loop.HandleMessage();
}

}  // namespace
}  // namespace korvex
