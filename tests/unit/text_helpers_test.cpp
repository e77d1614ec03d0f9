#include "common/text_helpers.h"

#include <gtest/gtest.h>

#include <utility>

namespace korvex {
namespace {

TEST(TextHelpers, HexDigitsAndBytes) {
  EXPECT_EQ(HexDigit(0), '0');
  EXPECT_EQ(HexDigit(9), '9');
  EXPECT_EQ(HexDigit(10), 'A');
  EXPECT_EQ(HexDigit(15), 'F');
  EXPECT_EQ(HexDigit(16), '?');
  EXPECT_EQ(HexDigit(255), '?');
  EXPECT_EQ(ByteToHex(10), "0A");
  EXPECT_EQ(ByteToHex(0xFF), "FF");
  EXPECT_EQ(ByteToHex(0), "00");
  // Both ends of each digit range, and the characters just outside them.
  constexpr std::pair<char, int> kDigits[] = {{'0', 0},  {'9', 9},  {'A', 10}, {'F', 15},
                                              {'a', 10}, {'f', 15}, {'/', -1}, {':', -1},
                                              {'@', -1}, {'G', -1}, {'`', -1}, {'g', -1}};
  for (const auto& [c, value] : kDigits) EXPECT_EQ(HexDigitValue(c), value) << c;
}

TEST(TextHelpers, HexDump) {
  EXPECT_EQ(HexDump(std::string("\x01\xA2\xFF", 3)), "01 A2 FF ");
  EXPECT_EQ(HexDump(""), "");
  EXPECT_EQ(HexDump(std::string(1, '\0')), "00 ");
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += static_cast<char>(i);
  const std::string dump = HexDump(hundred);
  ASSERT_EQ(dump.size(), 255u);
  EXPECT_EQ(dump.substr(0, 9), "00 01 02 ");
  EXPECT_EQ(dump.substr(252), "54 ");  // the 85th byte, 0x54, and its blank
}

TEST(TextHelpers, FirmwareText) {
  EXPECT_EQ(FirmwareText(111054046), "1.11.2005 v.4.046");
  EXPECT_EQ(FirmwareText(1110546), "1.11.2005 v.4.6");
  EXPECT_EQ(FirmwareText(0), "0.0.2000 v.0.0");
  EXPECT_EQ(FirmwareText(99999999), "99.99.2099 v.9.9");
  EXPECT_EQ(FirmwareText(100000000), "1.0.2000 v.0.000");
  EXPECT_EQ(FirmwareText(3200171710u), "error!");
  EXPECT_EQ(FirmwareText(4294967295u), "42.94.2096 v.7.295");
}

TEST(TextHelpers, DecodeFirmware) {
  FirmwareDate date{7, 7, 7, 7, 7};
  EXPECT_TRUE(DecodeFirmware(NoFirmware, date));
  EXPECT_EQ(date.day, 7);
  EXPECT_EQ(date.minor, 7);

  EXPECT_FALSE(DecodeFirmware(111054046, date));
  EXPECT_EQ(date.day, 1);
  EXPECT_EQ(date.month, 11);
  EXPECT_EQ(date.year, 2005);
  EXPECT_EQ(date.major, 4);
  EXPECT_EQ(date.minor, 46);

  EXPECT_TRUE(DecodeFirmware(0, date));        // day 0
  EXPECT_TRUE(DecodeFirmware(1130546, date));  // month 13
  EXPECT_TRUE(DecodeFirmware(32110546, date));  // day 32
  EXPECT_FALSE(DecodeFirmware(31120546, date));
}

TEST(TextHelpers, VersionText) {
  EXPECT_EQ(VersionText(0), "?");
  EXPECT_EQ(VersionText(5), "0.005");
  EXPECT_EQ(VersionText(4000), "4.000");
  EXPECT_EQ(VersionText(4046), "4.046");
  EXPECT_EQ(VersionText(4005), "4.005");
  EXPECT_EQ(VersionText(65535), "65.535");
}

}  // namespace
}  // namespace korvex
