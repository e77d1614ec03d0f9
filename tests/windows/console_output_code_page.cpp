// Prints the console's output code page, which wine's chcp does not show (it
// shows the input one).
#include <windows.h>

#include <cstdio>

int main() {
  // Unbuffered, a console would get the line a letter at a time.
  std::setvbuf(stdout, nullptr, _IOFBF, 64);
  std::printf("output code page %u\n", GetConsoleOutputCP());
}
