#include "sim_io.h"

#include <algorithm>
#include <climits>

#include "platform/socket_shim.h"
#include "serial_line.h"

namespace vx2::sim {
namespace {

int Chunk(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

}  // namespace

ReadOutcome ReadSome(korvex::IoHandle handle, bool line, char* buffer, std::size_t size) {
  if (line) return ReadLine(handle, buffer, size);
  for (;;) {
    const auto received = recv(korvex::AsSocket(handle), buffer, Chunk(size), 0);
    if (received > 0) return {ReadStatus::kData, static_cast<std::size_t>(received), {}};
    if (received == 0) return {ReadStatus::kEnd, 0, {}};
    const int error = korvex::LastSocketError();
    if (korvex::Interrupted(error)) continue;
    if (korvex::WouldBlock(error)) return {ReadStatus::kNothingNow, 0, {}};
    return {ReadStatus::kFailed, 0, korvex::SocketErrorText(korvex::SocketError(error))};
  }
}

bool SendNow(korvex::IoHandle handle, bool line, std::string_view bytes) {
  if (line) return WriteLine(handle, bytes);
  while (!bytes.empty()) {
    const auto sent =
        send(korvex::AsSocket(handle), bytes.data(), Chunk(bytes.size()), korvex::kSendFlags);
    if (sent < 0 && korvex::Interrupted(korvex::LastSocketError())) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void CloseSocket(korvex::IoHandle handle) {
  korvex::CloseSocket(korvex::AsSocket(handle));
}

}  // namespace vx2::sim
