#include "platform/console_setup.h"

namespace korvex {

// A POSIX terminal takes the bytes as they are.
void PrepareConsoleOutput() {}

}  // namespace korvex
