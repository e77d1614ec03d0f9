#include "item_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "byte_text.h"

namespace vx2 {
namespace {

bool AllDigits(std::string_view text, bool hex) {
  return std::all_of(text.begin(), text.end(), [hex](char c) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
  });
}

}  // namespace

std::optional<ItemCode> ParseItemCode(std::string_view text) {
  if (text.size() != 2 * kItemCodeSize) return std::nullopt;
  const std::optional<std::string> bytes = ParseHexBytes(text);
  if (!bytes) return std::nullopt;
  return CodeAt(*bytes, 0);
}

std::optional<std::uint32_t> ParseItemValue(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // from_chars alone would take a leading minus sign for some types and stop
  // at the first stray character; only plain digits are a value here.
  if (text.empty() || !AllDigits(text, base == 16)) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string ItemCodeText(const ItemCode& code) {
  std::string bytes;
  AppendCode(bytes, code);
  std::string text = HexBytes(bytes);
  std::erase(text, ' ');
  return text;
}

std::string ItemLine(const ItemValue& item) {
  char value[40];
  std::snprintf(value, sizeof value, " = 0x%08X (%u)", static_cast<unsigned>(item.value),
                static_cast<unsigned>(item.value));
  return ItemCodeText(item.code) + value;
}

}  // namespace vx2
