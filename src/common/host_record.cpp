#include "common/host_record.h"

#include <algorithm>

namespace korvex {
namespace {

constexpr std::string_view kRecordMagic = "TOLM";
constexpr std::string_view kReplyMagic = "TOLR";
constexpr std::uint8_t kVersion = 1;

void PutLittle(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t GetLittle(std::string_view bytes, std::size_t offset, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + static_cast<std::size_t>(i)]);
  }
  return value;
}

}  // namespace

std::uint32_t RegisteredMessageNumber(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (char c : name) {
    hash ^= static_cast<std::uint8_t>(c);
    hash *= 16777619u;
  }
  return 0xC000u + hash % 0x4000u;
}

std::string EncodeRecord(const HostRecord& record) {
  const std::string_view text = std::string_view(record.text).substr(0, kRecordTextMax);
  std::string out(kRecordMagic);
  out += static_cast<char>(kVersion);
  out += static_cast<char>(record.delivery);
  PutLittle(out, text.size(), 2);
  PutLittle(out, record.message, 4);
  PutLittle(out, record.wparam, 4);
  PutLittle(out, static_cast<std::uint64_t>(record.lparam), 8);
  out += text;
  return out;
}

std::optional<HostRecord> DecodeRecord(std::string_view bytes) {
  if (bytes.size() < kRecordHeaderSize || bytes.size() > kRecordMaxSize) return std::nullopt;
  if (bytes.substr(0, 4) != kRecordMagic || static_cast<std::uint8_t>(bytes[4]) != kVersion) {
    return std::nullopt;
  }
  const auto delivery = static_cast<std::uint8_t>(bytes[5]);
  const std::size_t length = GetLittle(bytes, 6, 2);
  if (delivery > 1 || length > kRecordTextMax || bytes.size() != kRecordHeaderSize + length) {
    return std::nullopt;
  }
  HostRecord record;
  record.delivery = static_cast<Delivery>(delivery);
  record.message = static_cast<std::uint32_t>(GetLittle(bytes, 8, 4));
  record.wparam = static_cast<std::uint32_t>(GetLittle(bytes, 12, 4));
  record.lparam = static_cast<std::int64_t>(GetLittle(bytes, 16, 8));
  record.text = bytes.substr(kRecordHeaderSize, std::min(length, kReceivedTextMax));
  return record;
}

std::string EncodeReply(std::int64_t result) {
  std::string out(kReplyMagic);
  PutLittle(out, static_cast<std::uint64_t>(result), 8);
  return out;
}

std::optional<std::int64_t> DecodeReply(std::string_view bytes) {
  if (bytes.size() != kReplySize || bytes.substr(0, 4) != kReplyMagic) return std::nullopt;
  return static_cast<std::int64_t>(GetLittle(bytes, 4, 8));
}

}  // namespace korvex
