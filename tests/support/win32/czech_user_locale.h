// The user's locale of a Windows process is the one it started with; a test
// cannot switch it.
#pragma once

namespace korvex {

class CzechUserLocale {
 public:
  static constexpr bool kSwitchable = false;
  bool Active() const { return false; }
};

}  // namespace korvex
