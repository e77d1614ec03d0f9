#include "platform/file_open.h"

namespace korvex {

// The narrow fopen takes the ANSI code page, which cannot name every path.
std::FILE* OpenFileToRead(const std::filesystem::path& path) {
  return _wfopen(path.c_str(), L"rb");
}

}  // namespace korvex
