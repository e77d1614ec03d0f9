// The serial component against a port layer that records every call.
#include "transport/serial.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "support/fake_serial_port.h"
#include "support/virtual_event_loop.h"

namespace korvex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::vector<std::string> kOpenCalls{"Open 1",
                                          "SetupComm 1024 1024",
                                          "SetCommState",
                                          "SetCommTimeouts",
                                          "EscapeCommFunction 5",  // DTR high
                                          "EscapeCommFunction 3",  // then RTS
                                          "SetCommMask 0x17D"};
const std::vector<std::string> kCloseCalls{"PurgeComm 3", "EscapeCommFunction 6",
                                           "EscapeCommFunction 4", "SetCommMask 0x0",
                                           "CloseHandle"};

class SerialTest : public ::testing::Test {
 protected:
  VirtualEventLoop loop;
  FakeSerialPort layer;
  TSerial serial{loop, layer};
};

struct FlowCase {
  eFlowControl mode;
  std::uint32_t flags;
  std::uint32_t write_timeout;
};

TEST_F(SerialTest, SettingsRecordAndTimeoutsForEachFlowMode) {
  serial.SetCheckParity(false);
  serial.SetDataBits(eDataBits::d8bit);
  serial.SetBaudrate(38400);
  serial.SetParity(eParity::paEven);
  serial.SetStopBits(eStopBits::st2bit);
  serial.SetOpen(true);
  // In this order: the write time-out of a flow-controlled line outlives it.
  for (const FlowCase& c :
       {FlowCase{eFlowControl::fcNone, 0x0001, 0}, FlowCase{eFlowControl::fcRTS_CTS, 0x2005, 10000},
        FlowCase{eFlowControl::fcNone, 0x0001, 10000},
        FlowCase{eFlowControl::fcDTR_DSR, 0x0029, 10000},
        FlowCase{eFlowControl::fcXON_XOF, 0x0301, 10000}}) {
    serial.SetFlowMode(c.mode);
    const TDcb dcb = layer.dcb();
    SCOPED_TRACE(static_cast<int>(c.mode));
    EXPECT_EQ(dcb, (TDcb{28, 38400, c.flags, 341, 341, 8, 2, 2, 0x11, 0x13, '?', 0, 0}));
    EXPECT_EQ(layer.timeouts(), (TCommTimeouts{0xFFFFFFFF, 0, 0, 0, c.write_timeout}));
  }
  serial.SetCheckParity(true);
  EXPECT_EQ(layer.dcb().Flags, 0x0303u);
  serial.SetRxQueueSize(100);
  EXPECT_EQ(layer.dcb().XonLim, 33);
}

struct AssignmentCase {
  const char* what;
  std::function<void(TSerial&)> assign;
  bool reopens;
};

TEST_F(SerialTest, WhichAssignmentsReopenAnOpenPort) {
  const std::vector<AssignmentCase> cases{
      {"Port unchanged", [](TSerial& s) { s.SetPort(1); }, false},
      {"Port", [](TSerial& s) { s.SetPort(2); }, true},
      {"Baudrate not a rate", [](TSerial& s) { s.SetBaudrate(12345); }, false},
      {"Baudrate unchanged", [](TSerial& s) { s.SetBaudrate(9600); }, false},
      {"Baudrate", [](TSerial& s) { s.SetBaudrate(19200); }, true},
      {"Parity unchanged", [](TSerial& s) { s.SetParity(eParity::paNone); }, false},
      {"Parity", [](TSerial& s) { s.SetParity(eParity::paMark); }, true},
      {"DataBits", [](TSerial& s) { s.SetDataBits(eDataBits::d8bit); }, true},
      {"StopBits", [](TSerial& s) { s.SetStopBits(eStopBits::st2bit); }, true},
      {"RxQueueSize unchanged", [](TSerial& s) { s.SetRxQueueSize(1024); }, true},
      {"TxQueueSize unchanged", [](TSerial& s) { s.SetTxQueueSize(1024); }, true},
      {"FlowMode", [](TSerial& s) { s.SetFlowMode(eFlowControl::fcRTS_CTS); }, true},
      {"CheckParity unchanged", [](TSerial& s) { s.SetCheckParity(true); }, false},
      {"CheckParity", [](TSerial& s) { s.SetCheckParity(false); }, true},
      {"RxEventMode", [](TSerial& s) { s.SetRxEventMode(eOpModes::rxMessage); }, false},
      {"NotifyErrors", [](TSerial& s) { s.SetNotifyErrors(eNotifyErr::neNone); }, false},
  };
  for (const AssignmentCase& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualEventLoop case_loop;
    FakeSerialPort case_layer;
    TSerial port(case_loop, case_layer);
    c.assign(port);
    EXPECT_THAT(case_layer.Calls(), IsEmpty()) << "a closed port only stores";
    TSerial open(case_loop, case_layer);
    open.SetOpen(true);
    case_layer.ClearCalls();
    c.assign(open);
    std::vector<std::string> expected;
    if (c.reopens) {
      expected = kCloseCalls;
      expected.insert(expected.end(), kOpenCalls.begin(), kOpenCalls.end());
      expected[kCloseCalls.size()] = "Open " + std::to_string(open.Port());
    }
    EXPECT_EQ(case_layer.Calls(), expected);
    EXPECT_TRUE(open.Opened());
  }
  serial.SetBaudrate(12345);
  EXPECT_EQ(serial.Baudrate(), 9600);
}

