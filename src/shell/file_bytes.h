// Reading a whole file of outside input: bounded in size, and a failing
// device gives a failed read, never an exception.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace korvex {

enum class FileRead { kRead, kNotOpened, kTooLarge, kFailed };

// The file's bytes when it holds at most `max_bytes`; `bytes` is empty unless
// the result is kRead.
FileRead ReadFileBytes(const std::filesystem::path& path, std::size_t max_bytes,
                       std::string& bytes);

}  // namespace korvex
