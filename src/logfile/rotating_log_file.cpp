#include "logfile/rotating_log_file.h"

#include <spdlog/async_logger.h>
#include <spdlog/details/periodic_worker.h>
#include <spdlog/details/thread_pool.h>
#include <spdlog/sinks/rotating_file_sink.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace korvex {
namespace {

// Lines waiting for the writer; beyond this the oldest give way, so the
// communicator never waits for the disk.
constexpr std::size_t kQueuedLines = 8192;
// Local time to the millisecond with the offset from UTC, ISO 8601.
constexpr const char* kPattern = "%Y-%m-%dT%H:%M:%S.%e%z %v";
// A crash loses at most this much of the file; a flush per line would cost
// the trace dearly.
constexpr std::chrono::seconds kFlushInterval{1};

}  // namespace

std::unique_ptr<RotatingLogFile> RotatingLogFile::Open(const LogFileSettings& settings,
                                                       std::string& problem) {
  // The system's own words for why the file cannot be had.
  if (std::FILE* probe = std::fopen(settings.path.c_str(), "ab")) {
    std::fclose(probe);
  } else {
    problem = std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<RotatingLogFile> file(new RotatingLogFile);
  try {
    auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
        settings.path, settings.max_size, static_cast<std::size_t>(settings.keep - 1));
    file->writer_ = std::make_shared<spdlog::details::thread_pool>(kQueuedLines, 1);
    file->logger_ = std::make_shared<spdlog::async_logger>(
        "korvex", std::move(sink), file->writer_, spdlog::async_overflow_policy::overrun_oldest);
  } catch (const spdlog::spdlog_ex& error) {
    problem = error.what();
    return nullptr;
  }
  file->logger_->set_pattern(kPattern);
  RotatingLogFile* self = file.get();
  file->logger_->set_error_handler([self](const std::string& message) {
    std::lock_guard lock(self->problem_mutex_);
    if (self->problem_.empty()) self->problem_ = message;
    self->failed_ = true;
  });
  file->flusher_ = std::make_unique<spdlog::details::periodic_worker>(
      [logger = file->logger_] { logger->flush(); }, kFlushInterval);
  return file;
}

RotatingLogFile::~RotatingLogFile() {
  // The writer finishes the queue before its thread ends.
  flusher_.reset();
  logger_.reset();
  writer_.reset();
}

bool RotatingLogFile::WriteLine(std::chrono::system_clock::time_point when, std::string_view text) {
  if (failed_) return false;
  logger_->log(when, spdlog::source_loc{}, spdlog::level::info,
               spdlog::string_view_t(text.data(), text.size()));
  return true;
}

std::string RotatingLogFile::Problem() const {
  std::lock_guard lock(problem_mutex_);
  return problem_;
}

}  // namespace korvex
