// The bytes of a configuration file as the 8-bit text its reader takes.
// Editors on Windows save it as Windows-1250, as UTF-8 (with or without a
// byte-order mark) or, as Notepad's "Unicode", as UTF-16 with one.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

enum class ConfigDecoding {
  kText,
  // NUL bytes without a UTF-16 byte-order mark: not a text the reader can
  // take, and read byte by byte it would give nothing but unknown words.
  kNulBytes,
};

// UTF-16 LE or BE after its byte-order mark becomes UTF-8 (a lone surrogate
// becomes U+FFFD, an odd last byte is dropped); a UTF-8 byte-order mark
// goes; any other bytes stay as they are. Only what stands before the first
// Ctrl-Z counts for kNulBytes, as only that is read.
ConfigDecoding DecodeConfigBytes(std::string_view bytes, std::string& text);

}  // namespace korvex
