// What the communicator counts for the operator over a whole run: the
// controller transactions with their outcome and answer time, and the host's
// side of the channel. Plain counters, so that counting costs nothing beside
// a transaction.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace korvex {

// Why a transaction failed. A frame with a bad check byte or from another
// controller is thrown away and the wait goes on, so those two name the
// failure when the wait then ends without an answer.
enum class TransactionFailure { kTimeout, kBadCheck, kWrongAddress, kNoLink, kAborted };

// Answer times in a histogram of 16 steps per power of two of microseconds:
// at most 1/16 off, whatever the run's length.
class AnswerTimes {
 public:
  void Add(std::chrono::microseconds time);
  std::uint64_t Count() const { return count_; }
  // The time below which `fraction` of the answers came; 0 without answers.
  std::chrono::microseconds Quantile(double fraction) const;
  std::chrono::microseconds Maximum() const { return maximum_; }

 private:
  static constexpr int kSteps = 16;
  static constexpr int kPowers = 40;
  std::array<std::uint64_t, kSteps * kPowers> buckets_{};
  std::uint64_t count_ = 0;
  std::chrono::microseconds maximum_{0};
};

struct LinkStatistics {
  void Succeeded(std::chrono::microseconds answer_time) {
    ++attempted;
    ++succeeded;
    answer_times.Add(answer_time);
  }
  void Failed(TransactionFailure cause) {
    ++attempted;
    ++failed[static_cast<std::size_t>(cause)];
  }
  void QueueLength(int length) {
    if (length > queue_max) queue_max = length;
  }

  std::uint64_t attempted = 0;
  std::uint64_t succeeded = 0;
  std::array<std::uint64_t, 5> failed{};
  AnswerTimes answer_times;
  // Whole answers thrown away because they did not fit the request waiting:
  // late answers to earlier requests.
  std::uint64_t answers_discarded = 0;
  // Host requests by kind: read, read of eight, write, close, statistics, and
  // texts that are no request.
  std::uint64_t requests_read = 0;
  std::uint64_t requests_series = 0;
  std::uint64_t requests_write = 0;
  std::uint64_t requests_close = 0;
  std::uint64_t requests_stats = 0;
  std::uint64_t requests_invalid = 0;
  std::uint64_t answers_sent = 0;
  std::uint64_t host_timeouts = 0;
  int queue_max = 0;
};

// The statistics as name=value pairs, in a fixed order.
std::vector<std::pair<std::string, std::string>> StatisticsPairs(const LinkStatistics& stats);

// The pairs packed into texts "STATS name=value ...|" of at most `limit`
// bytes each, "|" included; every pair lands whole in one text.
std::vector<std::string> StatisticsTexts(const LinkStatistics& stats, std::size_t limit);

}  // namespace korvex
