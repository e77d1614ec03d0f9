#include "platform/file_open.h"

namespace korvex {

std::FILE* OpenFileToRead(const std::filesystem::path& path) {
  return std::fopen(path.c_str(), "rb");
}

}  // namespace korvex
