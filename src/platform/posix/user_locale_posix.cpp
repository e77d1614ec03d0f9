#include <langinfo.h>
#include <locale.h>

#include "platform/user_locale.h"

namespace korvex {

std::string UserDecimalSeparator() {
  // Asked of a locale object of its own: setting the process locale would
  // change how every later number is parsed.
  const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return ".";
  const char* separator = nl_langinfo_l(RADIXCHAR, user);
  std::string result = separator && *separator ? separator : ".";
  freelocale(user);
  return result;
}

}  // namespace korvex
