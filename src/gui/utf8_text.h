// The logic's texts are UTF-8 byte strings; Qt's are QStrings.
#pragma once

#include <QString>
#include <string_view>

namespace korvex {

inline QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace korvex
