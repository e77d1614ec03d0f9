// Opens a file for reading by its path, whatever letters the path holds.
#pragma once

#include <cstdio>
#include <filesystem>

namespace korvex {

// Binary reading; nullptr when the file cannot be opened.
std::FILE* OpenFileToRead(const std::filesystem::path& path);

}  // namespace korvex
