// Finds the request frames addressed to this controller in the bytes a
// client has sent, frame by frame as the engine finds its answers: bytes that
// cannot start a frame are skipped, and a complete frame that fails its
// checks is discarded together with everything after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vx2::sim {

enum class ScanEventKind {
  kRequest,   // a valid frame for us: `bytes` is the frame, `data` its data
  kSkipped,   // bytes before a frame start, dropped
  kRejected,  // a frame that failed its checks: `bytes` is the frame
};

enum class RejectReason { kNone, kLengthTooSmall, kOtherAddress, kBadCheck };

struct ScanEvent {
  ScanEventKind kind;
  std::string bytes;
  std::string data;
  RejectReason reason = RejectReason::kNone;
  std::size_t dropped_after = 0;  // bytes after a rejected frame, discarded with it
};

// Takes from the front of `buffer` everything that can be decided now; what
// is left is the start of a frame still arriving.
std::vector<ScanEvent> ScanRequests(std::string& buffer, std::uint8_t address);

}  // namespace vx2::sim
