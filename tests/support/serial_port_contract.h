// What every serial port layer does on a real line, whatever the platform:
// exclusive opens, handles that stay dead, events for new input and a drained
// output, waits ended by a new mask or a close, failures once the device is
// gone. Instantiate with a SerialRigFactory:
//   INSTANTIATE_TEST_SUITE_P(Name, SerialPortContract, ::testing::Values(SerialRigFactory{...}));
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "platform/serial_port.h"

namespace korvex {

// A line whose far end the test holds: the layer under test opens it as COM
// Port(). Every wait is bounded.
class SerialRig {
 public:
  struct Errors {
    int busy;        // a port another opener holds
    int missing;     // a port that does not exist
    int bad_handle;  // a handle already closed
    int timed_out;   // a write the line did not take in time
  };

  virtual ~SerialRig() = default;
  // A layer of its own each time, as another program would have.
  virtual std::unique_ptr<SerialPortLayer> MakeLayer() = 0;
  virtual int Port() const = 0;
  virtual int MissingPort() const = 0;
  virtual Errors Codes() const = 0;
  // The far end.
  virtual void Send(const std::string& bytes) = 0;
  virtual std::string Receive(std::size_t count) = 0;
  // The device goes away.
  virtual void Vanish() = 0;
  // Called on the thread about to wait; then AwaitInWait is true once that
  // thread sits in the wait (false if it does not get there in 10 s).
  virtual void EnterWait() {}
  virtual bool AwaitInWait() = 0;
};

struct SerialRigFactory {
  std::string name;
  std::function<std::unique_ptr<SerialRig>()> make;
};

inline void PrintTo(const SerialRigFactory& factory, std::ostream* os) {
  *os << factory.name;
}

class SerialPortContract : public ::testing::TestWithParam<SerialRigFactory> {
 protected:
  static constexpr std::uint32_t kFailed = 0xFFFFFFFF;

  void SetUp() override {
    rig = GetParam().make();
    ASSERT_TRUE(rig);
    layer = rig->MakeLayer();
  }

  PortHandle OpenLine() {
    const PortHandle port = layer->Open(rig->Port());
    const TDcb k8N1{28, 38400, kDcbBinary, 341, 341, 8, 0, 0, 0x11, 0x13, '?', 0, 0};
    if (port != kNoPort) {
      EXPECT_TRUE(layer->SetCommState(port, k8N1)) << layer->LastError().code;
      EXPECT_TRUE(layer->SetCommTimeouts(port, {0xFFFFFFFF, 0, 0, 0, 0}));
    }
    return port;
  }

  // WaitCommEvent on a thread of its own, as the event thread calls it.
  class Waiter {
   public:
    Waiter(SerialRig& rig, SerialPortLayer& layer, PortHandle port)
        : thread_([this, &rig, &layer, port] {
            rig.EnterWait();
            std::uint32_t events = 0;
            events_ = layer.WaitCommEvent(port, events) ? events : kFailed;
            done_ = true;
          }) {}
    ~Waiter() {
      if (thread_.joinable()) thread_.join();
    }
    std::uint32_t Events() {
      thread_.join();
      return events_;
    }
    // The events, or 0 when the wait had to be ended by `end` after `limit`.
    std::uint32_t EventsWithin(std::chrono::milliseconds limit, const std::function<void()>& end) {
      const auto give_up = std::chrono::steady_clock::now() + limit;
      while (!done_ && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      if (!done_) end();
      return Events();
    }

   private:
    std::atomic<bool> done_{false};
    std::uint32_t events_ = kFailed;
    std::thread thread_;
  };

