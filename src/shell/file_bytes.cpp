#include "shell/file_bytes.h"

#include <cstdio>
#include <memory>

#include "platform/file_open.h"

namespace korvex {

FileRead ReadFileBytes(const std::filesystem::path& path, std::size_t max_bytes,
                       std::string& bytes) {
  bytes.clear();
  // stdio rather than a stream: a stream's buffer throws when read(2) fails.
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFileToRead(path), &std::fclose);
  if (!file) return FileRead::kNotOpened;
  char chunk[1 << 16];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
    // A device without end (a pipe, /dev/urandom) stops here too.
    if (got > max_bytes - bytes.size()) {
      bytes.clear();
      return FileRead::kTooLarge;
    }
    bytes.append(chunk, got);
    if (got < sizeof chunk) break;
  }
  if (std::ferror(file.get())) {
    bytes.clear();
    return FileRead::kFailed;
  }
  return FileRead::kRead;
}

}  // namespace korvex
