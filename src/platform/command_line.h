// The command line as UTF-8, the text every part of the programs speaks, on
// every platform: a Windows program would otherwise get it in the ANSI code
// page, and a path such as C:\Users\Jiří could not be opened.
#pragma once

namespace korvex {

// Called first in main; replaces `argv` with UTF-8 copies that live as long
// as the program.
void TakeUtf8CommandLine(int& argc, char**& argv);

}  // namespace korvex