TEST_F(SerialTest, WriteWaitIsScaledToTheRateWithAFloorOf500Ms) {
  struct Case {
    std::int32_t rate;
    std::size_t bytes;
    int wait;
  };
  serial.SetOpen(true);
  for (const Case& c : {Case{38400, 259, 500}, Case{9600, 3, 500}, Case{9600, 259, 518},
                        Case{1200, 300, 4800}, Case{110, 10, 1810}}) {
    serial.SetBaudrate(c.rate);
    layer.ClearCalls();
    serial.WriteString(std::string(c.bytes, 'x'));
    EXPECT_THAT(layer.Calls(),
                ElementsAre("WriteFile " + std::to_string(c.bytes) + " " + std::to_string(c.wait)));
  }
}

TEST_F(SerialTest, SignalsAndQueueCounts) {
  EXPECT_EQ(serial.RxWaiting(), 0);
  EXPECT_EQ(serial.TxWaiting(), 0);
  EXPECT_THAT(layer.Calls(), IsEmpty()) << "a closed port is not asked";
  serial.SetOpen(true);
  layer.ClearCalls();
  layer.SetQueues(5, 7);
  EXPECT_EQ(serial.RxWaiting(), 5);
  EXPECT_EQ(serial.TxWaiting(), 7);
  EXPECT_FALSE(serial.SetSignal(2, true));
  EXPECT_TRUE(serial.SetSignal(0, false));
  EXPECT_TRUE(serial.SetSignal(1, true));
  EXPECT_THAT(layer.Calls(), ElementsAre("ClearCommError", "ClearCommError", "EscapeCommFunction 0",
                                         "EscapeCommFunction 4", "EscapeCommFunction 5"));
  EXPECT_EQ(serial.ErrorCode(), 0) << "a refused signal is not an error of the component";
}

TEST_F(SerialTest, ErrorsAreKeptAndReportedAsNotifyErrorsSays) {
  int reported = 0;
  serial.OnError = [&reported](TSerial&) { ++reported; };
  layer.Fail("Open", 2);
  serial.SetOpen(true);
  EXPECT_FALSE(serial.Opened());
  EXPECT_EQ(serial.ErrorCode(), 2);
  EXPECT_EQ(reported, 0) << "neDialog shows nothing";

  serial.SetNotifyErrors(eNotifyErr::neEvent);
  layer.Fail("Open", 5);
  serial.SetOpen(true);
  EXPECT_EQ(serial.ErrorCode(), 5);
  EXPECT_EQ(reported, 1);

  // A failed settings call leaves the port open; the close goes on past
  // failures.
  layer.Heal("Open");
  layer.Fail("SetCommState", 87);
  serial.SetOpen(true);
  EXPECT_TRUE(serial.Opened());
  EXPECT_EQ(serial.ErrorCode(), 87);
  EXPECT_EQ(reported, 2);
  layer.Fail("PurgeComm", 31);
  layer.ClearCalls();
  serial.SetOpen(false);
  EXPECT_FALSE(serial.Opened());
  EXPECT_EQ(layer.Calls(), kCloseCalls);
  EXPECT_EQ(reported, 3);
}

TEST(SerialLifetime, DestroyingAnOpenComponentClosesThePortFirst) {
  VirtualEventLoop loop;
  FakeSerialPort layer;
  {
    TSerial serial(loop, layer);
    serial.SetOpen(true);
    ASSERT_TRUE(layer.AwaitWait(1));
    layer.ClearCalls();
  }
  EXPECT_EQ(layer.Calls(), kCloseCalls);
}

}  // namespace
}  // namespace korvex