  std::unique_ptr<SerialRig> rig;
  std::unique_ptr<SerialPortLayer> layer;
};

TEST_P(SerialPortContract, OpensExclusivelyAndAClosedHandleStaysClosed) {
  const PortHandle port = OpenLine();
  ASSERT_NE(port, kNoPort) << layer->LastError().code;
  const auto other = rig->MakeLayer();
  EXPECT_EQ(other->Open(rig->Port()), kNoPort);
  EXPECT_EQ(other->LastError().code, rig->Codes().busy);

  ASSERT_TRUE(layer->CloseHandle(port));
  EXPECT_FALSE(layer->SetCommMask(port, kEvRxChar)) << "a closed handle stays closed";
  EXPECT_EQ(layer->LastError().code, rig->Codes().bad_handle);
  const PortHandle again = other->Open(rig->Port());
  EXPECT_NE(again, kNoPort) << "the claim went with the close";
  ASSERT_TRUE(other->CloseHandle(again));
  EXPECT_NE(layer->Open(rig->Port()), port) << "handles are not reused";

  EXPECT_EQ(layer->Open(rig->MissingPort()), kNoPort);
  EXPECT_EQ(layer->LastError().code, rig->Codes().missing);
}

TEST_P(SerialPortContract, EventsComeForNewInputAndADrainedOutput) {
  const PortHandle port = OpenLine();
  ASSERT_NE(port, kNoPort) << layer->LastError().code;
  ASSERT_TRUE(layer->SetCommMask(port, kEvRxChar | kEvTxEmpty | kEvCts));
  std::uint8_t byte = 0;
  EXPECT_EQ(layer->ReadByte(port, byte), 0) << "nothing waiting is no failure";

  rig->Send("abc");
  EXPECT_EQ(Waiter(*rig, *layer, port).Events(), kEvRxChar);
  TComStat queues;
  ASSERT_TRUE(layer->ClearCommError(port, queues));
  EXPECT_EQ(queues.cbInQue, 3u);
  {
    // Bytes left unread are no new event; a byte more is.
    Waiter waiter(*rig, *layer, port);
    ASSERT_TRUE(rig->AwaitInWait());
    rig->Send("d");
    EXPECT_EQ(waiter.Events(), kEvRxChar);
  }
  std::string read;
  while (layer->ReadByte(port, byte) == 1) read += static_cast<char>(byte);
  EXPECT_EQ(read, "abcd");
  rig->Send("e");
  const auto same_mask = [&] { layer->SetCommMask(port, kEvRxChar | kEvTxEmpty | kEvCts); };
  EXPECT_EQ(Waiter(*rig, *layer, port).EventsWithin(std::chrono::seconds(2), same_mask),
            kEvRxChar)
      << "input smaller than what was read before is new input too";
  ASSERT_EQ(layer->ReadByte(port, byte), 1);

  ASSERT_TRUE(layer->WriteFile(port, "\xE1\x5C", 500));
  EXPECT_EQ(Waiter(*rig, *layer, port).Events(), kEvTxEmpty);
  EXPECT_EQ(rig->Receive(2), "\xE1\x5C");
  {
    Waiter waiter(*rig, *layer, port);
    ASSERT_TRUE(rig->AwaitInWait());
    ASSERT_TRUE(layer->SetCommMask(port, kEvRxChar));
    EXPECT_EQ(waiter.Events(), 0u) << "a changed mask ends the wait with no events";
  }
  Waiter waiter(*rig, *layer, port);
  ASSERT_TRUE(rig->AwaitInWait());
  ASSERT_TRUE(layer->CloseHandle(port));
  EXPECT_EQ(waiter.Events(), 0u) << "a close ends the wait";
}

TEST_P(SerialPortContract, AWriteIsWaitedForUntilItsBoundAndNoLonger) {
  const PortHandle port = OpenLine();
  ASSERT_NE(port, kNoPort) << layer->LastError().code;
  // More than the line's buffers hold: taken only as the far end reads.
  const std::string block(32 * 1024, 'x');
  std::string got;
  std::thread reader([&] { got = rig->Receive(block.size()); });
  EXPECT_TRUE(layer->WriteFile(port, block, 20000)) << layer->LastError().code;
  reader.join();
  EXPECT_EQ(got.size(), block.size());

  // Nobody reads now: the line fills up and the write gives up at its bound.
  EXPECT_FALSE(layer->WriteFile(port, std::string(1024 * 1024, 'y'), 300));
  EXPECT_EQ(layer->LastError().code, rig->Codes().timed_out);
}

TEST_P(SerialPortContract, AVanishedDeviceFailsWritesAndWaits) {
  const PortHandle port = OpenLine();
  ASSERT_NE(port, kNoPort) << layer->LastError().code;
  ASSERT_TRUE(layer->SetCommMask(port, kEvRxChar));
  rig->Vanish();
  EXPECT_FALSE(layer->WriteFile(port, "\xE1\x5C", 500)) << "a lost frame is no success";
  EXPECT_EQ(layer->LastError().kind, ErrorKind::kBroken) << layer->LastError().code;
  EXPECT_EQ(Waiter(*rig, *layer, port).Events(), kFailed);
  EXPECT_TRUE(layer->CloseHandle(port));
}

}  // namespace korvex
