// The records of the local host channel, as bytes. One record is one
// seqpacket message, little-endian:
//   "TOLM", version 1, delivery (0 posted, 1 sent), text length n (2 bytes,
//   0 to 255), message number (4), wParam (4), lParam (8, signed), n text bytes.
// The reply to a sent record is "TOLR" and a signed 64-bit result.
// Encoding and decoding are pure, so the communicator and the host library
// share them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

inline constexpr std::size_t kRecordHeaderSize = 24;
inline constexpr std::size_t kRecordTextMax = 255;
inline constexpr std::size_t kRecordMaxSize = kRecordHeaderSize + kRecordTextMax;
inline constexpr std::size_t kReplySize = 12;
// A received text is what a 255-byte atom name buffer holds: 254 bytes.
inline constexpr std::size_t kReceivedTextMax = 254;

enum class Delivery : std::uint8_t { kPosted = 0, kSent = 1 };

struct HostRecord {
  Delivery delivery = Delivery::kPosted;
  std::uint32_t message = 0;
  std::uint32_t wparam = 0;
  std::int64_t lparam = 0;
  std::string text;
  friend bool operator==(const HostRecord&, const HostRecord&) = default;
};

// The message number every process gets for `name`: 0xC000 plus the
// FNV-1a-32 of its bytes modulo 0x4000.
std::uint32_t RegisteredMessageNumber(std::string_view name);

// A text longer than 255 bytes travels cut to its first 255.
std::string EncodeRecord(const HostRecord& record);
// Nothing for anything but one whole, well-formed record. The text is taken
// as at most 254 bytes, as the receiving side of an atom gets it.
std::optional<HostRecord> DecodeRecord(std::string_view bytes);

std::string EncodeReply(std::int64_t result);
std::optional<std::int64_t> DecodeReply(std::string_view bytes);

}  // namespace korvex
