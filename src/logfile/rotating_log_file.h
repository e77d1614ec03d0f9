// The log file on disk: spdlog's rotating file sink, written by a thread of
// its own so that a slow or full disk never holds the communicator. When the
// file reaches its size it becomes NAME.1.ext, the older ones move up, and
// the oldest beyond the number kept goes. Lines reach the disk within a
// second, and all of them when the file is closed.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "logfile/line_file.h"

namespace spdlog {
class logger;
namespace details {
class periodic_worker;
class thread_pool;
}  // namespace details
}  // namespace spdlog

namespace korvex {

struct LogFileSettings {
  std::string path;
  std::uint64_t max_size = 10 * 1024 * 1024;
  // Files on disk at most, the one being written included.
  int keep = 5;
};

class RotatingLogFile : public LineFile {
 public:
  // Null when the file cannot be opened, with the reason in `problem`.
  static std::unique_ptr<RotatingLogFile> Open(const LogFileSettings& settings,
                                               std::string& problem);
  // Writes what is still queued.
  ~RotatingLogFile() override;

  bool WriteLine(std::chrono::system_clock::time_point when, std::string_view text) override;
  std::string Problem() const override;

 private:
  RotatingLogFile() = default;

  std::shared_ptr<spdlog::details::thread_pool> writer_;
  std::shared_ptr<spdlog::logger> logger_;
  std::unique_ptr<spdlog::details::periodic_worker> flusher_;
  std::atomic<bool> failed_{false};
  mutable std::mutex problem_mutex_;
  std::string problem_;
};

}  // namespace korvex
