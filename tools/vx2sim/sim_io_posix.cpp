#include "sim_io.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vx2::sim {

ReadOutcome ReadSome(korvex::IoHandle handle, bool, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t received = read(static_cast<int>(handle), buffer, size);
    if (received < 0 && errno == EINTR) continue;
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return {ReadStatus::kNothingNow, 0, {}};
    if (received < 0) return {ReadStatus::kFailed, 0, std::strerror(errno)};
    if (received == 0) return {ReadStatus::kEnd, 0, {}};
    return {ReadStatus::kData, static_cast<std::size_t>(received), {}};
  }
}

bool SendNow(korvex::IoHandle handle, bool line, std::string_view bytes) {
  const int fd = static_cast<int>(handle);
  while (!bytes.empty()) {
    const ssize_t sent = line ? write(fd, bytes.data(), bytes.size())
                              : send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void CloseSocket(korvex::IoHandle handle) { close(static_cast<int>(handle)); }

}  // namespace vx2::sim
