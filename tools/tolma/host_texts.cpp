#include "host_texts.h"

#include "byte_text.h"

namespace tolma {
namespace {

constexpr std::string_view kReadPrefix = "QQ_RD ";

std::string CodeBytes(const vx2::ItemCode& code) {
  std::string bytes;
  vx2::AppendCode(bytes, code);
  return bytes;
}

}  // namespace

std::string ReadRequest(const vx2::ItemCode& code) {
  return std::string(kReadPrefix) + vx2::HexBytes(CodeBytes(code)) + "|";
}

std::string WriteRequest(const vx2::ItemValue& record) {
  std::string bytes = CodeBytes(record.code);
  vx2::AppendValue(bytes, record.value);
  return "QQ_WR " + vx2::HexBytes(bytes) + "|";
}

std::optional<vx2::ItemValue> ParseReadAnswer(std::string_view text) {
  constexpr std::size_t kBytes = vx2::kItemCodeSize + vx2::kItemValueSize;
  // "QQ_RD " and seven hex pairs with single blanks between them, then "|".
  if (text.size() != kReadPrefix.size() + 3 * kBytes || text.substr(0, 6) != kReadPrefix ||
      text.back() != '|') {
    return std::nullopt;
  }
  std::string digits;
  for (std::size_t i = 0; i < kBytes; ++i) {
    const std::string_view pair = text.substr(kReadPrefix.size() + 3 * i, 3);
    if (pair[2] != (i + 1 == kBytes ? '|' : ' ')) return std::nullopt;
    digits += pair.substr(0, 2);
  }
  const std::optional<std::string> bytes = vx2::ParseHexBytes(digits);
  if (!bytes) return std::nullopt;
  return vx2::ItemValue{vx2::CodeAt(*bytes, 0), vx2::ValueAt(*bytes, vx2::kItemCodeSize)};
}

std::optional<std::vector<std::pair<std::string, std::string>>> ParseStatsAnswer(
    std::string_view text) {
  constexpr std::string_view kPrefix = "STATS ";
  if (!text.starts_with(kPrefix) || !text.ends_with('|')) return std::nullopt;
  text = text.substr(kPrefix.size(), text.size() - kPrefix.size() - 1);
  // Pairs with single blanks between them; an empty piece is no pair.
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(' ', start);
    const std::string_view pair = text.substr(start, end - start);
    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos || equals == 0) return std::nullopt;
    pairs.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
    if (end == std::string_view::npos) return pairs;
    start = end + 1;
  }
}

}  // namespace tolma
