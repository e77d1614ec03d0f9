#include "shell/config_numbers.h"

#include <charconv>
#include <limits>
#include <system_error>

#include "common/text_helpers.h"

namespace korvex {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A signed integer word taken apart: its sign, its base and its magnitude,
// which must fit 64 bits.
struct Integer {
  bool negative = false;
  bool hex = false;
  std::uint64_t magnitude = 0;
};

bool SplitInteger(std::string_view word, Integer& number) {
  if (!word.empty() && (word.front() == '+' || word.front() == '-')) {
    number.negative = word.front() == '-';
    word.remove_prefix(1);
  }
  if (word.starts_with('$')) {
    number.hex = true;
    word.remove_prefix(1);
  } else if (word.size() >= 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    number.hex = true;
    word.remove_prefix(2);
  }
  if (word.empty()) return false;
  const unsigned base = number.hex ? 16 : 10;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  for (const char c : word) {
    const int digit = number.hex ? HexDigitValue(c) : (IsDigit(c) ? c - '0' : -1);
    if (digit < 0) return false;
    if (number.magnitude > (kMax - static_cast<unsigned>(digit)) / base) return false;
    number.magnitude = number.magnitude * base + static_cast<unsigned>(digit);
  }
  return true;
}

// Decimal words are limited to the signed range of `bits`; hex words may
// fill all bits and are negated in two's complement.
bool SignedValue(const Integer& number, unsigned bits, std::uint64_t& pattern) {
  const std::uint64_t all = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
  const std::uint64_t positive_limit = all >> 1;
  if (number.hex) {
    if (number.magnitude > all) return false;
  } else if (number.magnitude > positive_limit + (number.negative ? 1 : 0)) {
    return false;
  }
  pattern = (number.negative ? 0 - number.magnitude : number.magnitude) & all;
  return true;
}

bool IsRealSyntax(std::string_view word) {
  std::size_t i = 0;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
  std::size_t digits = 0;
  for (; i < word.size() && IsDigit(word[i]); ++i) ++digits;
  if (i < word.size() && word[i] == '.') {
    for (++i; i < word.size() && IsDigit(word[i]); ++i) ++digits;
  }
  if (digits == 0) return false;
  if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
    ++i;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
    std::size_t exponent_digits = 0;
    for (; i < word.size() && IsDigit(word[i]); ++i) ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  return i == word.size();
}

}  // namespace

bool ParseInt32(std::string_view word, std::int32_t& value) {
  Integer number;
  std::uint64_t pattern = 0;
  if (!SplitInteger(word, number) || !SignedValue(number, 32, pattern)) return false;
  value = static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
  return true;
}

bool ParseInt64(std::string_view word, std::int64_t& value) {
  Integer number;
  std::uint64_t pattern = 0;
  if (!SplitInteger(word, number) || !SignedValue(number, 64, pattern)) return false;
  value = static_cast<std::int64_t>(pattern);
  return true;
}

bool ParseReal(std::string_view word, double& value) {
  if (!IsRealSyntax(word)) return false;
  if (word.front() == '+') word.remove_prefix(1);  // from_chars takes no plus sign
  double parsed = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), parsed);
  if (error != std::errc{} || end != word.data() + word.size()) return false;
  value = parsed;
  return true;
}

std::optional<std::string> DottedDecimal(std::string_view text) {
  std::string address;
  std::size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = part < 3 ? text.find('.', start) : text.size();
    if (dot == std::string_view::npos) return std::nullopt;
    std::int32_t value = 0;
    if (!ParseInt32(text.substr(start, dot - start), value) || value < 0 || value > 255) {
      return std::nullopt;
    }
    if (part > 0) address += '.';
    address += std::to_string(value);
    start = dot + 1;
  }
  return address;
}

bool IsIPAddress(std::string_view text) { return DottedDecimal(text).has_value(); }

}  // namespace korvex
