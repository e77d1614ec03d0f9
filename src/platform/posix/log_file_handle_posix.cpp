#include "platform/log_file_handle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace korvex {

SystemError LogFileError(int code) {
  switch (code) {
    case ENOENT:
    case ENOTDIR:
      return {ErrorKind::kNotFound, code};
    case EWOULDBLOCK:
      return {ErrorKind::kBusy, code};
    // A rotation onto a name a folder holds, as Windows says it.
    case EISDIR:
    case EACCES:
    case EPERM:
    case EROFS:
      return {ErrorKind::kAccessDenied, code};
    case EIO:
      return {ErrorKind::kBroken, code};
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return {ErrorKind::kNoSpace, code};
    default:
      return {ErrorKind::kOther, code};
  }
}

SystemError RenameLogFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0 ? SystemError{} : LogFileError(errno);
}

std::unique_ptr<LogFileHandle> LogFileHandle::Open(const std::string& path,
                                                   const LogFileHandle* like,
                                                   LogFileRefusal& refusal, std::string& reason) {
  // Looked at before opening: opening a device may act on it.
  struct stat status {};
  if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
    refusal = LogFileRefusal::kNotRegular;
    return nullptr;
  }
  const int fd =
      open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
           S_IRUSR | S_IWUSR);
  if (fd < 0) {
    refusal = LogFileRefusal::kCannotOpen;
    reason = LogFileErrorText(LogFileError(errno));
    return nullptr;
  }
  // Looked at again: the name may have changed hands in between.
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    refusal = LogFileRefusal::kNotRegular;
    return nullptr;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    refusal = error == EWOULDBLOCK ? LogFileRefusal::kHeldByAnother : LogFileRefusal::kCannotOpen;
    reason = LogFileErrorText(LogFileError(error));
    return nullptr;
  }
  std::uint32_t permissions = status.st_mode & 07777;
  if (like && fchmod(fd, like->permissions_) == 0) permissions = like->permissions_;
  return std::unique_ptr<LogFileHandle>(
      new LogFileHandle(fd, static_cast<std::uint64_t>(status.st_size), permissions));
}

LogFileHandle::~LogFileHandle() {
  close(static_cast<int>(native_));
}

bool LogFileHandle::Append(std::string_view bytes, std::string& reason) {
  const int fd = static_cast<int>(native_);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written >= 0) {
      done += static_cast<std::size_t>(written);
    } else if (errno != EINTR) {
      reason = LogFileErrorText(LogFileError(errno));
      // Should even cutting back fail, the size counted on stays the file's.
      if (done > 0 && ftruncate(fd, static_cast<off_t>(size_)) != 0) size_ += done;
      return false;
    }
  }
  size_ += bytes.size();
  return true;
}

}  // namespace korvex
