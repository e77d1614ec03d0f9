// The log file as the system holds it. Opening never waits (a FIFO without
// a reader would hold the communicator before its first line), and whatever
// is not a regular file is refused. A new file is readable by its owner
// alone (the log holds plant values), the handle is not passed on to
// programs the communicator starts, and the file is held exclusively, so that
// two communicators never write into one file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/system_error.h"

namespace korvex {

enum class LogFileRefusal { kCannotOpen, kNotRegular, kHeldByAnother };

// This platform's code of a failed file call, as the project's error.
SystemError LogFileError(int code);

// Gives a log file the next name in the rotation, replacing a file that had
// it; kNone when done. Done here, not through std::filesystem, whose errors
// on Windows are C library codes and not the system's.
SystemError RenameLogFile(const std::string& from, const std::string& to);

class LogFileHandle {
 public:
  // Null when refused, with why in `refusal` and the cause's Czech text in
  // `reason`. `like`, when given, is the file rotated away: a file created
  // now takes its permissions.
  static std::unique_ptr<LogFileHandle> Open(const std::string& path, const LogFileHandle* like,
                                             LogFileRefusal& refusal, std::string& reason);
  ~LogFileHandle();
  LogFileHandle(const LogFileHandle&) = delete;
  LogFileHandle& operator=(const LogFileHandle&) = delete;

  std::uint64_t Size() const { return size_; }
  // Appends all of `bytes` or nothing: what the system took of a write it
  // did not finish (a full disk) is cut off again, so no line is ever left
  // cut in the file. False with the cause's Czech text in `reason`.
  bool Append(std::string_view bytes, std::string& reason);

 private:
  LogFileHandle(std::intptr_t native, std::uint64_t size, std::uint32_t permissions)
      : native_(native), size_(size), permissions_(permissions) {}

  std::intptr_t native_;
  std::uint64_t size_;
  std::uint32_t permissions_;
};

}  // namespace korvex
