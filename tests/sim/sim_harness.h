// Running the real tool binaries in tests, and a raw loopback client that
// sees exactly the bytes vx2sim sends. Every wait is bounded.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"

namespace vx2::test {

using namespace std::chrono_literals;

// How long anything that should come may take; what should not come is
// waited for kSilence.
inline constexpr std::chrono::milliseconds kArrival = 3s;
inline constexpr std::chrono::milliseconds kSilence = 200ms;

// vx2sim on `port` of 127.0.0.1 (0: a free one), killed when the test ends.
class RunningSim {
 public:
  // Also another controller that takes vx2sim's options and ready line.
  explicit RunningSim(const std::vector<std::string>& options, int port = 0,
                      const std::string& program = VX2SIM_BINARY);
  // The port from the ready line; 0 when the simulator did not get ready.
  int Port() const { return port_; }
  korvex::ChildProcess& Process() { return process_; }

 private:
  korvex::ChildProcess process_;
  int port_ = 0;
};

inline bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

struct Finished {
  std::optional<int> status;  // nothing: still running at the limit, killed
  std::string output;         // standard output and error, interleaved
};

// Runs `program` to its end, at most `limit`.
Finished RunToEnd(const std::string& program, const std::vector<std::string>& arguments,
                  std::chrono::milliseconds limit = 10s);

class RawConnection {
 public:
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool Connected() const { return connected_; }
  int ConnectError() const { return connect_error_; }
  bool Send(std::string_view bytes);
  // Reads until `count` bytes have come, the peer has closed, or `limit`.
  std::string Receive(std::size_t count, std::chrono::milliseconds limit = kArrival);
  // The first bytes that come within `limit`, as one read returns them.
  std::string ReceiveFirst(std::chrono::milliseconds limit = kArrival);
  // Everything that comes within `limit`, up to the peer's close.
  std::string ReceiveFor(std::chrono::milliseconds limit) { return Receive(SIZE_MAX, limit); }
  // The peer has closed its side (seen by one of the reads).
  bool PeerClosed() const { return peer_closed_; }

 private:
  int fd_ = -1;
  bool connected_ = false;
  int connect_error_ = 0;
  bool peer_closed_ = false;
};

// The frame the communicator sends with `data` to controller `address`
// through relay 1.
std::string RequestFrame(std::string_view data, std::uint8_t address = 1);
// The frame controller `address` answers with.
std::string AnswerFrame(std::string_view data, std::uint8_t address = 1);

}  // namespace vx2::test
