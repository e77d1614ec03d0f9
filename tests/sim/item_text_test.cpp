#include "item_text.h"

#include <gtest/gtest.h>

#include "byte_text.h"

namespace vx2 {
namespace {

TEST(ItemText, CodeIsExactlySixHexDigitsOfEitherCase) {
  EXPECT_EQ(ParseItemCode("000102"), (ItemCode{0x00, 0x01, 0x02}));
  EXPECT_EQ(ParseItemCode("a401A2"), (ItemCode{0xA4, 0x01, 0xA2}));
  for (const char* bad : {"", "00010", "0001020", "00 102", "0x0102", "00010G", " 000102"}) {
    EXPECT_EQ(ParseItemCode(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(ItemCodeText({0xA4, 0x01, 0xA2}), "A401A2");
}

TEST(ItemText, ValueIsA32BitNumberInDecimalOrHex) {
  EXPECT_EQ(ParseItemValue("0"), 0u);
  EXPECT_EQ(ParseItemValue("42"), 42u);
  EXPECT_EQ(ParseItemValue("007"), 7u);
  EXPECT_EQ(ParseItemValue("4294967295"), 4294967295u);
  EXPECT_EQ(ParseItemValue("0x2A"), 42u);
  EXPECT_EQ(ParseItemValue("0XffffFFFF"), 4294967295u);
  for (const char* bad : {"", "4294967296", "0x100000000", "-1", "+1", "0x", "0x-1", " 42", "42 ",
                          "1e3", "x2A", "0x2G", "2A"}) {
    EXPECT_EQ(ParseItemValue(bad), std::nullopt) << bad;
  }
}

TEST(ByteText, HexBothWays) {
  EXPECT_EQ(HexBytes(std::string("\xE1\x5C\x00\xFF", 4)), "E1 5C 00 FF");
  EXPECT_EQ(HexBytes(""), "");
  EXPECT_EQ(ParseHexBytes("00fF7a"), std::string("\x00\xFF\x7A", 3));
  EXPECT_EQ(ParseHexBytes(""), "");
  EXPECT_EQ(ParseHexBytes("0"), std::nullopt);
  EXPECT_EQ(ParseHexBytes("0G"), std::nullopt);
  EXPECT_EQ(ParseHexBytes("00 FF"), std::nullopt);
}

}  // namespace
}  // namespace vx2
