// The serial event thread against the recording port layer, on any event
// loop: its events reach the handlers on the loop thread through synchronised
// calls. Instantiate with
//   INSTANTIATE_TEST_SUITE_P(Name, EventThreadContract, ::testing::Values(LoopFactory{...}));
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/fake_serial_port.h"
#include "support/loop_factory.h"
#include "transport/event_thread.h"
#include "transport/serial.h"

namespace korvex {

class EventThreadContract : public ::testing::TestWithParam<LoopFactory> {
 protected:
  void SetUp() override {
    loop = GetParam().make();
    serial = std::make_unique<TSerial>(*loop, layer);
    sender = serial.get();
    serial->SetNotifyErrors(eNotifyErr::neEvent);
    const auto note = [this](std::string what) {
      return [this, what](TSerial& from) {
        EXPECT_EQ(&from, sender);
        EXPECT_EQ(std::this_thread::get_id(), loop_thread);
        seen.push_back(what);
      };
    };
    serial->OnRxData = note("RxData");
    serial->OnTxEmpty = note("TxEmpty");
    serial->OnBreak = note("Break");
    serial->OnRing = note("Ring");
    serial->OnError = note("Error");
    serial->OnSignalChange = [this](TSerial&, eModemInSignal signal, bool state) {
      static const char* const kNames[] = {"CTS", "DSR", "RLSD"};
      seen.push_back(std::string(kNames[static_cast<int>(signal)]) + (state ? "+" : "-"));
    };
  }

  // The loop blocks until the thread's next call arrives; a broken thread
  // hangs here and the test's time limit ends it.
  void PumpUntil(std::size_t count) {
    while (seen.size() < count) loop->HandleMessage();
  }

  const std::thread::id loop_thread = std::this_thread::get_id();
  std::unique_ptr<EventLoop> loop;
  FakeSerialPort layer;
  std::unique_ptr<TSerial> serial;
  TSerial* sender = nullptr;
  std::vector<std::string> seen;
};

TEST_P(EventThreadContract, EventsThatComeTogetherAreDeliveredInTheirOrder) {
  serial->SetOpen(true);
  layer.SetModemStatus(kMsCtsOn | kMsRlsdOn);
  layer.Raise(kEvRxChar | kEvRing | kEvBreak | kEvTxEmpty | kEvRlsd | kEvDsr | kEvCts);
  PumpUntil(7);
  EXPECT_THAT(
      seen, ::testing::ElementsAre("CTS+", "DSR-", "RLSD+", "TxEmpty", "Break", "Ring", "RxData"));
  EXPECT_EQ(layer.ModemReads(), 3) << "each line event reads the status afresh";
  EXPECT_TRUE(serial->CtsState);
  EXPECT_FALSE(serial->DsrState);
  EXPECT_TRUE(serial->RlsdState);
}

TEST_P(EventThreadContract, MessageModeDeliversFramedMessagesOnlyWithAHandler) {
  serial->SetRxEventMode(eOpModes::rxMessage);
  serial->SetMessageAppendCount(1);
  serial->SetOpen(true);
  layer.Receive(
      "x\x02"
      "AB\x03"
      "Cy");
  layer.Raise(kEvRxChar);
  layer.Raise(kEvTxEmpty);
  PumpUntil(1);
  EXPECT_THAT(seen, ::testing::ElementsAre("TxEmpty"));
  EXPECT_EQ(layer.InputLeft(), 7u) << "without OnMessage the bytes stay queued";

  serial->SetOnMessage([this](TSerial&, std::string_view message) {
    EXPECT_EQ(std::this_thread::get_id(), loop_thread);
    seen.push_back("Message " + std::string(message));
  });
  layer.Receive("\x02");
  layer.Raise(kEvRxChar);
  PumpUntil(2);
  EXPECT_THAT(seen, ::testing::ElementsAre("TxEmpty",
                                           "Message \x02"
                                           "AB\x03"
                                           "C"));
  layer.Raise(kEvTxEmpty);
  PumpUntil(3);
  EXPECT_EQ(layer.InputLeft(), 0u);
}

TEST_P(EventThreadContract, CloseEndsTheWaitWithoutDispatchAndReopenKeepsTheThread) {
  serial->SetOpen(true);
  ASSERT_TRUE(layer.AwaitWait(1));
  // Bytes that come in the instant the port closes are not dispatched.
  layer.SetEventsWithMaskChange(kEvRxChar);
  serial->SetOpen(false);
  layer.SetEventsWithMaskChange(0);
  serial->SetOpen(true);
  layer.Raise(kEvTxEmpty);
  PumpUntil(1);
  EXPECT_THAT(seen, ::testing::ElementsAre("TxEmpty"));
  EXPECT_EQ(layer.WaitingThreads().size(), 1u);
}

TEST_P(EventThreadContract, FailedWaitOfTheOpenPortIsReportedOnTheLoopThread) {
  serial->SetOpen(true);
  ASSERT_TRUE(layer.AwaitWait(1));
  // Healed while the thread waits for the report, so it fails just once.
  serial->OnError = [this](TSerial&) {
    seen.push_back("Error " + std::to_string(serial->ErrorCode()));
    layer.Heal("WaitCommEvent");
  };
  layer.Fail("WaitCommEvent", 995);
  PumpUntil(1);
  EXPECT_THAT(seen, ::testing::ElementsAre("Error 995"));
  layer.Raise(kEvRxChar);
  PumpUntil(2);
  EXPECT_EQ(seen.back(), "RxData");
}

TEST_P(EventThreadContract, DestroyingTheComponentRunsTheCallItsThreadWaitsOn) {
  serial->SetOpen(true);
  layer.Raise(kEvRxChar);
  // Nobody pumps: the thread is (or soon will be) blocked in its
  // synchronised call when the component goes.
  serial.reset();
  EXPECT_THAT(seen, ::testing::IsEmpty()) << "events of a closed port are not delivered";
}

}  // namespace korvex
