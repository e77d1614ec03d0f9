#include <windows.h>

#include <cstdio>

#include "desktop_turn.h"
#include "platform/host_desktop.h"

namespace tolma {

bool DesktopTurn::Take(const std::string& desktop, int wait_ms, std::string& error) {
  // Local\: one turn per session, as the session is the desktop its windows share.
  const std::string name = "Local\\tolma-turn-" + (desktop.empty() ? "Default" : desktop);
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) {
    error = "plochu " + name + " nelze zamknout (" +
            korvex::DesktopErrorText(korvex::DesktopError(static_cast<int>(GetLastError()))) + ")";
    return false;
  }
  held_ = reinterpret_cast<std::intptr_t>(mutex);
  const DWORD waited = WaitForSingleObject(mutex, static_cast<DWORD>(wait_ms));
  // A run that ended without letting go has left the turn all the same.
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return true;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g s", wait_ms / 1000.0);
  error = "plochu " + (desktop.empty() ? std::string("Default") : desktop) + " ani za " +
          seconds + " neuvolnil jiný běh tolma";
  CloseHandle(mutex);
  held_ = -1;
  return false;
}

void DesktopTurn::End() {
  if (held_ == -1) return;
  const HANDLE mutex = reinterpret_cast<HANDLE>(held_);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  held_ = -1;
}

}  // namespace tolma
