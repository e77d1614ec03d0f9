#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <initializer_list>

#include "platform/console_setup.h"

namespace korvex {

void PrepareConsoleOutput() {
  // A console shows the bytes in its own code page unless told they are UTF-8.
  for (const DWORD stream : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    if (GetFileType(GetStdHandle(stream)) == FILE_TYPE_CHAR) {
      SetConsoleOutputCP(CP_UTF8);
      break;
    }
  }
  // The same line ends as on Linux, so pipes and files get the same bytes.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace korvex
