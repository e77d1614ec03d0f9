// The log file on disk, written by a thread of its own so that a slow or full
// disk never holds the communicator. When the file reaches its size it
// becomes NAME.1.ext, the older ones move up, and the oldest beyond the
// number kept goes. A write the disk refuses is tried again every second,
// with whole lines only. Closing waits for the writer about a second at most.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "logfile/line_file.h"

namespace spdlog {
class formatter;
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
  // Null when the file cannot be had, with the window's line saying why in
  // `problem`.
  static std::unique_ptr<RotatingLogFile> Open(const LogFileSettings& settings,
                                               std::string& problem);
  // Writes what is still queued, if the writer manages within a second.
  ~RotatingLogFile() override;

  // Control characters in `text` (it may come from the host) are written as
  // \xNN, so that no text can forge a line of its own.
  void WriteLine(std::chrono::system_clock::time_point when, std::string_view text) override;
  State Now() const override;

 private:
  struct Writer;
  RotatingLogFile() = default;

  std::unique_ptr<spdlog::formatter> stamp_;
  std::shared_ptr<Writer> writer_;
  std::thread thread_;
};

}  // namespace korvex
