#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/console_setup.h"

namespace korvex {
namespace {

// The console's output code page as this program found it.
UINT found_code_page = 0;

bool IsConsole(DWORD stream) {
  return GetFileType(GetStdHandle(stream)) == FILE_TYPE_CHAR;
}

void RestoreConsole() {
  // What is still buffered goes out in UTF-8 before the code page changes
  // back; the C runtime would flush it only after this.
  std::fflush(stdout);
  std::fflush(stderr);
  SetConsoleOutputCP(found_code_page);
}

}  // namespace

void PrepareConsoleOutput() {
  const bool to_console[] = {IsConsole(STD_OUTPUT_HANDLE), IsConsole(STD_ERROR_HANDLE)};
  if (to_console[0] || to_console[1]) {
    // A console shows the bytes in its own code page unless told they are
    // UTF-8; the user's console gets its own back at the end.
    found_code_page = GetConsoleOutputCP();
    if (found_code_page != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) std::atexit(RestoreConsole);
  }
  // The C runtime writes to an unbuffered stream a byte at a time, and a
  // console decodes each write on its own: a letter of two bytes would show
  // as two replacement characters. Buffered, a console gets whole lines at
  // each flush; the programs flush where a reader waits for a line.
  FILE* const streams[] = {stdout, stderr};
  for (int i = 0; i < 2; ++i) {
    if (to_console[i]) std::setvbuf(streams[i], nullptr, _IOFBF, 1 << 16);
  }
  // The same line ends as on Linux, so pipes and files get the same bytes.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace korvex
