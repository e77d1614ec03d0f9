#include "console/standard_output.h"

#include <atomic>
#include <cerrno>
#include <string>

namespace korvex {
namespace {

std::string program_name = "korvex";
std::atomic<bool> told{false};

void TellStandardOutputFailed(int error) {
  if (told.exchange(true)) return;
  std::string line = program_name + ": standardní výstup nelze zapsat";
  if (error != 0) line += " (" + OutputErrorText(StandardOutputError(error)) + ")";
  line += ".\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

SystemError StandardOutputError(int code) {
  switch (code) {
    // Standard output closed before the program started.
    case EBADF:
      return {ErrorKind::kNotFound, code};
    case EPIPE:
      return {ErrorKind::kBroken, code};
    case EACCES:
    case EPERM:
      return {ErrorKind::kAccessDenied, code};
    case ENOSPC:
    case EFBIG:
      return {ErrorKind::kNoSpace, code};
    default:
      return {ErrorKind::kOther, code};
  }
}

void SetOutputProgramName(std::string_view program) {
  program_name = program;
}

bool WriteAndFlush(std::FILE* out, std::string_view text) {
  if (std::ferror(out)) return false;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0) {
    return true;
  }
  // Nothing else to tell a failed standard error to.
  if (out == stdout) TellStandardOutputFailed(errno);
  return false;
}

int ExitStatusAfterOutput(int status, int failure) {
  // A write that failed before left its bytes in the buffer: flushed again,
  // it fails again and tells why. GNU tools close the stream as well; a
  // flush already finds what pipes, terminals and local files report.
  const bool failed_before = std::ferror(stdout);
  std::clearerr(stdout);
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  if (flushed && !failed_before) return status;
  TellStandardOutputFailed(flushed ? 0 : errno);
  return status == 0 ? failure : status;
}

}  // namespace korvex
