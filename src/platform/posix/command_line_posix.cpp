#include "platform/command_line.h"

namespace korvex {

// POSIX hands over the bytes as they were typed; a UTF-8 locale types UTF-8.
void TakeUtf8CommandLine(int&, char**&) {}

}  // namespace korvex
