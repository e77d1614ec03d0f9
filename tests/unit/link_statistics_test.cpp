#include "protocol/link_statistics.h"

#include <gtest/gtest.h>

#include <limits>

#include "hostlink/text_list.h"

namespace korvex {
namespace {

using std::chrono::microseconds;

TEST(StatisticsTexts, EveryPairWholeInTextsWithinTheChannelsLimit) {
  LinkStatistics stats;
  const std::uint64_t huge = std::numeric_limits<std::uint64_t>::max();
  for (std::uint64_t* counter :
       {&stats.attempted, &stats.succeeded, &stats.requests_read, &stats.requests_series,
        &stats.requests_write, &stats.requests_close, &stats.requests_stats,
        &stats.requests_invalid, &stats.answers_sent, &stats.host_timeouts, &stats.answers_discarded}) {
    *counter = huge;
  }
  stats.failed.fill(huge);
  stats.queue_max = std::numeric_limits<int>::max();
  stats.answer_times.Add(microseconds(std::numeric_limits<std::int64_t>::max()));
  // Every limit from a little over the longest pair up to the channel's, so
  // that some text ends exactly at its limit.
  for (std::size_t limit = 64; limit <= kMaxTextLength; ++limit) {
    std::string joined;
    for (const std::string& text : StatisticsTexts(stats, limit)) {
      EXPECT_LE(text.size(), limit) << text;
      EXPECT_TRUE(text.starts_with("STATS ")) << text;
      EXPECT_TRUE(text.ends_with('|')) << text;
      joined += text.substr(5, text.size() - 6);
    }
    std::string expected;
    for (const auto& [name, value] : StatisticsPairs(stats)) expected += " " + name + "=" + value;
    EXPECT_EQ(joined, expected) << limit;
  }
}

TEST(AnswerTimes, QuantilesWithinASixteenthOfTheTimesAdded) {
  const struct {
    std::vector<int> us;
    double fraction;
    int expected;
  } rows[] = {
      {{}, 0.5, 0},
      {{7}, 0.5, 7},
      {{100, 200, 300}, 0.5, 200},
      {{100, 200, 300}, 0.95, 300},
      // Of 20, the 19th.
      {{900000, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5}, 0.95, 5},
      {{900000, 900000, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5}, 0.95, 900000},
  };
  for (const auto& row : rows) {
    AnswerTimes times;
    for (int us : row.us) times.Add(microseconds(us));
    const auto got = times.Quantile(row.fraction).count();
    EXPECT_NEAR(got, row.expected, row.expected / 16.0) << row.fraction << " of " << row.us.size();
    EXPECT_LE(got, times.Maximum().count()) << row.fraction << " of " << row.us.size();
  }
}

}  // namespace
}  // namespace korvex
