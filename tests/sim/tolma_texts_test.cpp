#include <gtest/gtest.h>

#include "host_texts.h"

namespace tolma {
namespace {

TEST(TolmaTexts, RequestsInTheHostGrammar) {
  EXPECT_EQ(ReadRequest({0x00, 0x01, 0xAB}), "QQ_RD 00 01 AB|");
  EXPECT_EQ(WriteRequest({{0x00, 0x01, 0x02}, 258}), "QQ_WR 00 01 02 02 01 00 00|");
}

TEST(TolmaTexts, ReadsOnlyWellFormedReadResults) {
  const auto good = ParseReadAnswer("QQ_RD 00 01 02 2A 00 00 80|");
  ASSERT_TRUE(good);
  EXPECT_EQ(*good, (vx2::ItemValue{{0x00, 0x01, 0x02}, 0x8000002Au}));
  for (const char* bad :
       {"", "KORVEX CLOSED|", "QQ_RD 00 01 02 2A 00 00 00", "QQ_RD 00 01 02 2A 00 00|",
        "QQ_RD 00 01 02 2A 00 00 00 |", "QQ_RD 00,01 02 2A 00 00 00|",
        "QQ_RD 00 01 02 2A 00 00 G0|", "QQ_WR 00 01 02 2A 00 00 00|"}) {
    EXPECT_FALSE(ParseReadAnswer(bad)) << bad;
  }
}

}  // namespace
}  // namespace tolma
