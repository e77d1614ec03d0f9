#include "shell/config_encoding.h"

#include <cstdint>

#include "shell/config_reader.h"

namespace korvex {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t code, std::string& text) {
  const auto byte = [&text](char32_t bits) { text += static_cast<char>(bits); };
  if (code < 0x80) {
    byte(code);
  } else if (code < 0x800) {
    byte(0xC0 | code >> 6);
    byte(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    byte(0xE0 | code >> 12);
    byte(0x80 | (code >> 6 & 0x3F));
    byte(0x80 | (code & 0x3F));
  } else {
    byte(0xF0 | code >> 18);
    byte(0x80 | (code >> 12 & 0x3F));
    byte(0x80 | (code >> 6 & 0x3F));
    byte(0x80 | (code & 0x3F));
  }
}

bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
  const auto unit_at = [bytes, big_endian](std::size_t i) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? (first << 8 | second) : (second << 8 | first);
  };
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char32_t unit = unit_at(i);
    if (IsHighSurrogate(unit) && i + 3 < bytes.size() && IsLowSurrogate(unit_at(i + 2))) {
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (unit_at(i + 2) - 0xDC00), text);
      i += 2;
    } else {
      AppendUtf8(IsHighSurrogate(unit) || IsLowSurrogate(unit) ? kReplacement : unit, text);
    }
  }
  return text;
}

}  // namespace

ConfigDecoding DecodeConfigBytes(std::string_view bytes, std::string& text) {
  if (bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark)) {
    text = Utf16ToUtf8(bytes.substr(2), bytes.starts_with(kUtf16BeMark));
  } else {
    if (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
    text = bytes;
  }
  const std::string_view read = std::string_view(text).substr(0, text.find(kCtrlZ));
  return read.find('\0') == std::string_view::npos ? ConfigDecoding::kText
                                                   : ConfigDecoding::kNulBytes;
}

}  // namespace korvex
