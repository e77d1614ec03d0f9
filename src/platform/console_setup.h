// Standard output and standard error carry UTF-8 bytes exactly as written,
// on every platform, whether they reach a console, a pipe or a file.
#pragma once

namespace korvex {

// Called once at start, before anything is written.
void PrepareConsoleOutput();

}  // namespace korvex
