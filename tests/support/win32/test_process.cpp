#include "test_process.h"

#include <windows.h>

namespace korvex {

long TestProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool ProcessGone(long id) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

}  // namespace korvex
