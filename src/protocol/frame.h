// The controller frame: E1 5C, a first address byte, the length L, four
// header bytes, the data and an XOR check byte. The length alone delimits a
// frame; there is no escaping. Byte strings are std::string holding any byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

inline constexpr std::uint8_t kFrameStart1 = 0xE1;
inline constexpr std::uint8_t kFrameStart2 = 0x5C;
inline constexpr std::uint8_t kFrameKind = 0x59;
// The length byte counts the four header bytes, the data and itself.
inline constexpr std::size_t kMaxFrameData = 250;
inline constexpr std::size_t kFrameOverhead = 9;

// Wraps `data` after `first` (offset 2) and `header` (offsets 4 to 7). False,
// with `frame` untouched, when `data` is longer than kMaxFrameData.
bool WrapFrame(std::uint8_t first, const std::array<std::uint8_t, 4>& header,
               std::string_view data, std::string& frame);

// What a receiver demands of a frame before it takes its data.
struct FrameCheck {
  std::optional<std::uint8_t> first;  // offset 2; no value: any
  std::size_t address_offset;         // 6 for requests, 7 for answers
  std::uint8_t address;
};

// Why a complete frame was thrown away.
enum class FrameFault { kNone, kLength, kCheckByte, kAddress };

// Looks for one frame at the front of `buffer`; false means "not yet".
// Bytes before the first place where a frame may begin (E1 5C and the wanted
// first byte) are dropped in one call, however many, and that call returns
// false; a complete frame that fails its checks clears the whole buffer. On
// success `data` holds the frame's data and the frame is removed from the
// front of `buffer`. A frame thrown away says why in `fault` when given.
bool TakeFrame(std::string& buffer, const FrameCheck& check, std::string& data,
               FrameFault* fault = nullptr);

}  // namespace korvex
