// What the user's locale settings say about writing numbers. The program's
// own locale stays "C", so nothing it parses depends on them.
#pragma once

#include <string>

namespace korvex {

// The decimal separator of the user's locale (LC_ALL, LC_NUMERIC, LANG);
// "." when the locale is unknown.
std::string UserDecimalSeparator();

}  // namespace korvex
