#include "logfile/rotating_log_file.h"

#include <spdlog/pattern_formatter.h>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>

#include "common/text_helpers.h"
#include "common/utf8_path.h"
#include "platform/helper_thread.h"
#include "platform/log_file_handle.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

// Lines waiting for the writer; beyond this the oldest give way, so the
// communicator never waits for the disk.
constexpr std::size_t kQueuedLines = 8192;
// Local time to the millisecond with the offset from UTC, ISO 8601.
constexpr const char* kPattern = "%Y-%m-%dT%H:%M:%S.%e%z %v";
constexpr auto kRetryInterval = 1s;
constexpr auto kLongestCloseWait = 1s;

std::string Escaped(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      escaped += c;
      continue;
    }
    escaped += "\\x" + ByteToHex(byte);
  }
  return escaped;
}

// "korvex.log" rotated once is "korvex.1.log", as spdlog named them.
std::string RotatedName(const std::string& path, int index) {
  if (index == 0) return path;
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  const bool has_extension = dot != std::string::npos && dot > name && dot + 1 < path.size();
  const std::size_t cut = has_extension ? dot : path.size();
  return path.substr(0, cut) + "." + std::to_string(index) + path.substr(cut);
}

std::string RefusalText(LogFileRefusal refusal, const std::string& reason) {
  switch (refusal) {
    case LogFileRefusal::kNotRegular:
      return "není to obyčejný soubor";
    case LogFileRefusal::kHeldByAnother:
      return "zapisuje do něj jiný komunikátor";
    case LogFileRefusal::kCannotOpen:
      break;
  }
  return reason;
}

}  // namespace

struct RotatingLogFile::Writer {
  LogFileSettings settings;
  std::unique_ptr<LogFileHandle> file;

  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable ended_changed;
  std::deque<std::string> queued;
  bool stopping = false;
  bool ended = false;
  State state;

  void Run() {
    std::deque<std::string> pending;
    std::unique_lock lock(mutex);
    for (;;) {
      if (state.writing) {
        wake.wait(lock, [&] { return stopping || !queued.empty(); });
      } else {
        wake.wait_for(lock, kRetryInterval, [&] { return stopping; });
      }
      while (!queued.empty()) {
        pending.push_back(std::move(queued.front()));
        queued.pop_front();
      }
      while (pending.size() > kQueuedLines) pending.pop_front();
      const bool last = stopping;
      lock.unlock();
      std::string reason;
      const bool written = WriteOut(pending, reason);
      lock.lock();
      if (!written) {
        state.stops += state.writing ? 1 : 0;
        state.last_problem = reason;
      }
      state.writing = written;
      if (last) break;
    }
    ended = true;
    ended_changed.notify_all();
  }

  // Writes `pending` from the front, rotating as the size says; what is
  // written leaves `pending`.
  bool WriteOut(std::deque<std::string>& pending, std::string& reason) {
    while (!pending.empty()) {
      std::string batch;
      std::size_t lines = 0;
      for (const std::string& line : pending) {
        const std::uint64_t filled = file->Size() + batch.size();
        if (filled > 0 && filled + line.size() > settings.max_size) break;
        batch += line;
        ++lines;
      }
      if (lines == 0) {
        if (!Rotate(reason)) return false;
        continue;
      }
      if (!file->Append(batch, reason)) return false;
      pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(lines));
    }
    return true;
  }

  bool Rotate(std::string& reason) {
    for (int index = settings.keep - 1; index >= 1; --index) {
      const SystemError error =
          RenameLogFile(RotatedName(settings.path, index - 1), RotatedName(settings.path, index));
      // A file not there yet is a rotation not yet that far.
      if (error.kind != ErrorKind::kNone && error.kind != ErrorKind::kNotFound) {
        reason = LogFileErrorText(error);
        return false;
      }
    }
    std::error_code ignored;
    if (settings.keep == 1) std::filesystem::remove(PathFromUtf8(settings.path), ignored);
    LogFileRefusal refusal{};
    std::unique_ptr<LogFileHandle> next =
        LogFileHandle::Open(settings.path, file.get(), refusal, reason);
    if (!next) {
      reason = RefusalText(refusal, reason);
      return false;
    }
    file = std::move(next);
    return true;
  }
};

std::unique_ptr<RotatingLogFile> RotatingLogFile::Open(const LogFileSettings& settings,
                                                       std::string& problem) {
  LogFileRefusal refusal{};
  std::string reason;
  std::unique_ptr<LogFileHandle> handle =
      LogFileHandle::Open(settings.path, nullptr, refusal, reason);
  if (!handle) {
    const char* verb =
        refusal == LogFileRefusal::kCannotOpen ? " nelze otevřít (" : " nelze použít (";
    problem = "Soubor záznamu " + settings.path + verb + RefusalText(refusal, reason) +
              "); komunikátor pokračuje bez něj.";
    return nullptr;
  }
  std::unique_ptr<RotatingLogFile> file(new RotatingLogFile);
  file->stamp_ = std::make_unique<spdlog::pattern_formatter>(kPattern);
  file->writer_ = std::make_shared<Writer>();
  file->writer_->settings = settings;
  file->writer_->file = std::move(handle);
  file->thread_ = StartHelperThread([writer = file->writer_] { writer->Run(); });
  return file;
}

RotatingLogFile::~RotatingLogFile() {
  std::unique_lock lock(writer_->mutex);
  writer_->stopping = true;
  writer_->wake.notify_all();
  // A writer held by the system (a hung network disk) is left behind; the
  // process ends without it.
  const bool ended =
      writer_->ended_changed.wait_for(lock, kLongestCloseWait, [&] { return writer_->ended; });
  lock.unlock();
  if (ended) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

void RotatingLogFile::WriteLine(std::chrono::system_clock::time_point when, std::string_view text) {
  const std::string escaped = Escaped(text);
  const spdlog::details::log_msg message(when, spdlog::source_loc{}, "korvex", spdlog::level::info,
                                         spdlog::string_view_t(escaped.data(), escaped.size()));
  spdlog::memory_buf_t line;
  stamp_->format(message, line);
  std::lock_guard lock(writer_->mutex);
  if (writer_->queued.size() >= kQueuedLines) writer_->queued.pop_front();
  writer_->queued.emplace_back(line.data(), line.size());
  writer_->wake.notify_one();
}

LineFile::State RotatingLogFile::Now() const {
  std::lock_guard lock(writer_->mutex);
  return writer_->state;
}

}  // namespace korvex
