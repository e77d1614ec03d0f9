// The link engine over the fake socket client and the recording serial port
// layer, on virtual time: the fixture of the TCP and the serial transaction
// tests. The log keeps the virtual time at which each waiting dot came.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/vardos_link.h"
#include "support/bytes.h"
#include "support/delayed_actions.h"
#include "support/fake_serial_port.h"
#include "support/fake_socket_client.h"
#include "support/recording_view.h"
#include "support/virtual_event_loop.h"

namespace korvex {

// A read of item 00 00 02 from controller 1, its frame, and the answer.
inline const std::string kRead = Hex("51 71 00 00 02");
inline const std::string kReadFrame = Hex("E1 5C 01 0A 59 00 01 00 51 71 00 00 02 71");
inline const std::string kAnswer = Hex("E1 5C 00 0B 00 00 00 01 51 78 04 03 02 01 27");
inline const std::string kAnswerData = Hex("51 78 04 03 02 01");

class TimedLog : public RecordingView {
 public:
  explicit TimedLog(VirtualEventLoop& loop) : loop_(loop) {}
  void AppendToLastLine(std::string_view text) override {
    if (text == ".") dot_times.push_back(loop_.Now());
    RecordingView::AppendToLastLine(text);
  }
  std::vector<std::int64_t> dot_times;

 private:
  VirtualEventLoop& loop_;
};

class LinkFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    link.Init(loop);
    link.Setup(serial, socket);
    serial_port.ClearCalls();
  }
  void TearDown() override { link.Done(); }

  TVardosComm& comm() { return *link.Comm; }

  VirtualEventLoop loop;
  FakeSocketClient socket;
  FakeSerialPort serial_port;
  TSerial serial{loop, serial_port};
  TimedLog log{loop};
  TVardosLink link;
  DelayedActions Later{loop};
};

}  // namespace korvex
