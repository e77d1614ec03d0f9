// tolma's runs on one desktop take turns: the communicator answers only the
// host that announced itself last, and a run that found another tolma's
// announcement would take it for the communicator's. The turn is an
// exclusive lock on the desktop directory, held from before the window opens
// until after it has closed.
#pragma once

#include <string>

namespace tolma {

class DesktopTurn {
 public:
  DesktopTurn() = default;
  ~DesktopTurn() { End(); }
  DesktopTurn(const DesktopTurn&) = delete;
  DesktopTurn& operator=(const DesktopTurn&) = delete;

  // Waits at most `wait_ms` for the turn on `directory` (created private when
  // missing); false with a Czech reason otherwise.
  bool Take(const std::string& directory, int wait_ms, std::string& error);
  // Lets the next run begin.
  void End();

 private:
  int fd_ = -1;
};

}  // namespace tolma
