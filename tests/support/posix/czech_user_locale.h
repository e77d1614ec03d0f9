// The user's locale switched to Czech for the scope of a test: a Czech locale
// compiled into a folder of the test's own (another run's localedef may be
// writing into a shared one at the same time) and named by LC_ALL.
#pragma once

#include <stdlib.h>

#include <string>

#include "support/temp_directory.h"

namespace korvex {

class CzechUserLocale {
 public:
  static constexpr bool kSwitchable = true;

  CzechUserLocale() {
    const std::string locales = locales_.String();
    active_ = std::system(("localedef -i cs_CZ -f UTF-8 " + locales +
                           "/cs_CZ.UTF-8 >/dev/null 2>&1; test -f " + locales +
                           "/cs_CZ.UTF-8/LC_NUMERIC")
                              .c_str()) == 0;
    setenv("LOCPATH", locales.c_str(), 1);
    setenv("LC_ALL", "cs_CZ.UTF-8", 1);
  }
  ~CzechUserLocale() {
    unsetenv("LC_ALL");
    unsetenv("LOCPATH");
  }
  CzechUserLocale(const CzechUserLocale&) = delete;
  CzechUserLocale& operator=(const CzechUserLocale&) = delete;

  bool Active() const { return active_; }

 private:
  TempDirectory locales_;
  bool active_ = false;
};

}  // namespace korvex
