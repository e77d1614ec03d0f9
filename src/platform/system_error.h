// What a failed call to the operating system means, in the project's own
// small set of errors. Each backend (serial port, socket, log file, host
// desktop) maps its platform's codes to these once, in its platform file,
// and every platform then shows the same Czech text for the same error.
#pragma once

#include <cstdint>
#include <string>

namespace korvex {

enum class ErrorKind : std::uint8_t {
  kNone,
  kNotFound,
  kBusy,
  kAccessDenied,
  kRefused,
  kUnreachable,
  kBroken,
  kTimedOut,
  kNoSpace,
  kOther,
};

struct SystemError {
  ErrorKind kind = ErrorKind::kNone;
  // The platform's own code, kept for errors outside the set and for a trace.
  int code = 0;

  bool operator==(const SystemError&) const = default;
};

// The Czech texts, one per error and backend, the same on every platform.
std::string SerialErrorText(SystemError error);
std::string SocketErrorText(SystemError error);
std::string LogFileErrorText(SystemError error);
std::string DesktopErrorText(SystemError error);
std::string OutputErrorText(SystemError error);

}  // namespace korvex
