// Feeds arbitrary received bytes to the serial event thread's message framer
// with arbitrary start, end and trailer settings, and checks every delivered
// message against the framing rule: start character, body without a start
// character, end character, then exactly the trailer count of bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/event_thread.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 3) return 0;
  const std::uint8_t start = bytes[0];
  const std::uint8_t end = bytes[1];
  const std::uint16_t append = bytes[2] % 8;
  korvex::TMessageFramer framer;
  for (std::size_t at = 3; at < size; ++at) {
    if (!framer.Take(bytes[at], start, end, append)) continue;
    const std::string& message = framer.MsgBuffer;
    Require(message.size() >= 2u + append);
    Require(static_cast<std::uint8_t>(message.front()) == start);
    const std::size_t end_at = message.size() - 1 - append;
    Require(static_cast<std::uint8_t>(message[end_at]) == end);
    for (std::size_t i = 1; i < end_at; ++i) {
      Require(static_cast<std::uint8_t>(message[i]) != start);
      Require(static_cast<std::uint8_t>(message[i]) != end);
    }
    // The message ends with the byte just taken.
    Require(message.back() == static_cast<char>(bytes[at]));
  }
  return 0;
}
