#include "sim_io.h"

#include <winsock2.h>

#include <algorithm>
#include <climits>

// Only TCP clients here: the Windows build serves no serial line.
namespace vx2::sim {

ReadOutcome ReadSome(korvex::IoHandle handle, bool, char* buffer, std::size_t size) {
  const int received =
      recv(static_cast<SOCKET>(handle), buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)), 0);
  if (received == SOCKET_ERROR) {
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return {ReadStatus::kNothingNow, 0, {}};
    return {ReadStatus::kFailed, 0, "chyba Winsock " + std::to_string(error)};
  }
  if (received == 0) return {ReadStatus::kEnd, 0, {}};
  return {ReadStatus::kData, static_cast<std::size_t>(received), {}};
}

bool SendNow(korvex::IoHandle handle, bool, std::string_view bytes) {
  while (!bytes.empty()) {
    const int sent = send(static_cast<SOCKET>(handle), bytes.data(),
                          static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX)), 0);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void CloseSocket(korvex::IoHandle handle) { closesocket(static_cast<SOCKET>(handle)); }

}  // namespace vx2::sim
