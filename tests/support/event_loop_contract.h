// What every event loop must do, whatever its platform. Instantiate with
//   INSTANTIATE_TEST_SUITE_P(Name, EventLoopContract,
//                            ::testing::Values(LoopFactory{[] { return ...; }}));
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/event_loop.h"
#include "support/loop_factory.h"
#include "test_sockets.h"

namespace korvex {

class EventLoopContract : public ::testing::TestWithParam<LoopFactory> {
 protected:
  void SetUp() override { loop = GetParam().make(); }

  // Pumps until `done` or a generous number of events has passed, so that a
  // broken loop fails the test instead of hanging it.
  void PumpUntil(const std::function<bool()>& done, int max_events = 10000) {
    for (int i = 0; i < max_events && !done(); ++i) loop->HandleMessage();
    ASSERT_TRUE(done());
  }

  std::unique_ptr<EventLoop> loop;
};

// fds[0] is watched, the test writes into fds[1].
struct SocketPair {
  SocketPair() { EXPECT_TRUE(OpenTestSocketPair(fds)); }
  ~SocketPair() {
    CloseTestHandle(fds[0]);
    CloseTestHandle(fds[1]);
  }
  void Put(char c) { EXPECT_EQ(WriteTestHandle(fds[1], &c, 1), 1); }
  char Take() {
    char c = 0;
    EXPECT_EQ(ReadTestHandle(fds[0], &c, 1), 1);
    return c;
  }
  IoHandle fds[2] = {kNoIoHandle, kNoIoHandle};
};

TEST_P(EventLoopContract, TimersFireInOrderOfTheirIntervals) {
  std::vector<std::string> fired;
  std::vector<std::unique_ptr<Timer>> timers;
  for (auto [name, interval] : {std::pair{"slow", 30}, {"fast", 10}, {"middle", 20}}) {
    std::string n = name;
    timers.push_back(loop->CreateTimer(n, interval, [&fired, n, &timers] {
      fired.push_back(n);
      for (auto& t : timers) {
        if (t->Name() == n) t->SetEnabled(false);
      }
    }));
  }
  for (auto& t : timers) {
    EXPECT_FALSE(t->Enabled()) << "timers start disabled";
    t->SetEnabled(true);
  }
  PumpUntil([&] { return fired.size() == 3; });
  EXPECT_EQ(fired, (std::vector<std::string>{"fast", "middle", "slow"}));
  EXPECT_EQ(timers[1]->Name(), "fast");
  EXPECT_EQ(timers[1]->Interval(), 10);
}

TEST_P(EventLoopContract, IntervalTimerKeepsTickingAndStopsWhenDisabled) {
  int ticks = 0;
  int other = 0;
  auto timer = loop->CreateTimer("t", 10, {});
  timer->SetOnTimer([&] {
    if (++ticks == 3) timer->SetEnabled(false);
  });
  auto watchdog = loop->CreateTimer("watchdog", 100, [&] { ++other; });
  timer->SetEnabled(true);
  watchdog->SetEnabled(true);
  PumpUntil([&] { return other == 2; });
  EXPECT_EQ(ticks, 3);
}

TEST_P(EventLoopContract, NestedDispatchRunsOtherHandlersButNeverReentersTheRunningOne) {
  int outer_calls = 0;
  int inner_ticks = 0;
  bool outer_done = false;
  auto inner = loop->CreateTimer("inner", 10, [&] { ++inner_ticks; });
  auto outer = loop->CreateTimer("outer", 10, {});
  outer->SetOnTimer([&] {
    ++outer_calls;
    outer->SetEnabled(false);
    outer->SetEnabled(true);  // still enabled: must not fire while we pump
    while (inner_ticks < 5) loop->HandleMessage();
    outer->SetEnabled(false);
    outer_done = true;
  });
  outer->SetEnabled(true);
  inner->SetEnabled(true);
  PumpUntil([&] { return outer_done; });
  EXPECT_EQ(outer_calls, 1);
  EXPECT_GE(inner_ticks, 5);
}

TEST_P(EventLoopContract, TimerReArmedInItsHandlerWaitsOneFullPeriod) {
  std::vector<std::string> fired;
  auto slow = loop->CreateTimer("slow", 10, {});
  auto reference = loop->CreateTimer("reference", 50, [&] { fired.push_back("reference"); });
  slow->SetOnTimer([&] {
    fired.push_back("slow");
    slow->SetEnabled(false);
    slow->SetInterval(60);
    slow->SetEnabled(true);
    if (fired.size() == 1) reference->SetEnabled(true);
  });
  slow->SetEnabled(true);
  PumpUntil([&] { return fired.size() == 3; });
  // Re-armed at 10 ms for 60 ms: due at 70, after the reference at 60, not at 130.
  EXPECT_EQ(fired, (std::vector<std::string>{"slow", "reference", "slow"}));
}

TEST_P(EventLoopContract, TimerEnabledAgainBeforeItsTickWaitsOneFullPeriod) {
  std::vector<std::string> fired;
  auto timer = loop->CreateTimer("timer", 100, [&] { fired.push_back("timer"); });
  auto reference = loop->CreateTimer("reference", 120, [&] { fired.push_back("reference"); });
  auto restart = loop->CreateTimer("restart", 40, {});
  restart->SetOnTimer([&] {
    restart->SetEnabled(false);
    timer->SetEnabled(false);
    timer->SetEnabled(true);
  });
  for (auto* t : {timer.get(), reference.get(), restart.get()}) t->SetEnabled(true);
  PumpUntil([&] { return fired.size() == 2; });
  // Enabled again at 40 for 100 ms: due at 140, after the reference at 120, not at 100.
  EXPECT_EQ(fired, (std::vector<std::string>{"reference", "timer"}));
}

TEST_P(EventLoopContract, NextTickComesOneIntervalAfterTheHandlerReturned) {
  std::vector<std::string> fired;
  auto reference = loop->CreateTimer("reference", 130, [&] { fired.push_back("reference"); });
  auto slow = loop->CreateTimer("slow", 100, {});
  slow->SetOnTimer([&] {
    fired.push_back("slow");
    if (fired.size() > 1) return;
    reference->SetEnabled(true);
    loop->Sleep(60);
  });
  slow->SetEnabled(true);
  PumpUntil([&] { return fired.size() == 3; });
  // The first tick at 100 returns at 160: the next is due at 260, after the
  // reference at 230, not at 200 as counted from the tick's own due time.
  EXPECT_EQ(fired, (std::vector<std::string>{"slow", "reference", "slow"}));
}

TEST_P(EventLoopContract, EnablingAnEnabledTimerDoesNotRestartItsPeriod) {
  int slow_ticks = 0;
  int fast_ticks = 0;
  auto slow = loop->CreateTimer("slow", 50, [&] { ++slow_ticks; });
  auto fast = loop->CreateTimer("fast", 10, {});
  fast->SetOnTimer([&] {
    ++fast_ticks;
    slow->SetEnabled(true);  // more often than its period
  });
  slow->SetEnabled(true);
  fast->SetEnabled(true);
  PumpUntil([&] { return slow_ticks > 0 || fast_ticks == 20; });
  EXPECT_EQ(slow_ticks, 1) << "after " << fast_ticks << " re-enablings";
  EXPECT_LT(fast_ticks, 20);
}

TEST_P(EventLoopContract, ProcessMessagesReturnsWhenNothingIsPending) {
  int ticks = 0;
  auto timer = loop->CreateTimer("t", 60000, [&] { ++ticks; });
  timer->SetEnabled(true);
  loop->ProcessMessages();
  EXPECT_EQ(ticks, 0);
}

TEST_P(EventLoopContract, ProcessMessagesDispatchesPendingDescriptors) {
  SocketPair pair;
  std::vector<char> got;
  auto watch = loop->WatchIo(pair.fds[0], [&](IoEvent event) {
    EXPECT_EQ(event, IoEvent::kReadable);
    got.push_back(pair.Take());
  });
  pair.Put('a');
  loop->ProcessMessages();
  EXPECT_EQ(got, std::vector<char>{'a'});
}

TEST_P(EventLoopContract, WatchReportsWritableOnlyWhileWanted) {
  SocketPair pair;
  std::vector<IoEvent> seen;
  auto watch = loop->WatchIo(pair.fds[0], [&](IoEvent event) {
    seen.push_back(event);
    if (event == IoEvent::kReadable) pair.Take();
  });
  watch->SetWantWrite(true);
  PumpUntil([&] { return !seen.empty(); });
  EXPECT_EQ(seen.front(), IoEvent::kWritable);

  // The socket stays writable; only the byte from the peer may be reported.
  watch->SetWantWrite(false);
  seen.clear();
  pair.Put('x');
  PumpUntil([&] { return !seen.empty(); });
  loop->ProcessMessages();
  EXPECT_EQ(seen, std::vector<IoEvent>{IoEvent::kReadable});
}

// Also when the refusal came before the loop watched the socket, which leaves
// Winsock no connect event to post, and to a loop that never waits.
TEST_P(EventLoopContract, ConnectRefusedBeforeTheWatchReachesItsOwner) {
  int port = 0;
  const IoHandle refusing = OpenTestListener(port, false);
  const IoHandle client = StartTestConnect(port);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  bool told = false;
  auto watch = loop->WatchIo(client, [&](IoEvent) { told = true; });
  watch->SetWantWrite(true);
  for (int i = 0; i < 300 && !told; ++i) {
    loop->ProcessMessages();
    loop->Sleep(10);
  }
  EXPECT_TRUE(told);
  watch.reset();
  CloseTestHandle(client);
  CloseTestHandle(refusing);
}

// A connect still under way is no event, whether the loop looks without
// waiting or as it waits: the listener's queue is full, so the last client's
// connect stays pending until its first retry, a second later.
TEST_P(EventLoopContract, ConnectStillUnderWayIsNotReported) {
  int port = 0;
  const IoHandle listener = OpenTestListener(port);
  std::vector<IoHandle> clients;
  for (int i = 0; i < 12; ++i) clients.push_back(StartTestConnect(port));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  bool told = false;
  auto watch = loop->WatchIo(clients.back(), [&](IoEvent) { told = true; });
  watch->SetWantWrite(true);
  loop->ProcessMessages();
  bool ended = false;
  auto end = loop->CreateTimer("end", 300, [&] { ended = true; });
  end->SetEnabled(true);
  PumpUntil([&] { return ended; });
  EXPECT_FALSE(told);
  watch.reset();
  for (const IoHandle client : clients) CloseTestHandle(client);
  CloseTestHandle(listener);
}

TEST_P(EventLoopContract, SleepDispatchesNothing) {
  int ticks = 0;
  auto timer = loop->CreateTimer("t", 1, [&] { ++ticks; });
  timer->SetEnabled(true);
  loop->Sleep(20);
  EXPECT_EQ(ticks, 0);
  PumpUntil([&] { return ticks > 0; });
}

TEST_P(EventLoopContract, WatchAndTimerMayBeDestroyedInsideTheirHandlers) {
  SocketPair pair;
  int watch_calls = 0;
  int timer_calls = 0;
  std::unique_ptr<IoWatch> watch;
  watch = loop->WatchIo(pair.fds[0], [&](IoEvent) {
    ++watch_calls;
    watch.reset();
  });
  std::unique_ptr<Timer> timer;
  timer = loop->CreateTimer("t", 10, [&] {
    ++timer_calls;
    timer.reset();
  });
  timer->SetEnabled(true);
  pair.Put('a');
  bool stop = false;
  auto end = loop->CreateTimer("end", 200, [&] { stop = true; });
  end->SetEnabled(true);
  PumpUntil([&] { return stop; });
  EXPECT_EQ(watch_calls, 1);
  EXPECT_EQ(timer_calls, 1);
  EXPECT_EQ(watch, nullptr);
  EXPECT_EQ(timer, nullptr);
}

TEST_P(EventLoopContract, SynchronizeRunsOnTheLoopThreadWhileTheCallerWaits) {
  const auto loop_thread = std::this_thread::get_id();
  std::thread::id ran_on;
  std::atomic<bool> caller_returned{false};
  bool value_seen_by_caller = false;
  int value = 0;
  std::thread caller([&] {
    loop->Synchronize([&] {
      ran_on = std::this_thread::get_id();
      value = 42;
    });
    value_seen_by_caller = value == 42;
    caller_returned = true;
  });
  PumpUntil([&] { return value == 42; });
  caller.join();
  EXPECT_TRUE(caller_returned);
  EXPECT_TRUE(value_seen_by_caller);
  EXPECT_EQ(ran_on, loop_thread);

  bool direct = false;
  loop->Synchronize([&] { direct = true; });
  EXPECT_TRUE(direct) << "on the loop thread the call runs at once";
}

TEST_P(EventLoopContract, NoSynchronizedCallIsLeftWaitingForAWakeUp) {
  // A loop may wait in another way while it watches a socket.
  for (const bool watching : {false, true}) {
    SCOPED_TRACE(watching ? "watching an idle socket" : "watching nothing");
    SocketPair pair;
    std::unique_ptr<IoWatch> watch;
    if (watching) watch = loop->WatchIo(pair.fds[0], [](IoEvent) {});
    constexpr int kCalls = 20000;
    int ran = 0;
    std::thread caller([&] {
      for (int i = 0; i < kCalls; ++i) loop->Synchronize([&] { ++ran; });
    });
    // No timer runs: a lost wake-up leaves the loop blocked for good.
    while (ran < kCalls) loop->HandleMessage();
    caller.join();
    EXPECT_EQ(ran, kCalls);
  }
}

TEST_P(EventLoopContract, CheckSynchronizeRunsOnlyTheCallsOtherThreadsWaitOn) {
  int ticks = 0;
  auto timer = loop->CreateTimer("t", 0, [&] { ++ticks; });
  timer->SetEnabled(true);
  std::atomic<bool> ran{false};
  std::thread caller([&] { loop->Synchronize([&] { ran = true; }); });
  // The call is queued at some point after the thread starts; the bound
  // only keeps a broken loop from hanging the test.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!ran && std::chrono::steady_clock::now() < give_up) {
    loop->CheckSynchronize();
    std::this_thread::yield();
  }
  const bool ran_by_check = ran;
  while (!ran) loop->ProcessMessages();
  caller.join();
  EXPECT_TRUE(ran_by_check);
  EXPECT_EQ(ticks, 0) << "a due timer is not dispatched";
}

