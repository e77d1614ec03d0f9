#include <windows.h>

#include "platform/user_locale.h"

namespace korvex {

std::string UserDecimalSeparator() {
  wchar_t separator[8] = {};
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
  if (length <= 1) return ".";
  char text[32] = {};
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, separator, -1, text, sizeof text, nullptr,
                                        nullptr);
  return bytes > 1 ? std::string(text) : std::string(".");
}

}  // namespace korvex
