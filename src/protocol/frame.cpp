#include "protocol/frame.h"

namespace korvex {
namespace {

constexpr std::size_t kHeaderEnd = 8;  // offset of the first data byte
// A length below this would put the check byte inside the header.
constexpr std::uint8_t kMinLength = 5;

std::uint8_t Byte(std::string_view s, std::size_t i) { return static_cast<std::uint8_t>(s[i]); }

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

bool TakeFrame(std::string& buffer, const FrameCheck& check, std::string& data) {
  if (buffer.size() < 3) return false;
  if (Byte(buffer, 0) != kFrameStart1 || Byte(buffer, 1) != kFrameStart2 ||
      (check.first && Byte(buffer, 2) != *check.first)) {
    buffer.erase(0, 1);
    return false;
  }
  if (buffer.size() < 4) return false;
  const std::uint8_t length = Byte(buffer, 3);
  if (length < kMinLength) {
    buffer.clear();
    return false;
  }
  const std::size_t frame_size = std::size_t{length} + 4;
  if (buffer.size() < frame_size) return false;
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < frame_size - 1; ++i) sum ^= Byte(buffer, i);
  if (sum != Byte(buffer, frame_size - 1) || Byte(buffer, check.address_offset) != check.address) {
    buffer.clear();
    return false;
  }
  data.assign(buffer, kHeaderEnd, frame_size - 1 - kHeaderEnd);
  buffer.erase(0, frame_size);
  return true;
}

}  // namespace korvex
