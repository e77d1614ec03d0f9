// A directory of a test's own, removed with all it holds when the test ends.
// Its name carries the test process's id, so that a later test removes the
// directories of a process that was killed before it could.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "test_process.h"

namespace korvex {

class TempDirectory {
 public:
  TempDirectory() {
    RemoveLeftovers();
    // Creating the directory is what claims a name, so a name some other
    // test took first is passed over.
    std::random_device random;
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; attempt < 100 && path_.empty() && !error; ++attempt) {
      const auto candidate = base / (kPrefix + std::to_string(TestProcessId()) + "-" +
                                     std::to_string(random()));
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
    }
    // Private, as mkdtemp makes it: the host channel refuses a desktop others may enter.
    if (!path_.empty()) {
      std::filesystem::permissions(path_, std::filesystem::perms::owner_all, error);
    }
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
  static constexpr const char* kPrefix = "korvex-test-";

  // Directories of test processes that no longer run.
  static void RemoveLeftovers() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    const std::string prefix = kPrefix;
    for (std::filesystem::directory_iterator it(base, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
      const std::string name = it->path().filename().string();
      if (name.rfind(prefix, 0) != 0) continue;
      const long owner = std::atol(name.c_str() + prefix.size());
      std::error_code ignored;
      if (owner > 0 && ProcessGone(owner)) std::filesystem::remove_all(it->path(), ignored);
    }
  }

  std::filesystem::path path_;
};

}  // namespace korvex
