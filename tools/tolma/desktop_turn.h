// tolma's runs on one desktop take turns: the communicator answers only the
// host that announced itself last, and a run that found another tolma's
// announcement would take it for the communicator's. The turn is held from
// before the window opens until after it has closed: an exclusive lock on
// the desktop directory on POSIX, a named mutex of the desktop on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace tolma {

class DesktopTurn {
 public:
  DesktopTurn() = default;
  ~DesktopTurn() { End(); }
  DesktopTurn(const DesktopTurn&) = delete;
  DesktopTurn& operator=(const DesktopTurn&) = delete;

  // Waits at most `wait_ms` for the turn on `desktop` (empty: the default
  // one; a directory is created private when missing); false with a Czech
  // reason otherwise.
  bool Take(const std::string& desktop, int wait_ms, std::string& error);
  // Lets the next run begin.
  void End();

 private:
  // What holds the turn: a descriptor, or a mutex handle; -1 for none.
  std::intptr_t held_ = -1;
};

}  // namespace tolma
