// Reading a descriptor in tests, every wait bounded.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace korvex {

// Reads from `fd` until `count` bytes have come, nothing more can come, or
// `limit` has passed.
inline std::string ReceiveFrom(int fd, std::size_t count, std::chrono::milliseconds limit) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + limit;
  while (got.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char chunk[512];
    const ssize_t n = read(fd, chunk, std::min(sizeof chunk, count - got.size()));
    if (n <= 0) break;
    got.append(chunk, static_cast<std::size_t>(n));
  }
  return got;
}

}  // namespace korvex