TEST_P(EventLoopContract, QuitEndsRunAfterTheCurrentHandler) {
  int ticks = 0;
  auto timer = loop->CreateTimer("t", 10, [&] {
    if (++ticks % 2 == 0) loop->Quit();
  });
  timer->SetEnabled(true);
  loop->Run();
  EXPECT_EQ(ticks, 2);
  loop->Run();
  EXPECT_EQ(ticks, 4) << "the first Quit does not end the next Run";
}

TEST_P(EventLoopContract, AnEnabledTimerTakesANewIntervalAtOnce) {
  std::vector<std::string> fired;
  auto timer = loop->CreateTimer("timer", 60000, [&] { fired.push_back("timer"); });
  auto reference = loop->CreateTimer("reference", 200, [&] { fired.push_back("reference"); });
  timer->SetEnabled(true);
  reference->SetEnabled(true);
  timer->SetInterval(10);
  PumpUntil([&] { return !fired.empty(); });
  EXPECT_EQ(fired.front(), "timer");
}

// Only for loops on real time: a virtual clock moves only when nothing is
// ready, so a descriptor that stays ready holds it still.
class RealTimeEventLoopContract : public EventLoopContract {};

TEST_P(RealTimeEventLoopContract, DescriptorThatStaysReadyDoesNotStarveTimers) {
  SocketPair pair;
  pair.Put('x');  // never read: the descriptor stays readable
  int readable = 0;
  auto watch = loop->WatchIo(pair.fds[0], [&](IoEvent) { ++readable; });
  bool fired = false;
  auto timer = loop->CreateTimer("t", 20, [&] { fired = true; });
  timer->SetEnabled(true);
  // However fast the readable descriptor comes round, the timer is due after
  // 20 ms of the clock; a loaded machine gets ten seconds.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fired && std::chrono::steady_clock::now() < give_up) loop->HandleMessage();
  EXPECT_TRUE(fired) << "the timer never fired while the descriptor stayed ready";
  EXPECT_GT(readable, 0);
}

