// A directory of a test's own, removed with all it holds when the test ends.
// Its name carries the test process's id, so that a later test removes the
// directories of a process that was killed before it could.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace korvex {

class TempDirectory {
 public:
  TempDirectory() {
    RemoveLeftovers();
    std::string pattern = std::string(kPrefix) + std::to_string(getpid()) + "-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string String() const { return path_.string(); }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name) << text;
  }

 private:
  static constexpr const char* kPrefix = "/tmp/korvex-test-";

  // Directories of test processes that no longer run.
  static void RemoveLeftovers() {
    std::error_code error;
    const std::string prefix = std::filesystem::path(kPrefix).filename().string();
    for (const auto& entry : std::filesystem::directory_iterator("/tmp", error)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(prefix, 0) != 0) continue;
      const pid_t owner = static_cast<pid_t>(std::atol(name.c_str() + prefix.size()));
      if (owner > 0 && kill(owner, 0) != 0 && errno == ESRCH) {
        std::filesystem::remove_all(entry.path(), error);
      }
    }
  }

  std::filesystem::path path_;
};

}  // namespace korvex
