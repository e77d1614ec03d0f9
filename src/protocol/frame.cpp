#include "protocol/frame.h"

namespace korvex {
namespace {

constexpr std::size_t kHeaderEnd = 8;  // offset of the first data byte
// A length below this would put the check byte inside the header.
constexpr std::uint8_t kMinLength = 5;

std::uint8_t Byte(std::string_view s, std::size_t i) { return static_cast<std::uint8_t>(s[i]); }

// Could a frame begin at `at`? The bytes that have not arrived yet may still
// make it one.
bool MayStartFrame(std::string_view s, std::size_t at, const FrameCheck& check) {
  if (Byte(s, at) != kFrameStart1) return false;
  if (at + 1 == s.size()) return true;
  if (Byte(s, at + 1) != kFrameStart2) return false;
  return at + 2 == s.size() || !check.first || Byte(s, at + 2) == *check.first;
}

// Where the first possible frame begins; the size of `s` when nowhere.
std::size_t FrameStart(std::string_view s, const FrameCheck& check) {
  for (std::size_t at = s.find(static_cast<char>(kFrameStart1)); at != std::string_view::npos;
       at = s.find(static_cast<char>(kFrameStart1), at + 1)) {
    if (MayStartFrame(s, at, check)) return at;
  }
  return s.size();
}

}  // namespace

bool WrapFrame(std::uint8_t first, const std::array<std::uint8_t, 4>& header,
               std::string_view data, std::string& frame) {
  if (data.size() > kMaxFrameData) return false;
  std::string body;
  body.reserve(data.size() + 6);
  body += static_cast<char>(first);
  body += static_cast<char>(data.size() + kMinLength);
  for (std::uint8_t h : header) body += static_cast<char>(h);
  body += data;
  std::uint8_t check = 0;
  for (char c : body) check ^= static_cast<std::uint8_t>(c);
  frame.clear();
  frame += static_cast<char>(kFrameStart1);
  frame += static_cast<char>(kFrameStart2);
  frame += body;
  frame += static_cast<char>(check);
  return true;
}

bool TakeFrame(std::string& buffer, const FrameCheck& check, std::string& data, FrameFault* fault) {
  auto discard = [&buffer, fault](FrameFault why) {
    buffer.clear();
    if (fault) *fault = why;
    return false;
  };
  const std::size_t start = FrameStart(buffer, check);
  if (start > 0) {
    // Noise goes in one step, however long it is.
    buffer.erase(0, start);
    return false;
  }
  if (buffer.size() < 4) return false;
  const std::uint8_t length = Byte(buffer, 3);
  if (length < kMinLength) return discard(FrameFault::kLength);
  const std::size_t frame_size = std::size_t{length} + 4;
  if (buffer.size() < frame_size) return false;
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < frame_size - 1; ++i) sum ^= Byte(buffer, i);
  if (sum != Byte(buffer, frame_size - 1)) return discard(FrameFault::kCheckByte);
  if (Byte(buffer, check.address_offset) != check.address) return discard(FrameFault::kAddress);
  data.assign(buffer, kHeaderEnd, frame_size - 1 - kHeaderEnd);
  buffer.erase(0, frame_size);
  return true;
}

}  // namespace korvex
