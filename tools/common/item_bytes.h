// Controller data items as bytes: a 3-byte item code, a 32-bit value sent
// least significant byte first, and the read and write commands that carry
// them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vx2 {

using ItemCode = std::array<std::uint8_t, 3>;

// A write record, or one entry of an item table.
struct ItemValue {
  ItemCode code;
  std::uint32_t value;
  friend bool operator==(const ItemValue&, const ItemValue&) = default;
};

inline constexpr std::size_t kCommandSize = 2;
inline constexpr std::size_t kItemCodeSize = 3;
inline constexpr std::size_t kItemValueSize = 4;
inline constexpr std::size_t kWriteRecordSize = kItemCodeSize + kItemValueSize;

inline constexpr std::string_view kReadCommand = "Qq";
inline constexpr std::string_view kReadAnswer = "Qx";
inline constexpr std::string_view kWriteCommand = "QQ";
inline constexpr std::string_view kWriteAnswer = "QX";

inline constexpr ItemCode kFirmwareItem{0x00, 0x00, 0x02};
inline constexpr ItemCode kChecksumWriteItem{0x00, 0x00, 0x03};
inline constexpr ItemCode kProjectChecksumItem{0xA4, 0x01, 0xA2};

void AppendCode(std::string& out, const ItemCode& code);
void AppendValue(std::string& out, std::uint32_t value);
// The caller makes sure that `bytes` holds the code or value at `offset`.
ItemCode CodeAt(std::string_view bytes, std::size_t offset);
std::uint32_t ValueAt(std::string_view bytes, std::size_t offset);

}  // namespace vx2
