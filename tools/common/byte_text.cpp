#include "byte_text.h"

#include <cstdint>

#include "common/text_helpers.h"

namespace vx2 {
std::string HexBytes(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  for (char c : bytes) {
    if (!text.empty()) text += ' ';
    text += korvex::ByteToHex(static_cast<std::uint8_t>(c));
  }
  return text;
}

std::optional<std::string> ParseHexBytes(std::string_view digits) {
  if (digits.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(digits.size() / 2);
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = korvex::HexDigitValue(digits[i]);
    const int low = korvex::HexDigitValue(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high << 4 | low);
  }
  return bytes;
}

}  // namespace vx2
