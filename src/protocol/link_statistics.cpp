#include "protocol/link_statistics.h"

#include <bit>
#include <cmath>
#include <cstdio>

namespace korvex {
namespace {

constexpr std::string_view kTextPrefix = "STATS";

// Index of the bucket holding `us`: below 16 µs one bucket per microsecond,
// above that 16 per power of two.
std::size_t Bucket(std::uint64_t us, int steps) {
  if (us < static_cast<std::uint64_t>(steps)) return us;
  // The top bits of `us` that hold a value from `steps` to 2 * steps - 1.
  const int top = std::bit_width(static_cast<unsigned>(steps));
  const int width = std::bit_width(us);
  return static_cast<std::size_t>((width - top + 1) * steps) + ((us >> (width - top)) - steps);
}

// The lowest value of bucket `index`.
std::uint64_t BucketStart(std::size_t index, int steps) {
  if (index < static_cast<std::size_t>(steps)) return index;
  const std::size_t power = index / steps;
  const std::uint64_t step = index % steps;
  return (steps + step) << (power - 1);
}

std::string Milliseconds(std::chrono::microseconds time) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(time.count()) / 1000.0);
  return text;
}

}  // namespace

void AnswerTimes::Add(std::chrono::microseconds time) {
  const std::uint64_t us = time.count() < 0 ? 0 : static_cast<std::uint64_t>(time.count());
  const std::size_t index = Bucket(us, kSteps);
  ++buckets_[index < buckets_.size() ? index : buckets_.size() - 1];
  ++count_;
  if (time > maximum_) maximum_ = time;
}

std::chrono::microseconds AnswerTimes::Quantile(double fraction) const {
  if (count_ == 0) return std::chrono::microseconds{0};
  const auto wanted = static_cast<std::uint64_t>(std::ceil(fraction * static_cast<double>(count_)));
  std::uint64_t seen = 0;
  for (std::size_t i = 0; i < buckets_.size(); ++i) {
    seen += buckets_[i];
    if (seen >= wanted && buckets_[i] > 0) {
      // The middle of the bucket, never beyond the largest time seen.
      const std::uint64_t start = BucketStart(i, kSteps);
      const std::uint64_t end = BucketStart(i + 1, kSteps);
      const auto middle = std::chrono::microseconds(static_cast<std::int64_t>((start + end) / 2));
      return middle < maximum_ ? middle : maximum_;
    }
  }
  return maximum_;
}

std::vector<std::pair<std::string, std::string>> StatisticsPairs(const LinkStatistics& s) {
  auto number = [](std::uint64_t n) { return std::to_string(n); };
  auto failed = [&s](TransactionFailure cause) {
    return std::to_string(s.failed[static_cast<std::size_t>(cause)]);
  };
  return {
      {"transactions", number(s.attempted)},
      {"succeeded", number(s.succeeded)},
      {"failed_timeout", failed(TransactionFailure::kTimeout)},
      {"failed_check", failed(TransactionFailure::kBadCheck)},
      {"failed_address", failed(TransactionFailure::kWrongAddress)},
      {"failed_link", failed(TransactionFailure::kNoLink)},
      {"failed_aborted", failed(TransactionFailure::kAborted)},
      {"answer_ms_median", Milliseconds(s.answer_times.Quantile(0.5))},
      {"answer_ms_p95", Milliseconds(s.answer_times.Quantile(0.95))},
      {"answer_ms_max", Milliseconds(s.answer_times.Maximum())},
      {"answers_discarded", number(s.answers_discarded)},
      {"requests_read", number(s.requests_read)},
      {"requests_series", number(s.requests_series)},
      {"requests_write", number(s.requests_write)},
      {"requests_close", number(s.requests_close)},
      {"requests_stats", number(s.requests_stats)},
      {"requests_invalid", number(s.requests_invalid)},
      {"answers_sent", number(s.answers_sent)},
      {"host_timeouts", number(s.host_timeouts)},
      {"queue_max", number(static_cast<std::uint64_t>(s.queue_max))},
  };
}

std::vector<std::string> StatisticsTexts(const LinkStatistics& stats, std::size_t limit) {
  std::vector<std::string> texts;
  std::string text(kTextPrefix);
  for (const auto& [name, value] : StatisticsPairs(stats)) {
    const std::string pair = " " + name + "=" + value;
    // The "|" that ends the text must still fit.
    if (text.size() > kTextPrefix.size() && text.size() + pair.size() + 1 > limit) {
      texts.push_back(text + "|");
      text = kTextPrefix;
    }
    text += pair;
  }
  texts.push_back(text + "|");
  return texts;
}

}  // namespace korvex