// As NoSynchronizedCallIsLeftWaitingForAWakeUp, but a lost wake-up fails
// within seconds: the loop's one timer ends a wait that no posted call ended.
TEST_P(RealTimeEventLoopContract, APostedCallEndsTheLoopsWaitAtOnce) {
  constexpr int kCalls = 2000;
  bool rescued = false;
  auto rescue = loop->CreateTimer("rescue", 5000, [&] { rescued = true; });
  rescue->SetEnabled(true);
  std::atomic<int> ran{0};
  std::thread caller([&] {
    for (int i = 0; i < kCalls; ++i) loop->Synchronize([&] { ++ran; });
  });
  while (ran < kCalls && !rescued) loop->HandleMessage();
  EXPECT_FALSE(rescued) << "a posted call waited for the timer; calls run: " << ran;
  while (ran < kCalls) loop->CheckSynchronize();
  caller.join();
}

// Only for the loops over the readiness poller (the dispatching loops).
class PolledEventLoopContract : public EventLoopContract {};

TEST_P(PolledEventLoopContract, AHangUpWithoutDataIsReadable) {
  const IoHandle hung_up = OpenTestHungUpHandle();
  ASSERT_NE(hung_up, kNoIoHandle);
  std::vector<IoEvent> seen;
  auto watch = loop->WatchIo(hung_up, [&](IoEvent event) { seen.push_back(event); });
  bool gave_up = false;
  auto watchdog = loop->CreateTimer("watchdog", 2000, [&] { gave_up = true; });
  watchdog->SetEnabled(true);
  PumpUntil([&] { return !seen.empty() || gave_up; });
  watch.reset();
  CloseTestHandle(hung_up);
  ASSERT_FALSE(seen.empty()) << "a hang-up must reach the handler, which then finds the end";
  EXPECT_EQ(seen.front(), IoEvent::kReadable);
}

}  // namespace korvex
