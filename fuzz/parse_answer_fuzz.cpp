// Feeds arbitrary received bytes, in arbitrary pieces, to the answer parser
// the engine uses, and checks that it never reads past its buffer, always
// makes progress and only ever hands out data of a frame that checks out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/frame.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 2) return 0;
  const korvex::FrameCheck check{0, 7, bytes[0]};
  const std::size_t piece = bytes[1] % 16 + 1;
  std::string buffer;
  for (std::size_t at = 2; at < size; at += piece) {
    const std::size_t n = std::min(piece, size - at);
    buffer.append(reinterpret_cast<const char*>(bytes + at), n);
    for (;;) {
      const std::string before = buffer;
      std::string data;
      const bool taken = korvex::TakeFrame(buffer, check, data);
      if (taken) {
        const std::size_t frame_size = static_cast<std::uint8_t>(before[3]) + 4u;
        Require(data.size() + 9 == frame_size);
        Require(before.compare(8, data.size(), data) == 0);
        Require(buffer == before.substr(frame_size));
        std::string rebuilt;
        Require(korvex::WrapFrame(0, {static_cast<std::uint8_t>(before[4]),
                                      static_cast<std::uint8_t>(before[5]),
                                      static_cast<std::uint8_t>(before[6]), check.address},
                                  data, rebuilt));
        Require(rebuilt == before.substr(0, frame_size));
      } else {
        Require(buffer.size() <= before.size());
      }
      if (buffer == before) break;
    }
  }
  return 0;
}
