#include "item_bytes.h"

namespace vx2 {

void AppendCode(std::string& out, const ItemCode& code) {
  for (std::uint8_t b : code) out += static_cast<char>(b);
}

void AppendValue(std::string& out, std::uint32_t value) {
  for (std::size_t i = 0; i < kItemValueSize; ++i) out += static_cast<char>(value >> (8 * i));
}

ItemCode CodeAt(std::string_view bytes, std::size_t offset) {
  ItemCode code{};
  for (std::size_t i = 0; i < kItemCodeSize; ++i) {
    code[i] = static_cast<std::uint8_t>(bytes[offset + i]);
  }
  return code;
}

std::uint32_t ValueAt(std::string_view bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < kItemValueSize; ++i) {
    value |= std::uint32_t{static_cast<std::uint8_t>(bytes[offset + i])} << (8 * i);
  }
  return value;
}

}  // namespace vx2
