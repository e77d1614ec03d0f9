// How a Windows error code reads in a log line or a message.
#pragma once

#include <windows.h>

#include <string>

namespace korvex {

inline std::string WindowsErrorText(DWORD error) {
  return "chyba Windows " + std::to_string(error);
}

}  // namespace korvex
