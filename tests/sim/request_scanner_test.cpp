#include "request_scanner.h"

#include <gtest/gtest.h>

#include "support/bytes.h"

namespace vx2::sim {
namespace {

using korvex::Hex;

// The communicator's frame of "Qq" 00 00 02 to controller 1 through relay 1.
const std::string kFirmwareRequest = Hex("E1 5C 01 0A 59 00 01 00 51 71 00 00 02 71");

TEST(RequestScanner, TakesTheFrameForUsWithAnyRelayByte) {
  std::string buffer = kFirmwareRequest;
  std::vector<ScanEvent> events = ScanRequests(buffer, 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, ScanEventKind::kRequest);
  EXPECT_EQ(events[0].bytes, kFirmwareRequest);
  EXPECT_EQ(events[0].data, Hex("51 71 00 00 02"));
  EXPECT_TRUE(buffer.empty());

  // Relay 7 instead of 1: the check byte changes with it.
  buffer = Hex("E1 5C 07 08 59 00 01 00 61 62 63 37");
  events = ScanRequests(buffer, 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].data, "abc");
}

TEST(RequestScanner, WaitsForAFrameArrivingInPieces) {
  std::string buffer;
  for (std::size_t i = 0; i + 1 < kFirmwareRequest.size(); ++i) {
    buffer += kFirmwareRequest[i];
    EXPECT_TRUE(ScanRequests(buffer, 1).empty()) << "after byte " << i;
    EXPECT_EQ(buffer, kFirmwareRequest.substr(0, i + 1));
  }
  buffer += kFirmwareRequest.back();
  const std::vector<ScanEvent> events = ScanRequests(buffer, 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, ScanEventKind::kRequest);
}

TEST(RequestScanner, SkipsJunkAndTakesFramesOneAfterAnother) {
  std::string buffer = Hex("00 FF E1 E1") + kFirmwareRequest + kFirmwareRequest + Hex("E1 5C");
  const std::vector<ScanEvent> events = ScanRequests(buffer, 1);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, ScanEventKind::kSkipped);
  EXPECT_EQ(events[0].bytes, Hex("00 FF E1 E1"));
  EXPECT_EQ(events[1].kind, ScanEventKind::kRequest);
  EXPECT_EQ(events[2].kind, ScanEventKind::kRequest);
  EXPECT_EQ(buffer, Hex("E1 5C"));
}

TEST(RequestScanner, RejectedFrameTakesEverythingAfterItAlong) {
  const struct {
    std::string frame;
    RejectReason reason;
  } cases[] = {
      {Hex("E1 5C 01 0A 59 00 02 00 51 71 00 00 02 72"), RejectReason::kOtherAddress},
      {Hex("E1 5C 01 0A 59 00 01 00 51 71 00 00 02 70"), RejectReason::kBadCheck},
      {Hex("E1 5C 01 04"), RejectReason::kLengthTooSmall},
  };
  for (const auto& c : cases) {
    std::string buffer = c.frame + kFirmwareRequest;
    const std::vector<ScanEvent> events = ScanRequests(buffer, 1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, ScanEventKind::kRejected);
    EXPECT_EQ(events[0].reason, c.reason);
    EXPECT_EQ(events[0].bytes, c.frame);
    EXPECT_EQ(events[0].dropped_after, kFirmwareRequest.size());
    EXPECT_TRUE(buffer.empty());
  }
}

}  // namespace
}  // namespace vx2::sim
