#include "common/text_helpers.h"

#include <algorithm>
#include <cstdio>

namespace korvex {
namespace {

constexpr std::size_t kMaxText = 255;
constexpr std::uint32_t kShortLayoutMax = 99'999'999;

FirmwareDate SplitFirmware(std::uint32_t n) {
  FirmwareDate d;
  if (n <= kShortLayoutMax) {
    d.day = static_cast<std::uint16_t>(n / 1'000'000 % 100);
    d.month = static_cast<std::uint16_t>(n / 10'000 % 100);
    d.year = static_cast<std::uint16_t>(2000 + n / 100 % 100);
    d.major = static_cast<std::uint16_t>(n % 100 / 10);
    d.minor = static_cast<std::uint16_t>(n % 10);
  } else {
    d.day = static_cast<std::uint16_t>(n / 100'000'000 % 100);
    d.month = static_cast<std::uint16_t>(n / 1'000'000 % 100);
    d.year = static_cast<std::uint16_t>(2000 + n / 10'000 % 100);
    d.major = static_cast<std::uint16_t>(n % 10'000 / 1000);
    d.minor = static_cast<std::uint16_t>(n % 1000);
  }
  return d;
}

void ReplaceAll(std::string& text, char from, char to) { std::replace(text.begin(), text.end(), from, to); }

}  // namespace

char HexDigit(unsigned value) {
  if (value <= 9) return static_cast<char>('0' + value);
  if (value <= 15) return static_cast<char>('A' + value - 10);
  return '?';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string ByteToHex(std::uint8_t byte) { return {HexDigit(byte >> 4), HexDigit(byte & 0x0F)}; }

std::string HexDump(std::string_view bytes) {
  std::string text;
  for (char c : bytes) {
    if (text.size() >= kMaxText) break;
    text += ByteToHex(static_cast<std::uint8_t>(c));
    text += ' ';
  }
  if (text.size() > kMaxText) text.resize(kMaxText);
  return text;
}

std::string FirmwareText(std::uint32_t firmware) {
  if (firmware == NoFirmware) return "error!";
  const FirmwareDate d = SplitFirmware(firmware);
  char buffer[64];
  if (firmware <= kShortLayoutMax) {
    std::snprintf(buffer, sizeof buffer, "%d.%d.%d v.%d.%d", d.day, d.month, d.year, d.major,
                  d.minor);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%d.%d.%d_v.%d.%3d", d.day, d.month, d.year, d.major,
                d.minor);
  std::string text = buffer;
  ReplaceAll(text, ' ', '0');
  ReplaceAll(text, '_', ' ');
  return text;
}

bool DecodeFirmware(std::uint32_t firmware, FirmwareDate& date) {
  if (firmware == NoFirmware) return true;
  date = SplitFirmware(firmware);
  return date.day < 1 || date.day > 31 || date.month < 1 || date.month > 12;
}

std::string VersionText(std::uint16_t version) {
  if (version == 0) return "?";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d.%3d", version / 1000, version % 1000);
  std::string text = buffer;
  ReplaceAll(text, ' ', '0');
  return text;
}

}  // namespace korvex
