// Reading from and sending to a client's socket or the serial line, and
// closing a socket: sockets through the socket shim, the line through its
// own calls (serial_line.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/event_loop.h"

namespace vx2::sim {

enum class ReadStatus { kData, kNothingNow, kEnd, kFailed };

struct ReadOutcome {
  ReadStatus status = ReadStatus::kFailed;
  std::size_t size = 0;  // bytes read, with kData
  std::string error;     // why, with kFailed
};

// One read of at most `size` bytes, without waiting. A line with nothing to
// read reports kEnd (a raw line says so with 0).
ReadOutcome ReadSome(korvex::IoHandle handle, bool line, char* buffer, std::size_t size);
// Sends all of `bytes` without waiting; false when the socket or line would
// not take them at once or has failed.
bool SendNow(korvex::IoHandle handle, bool line, std::string_view bytes);
void CloseSocket(korvex::IoHandle handle);

}  // namespace vx2::sim
