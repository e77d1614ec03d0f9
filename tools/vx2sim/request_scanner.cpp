#include "request_scanner.h"

#include <string_view>

#include "protocol/frame.h"

namespace vx2::sim {
namespace {

constexpr std::size_t kLengthOffset = 3;
constexpr std::size_t kAddressOffset = 6;
constexpr std::uint8_t kMinLength = 5;

// The largest length byte plus the bytes it does not count.
constexpr std::size_t kLargestFrame = 255 + 4;

bool StartsFrame(const std::string& bytes) {
  return bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == korvex::kFrameStart1 &&
         static_cast<std::uint8_t>(bytes[1]) == korvex::kFrameStart2;
}

// TakeFrame has discarded a buffer beginning with `head`; tell which frame
// it was and why.
ScanEvent Rejected(const std::string& head, std::size_t discarded, std::uint8_t address) {
  const auto length = static_cast<std::uint8_t>(head[kLengthOffset]);
  RejectReason reason = RejectReason::kBadCheck;
  std::size_t frame_size = std::size_t{length} + 4;
  if (length < kMinLength) {
    reason = RejectReason::kLengthTooSmall;
    frame_size = kLengthOffset + 1;
  } else if (static_cast<std::uint8_t>(head[kAddressOffset]) != address) {
    reason = RejectReason::kOtherAddress;
  }
  return {ScanEventKind::kRejected, head.substr(0, frame_size), {}, reason, discarded - frame_size};
}

void AddSkipped(std::vector<ScanEvent>& events, std::string_view bytes) {
  if (events.empty() || events.back().kind != ScanEventKind::kSkipped) {
    events.push_back({ScanEventKind::kSkipped, {}, {}});
  }
  events.back().bytes += bytes;
}

}  // namespace

std::vector<ScanEvent> ScanRequests(std::string& buffer, std::uint8_t address) {
  const korvex::FrameCheck check{std::nullopt, kAddressOffset, address};
  std::vector<ScanEvent> events;
  while (!buffer.empty()) {
    // Only the front can form the next frame; junk before a frame start is
    // dropped in one call, so it is copied once.
    const std::string head = StartsFrame(buffer) ? buffer.substr(0, kLargestFrame) : buffer;
    const std::size_t size_before = buffer.size();
    std::string data;
    if (korvex::TakeFrame(buffer, check, data)) {
      events.push_back(
          {ScanEventKind::kRequest, head.substr(0, size_before - buffer.size()), std::move(data)});
    } else if (buffer.size() == size_before) {
      break;  // a frame still arriving
    } else if (!StartsFrame(head)) {
      AddSkipped(events, std::string_view(head).substr(0, size_before - buffer.size()));
    } else {
      events.push_back(Rejected(head, size_before, address));
    }
  }
  return events;
}

}  // namespace vx2::sim
