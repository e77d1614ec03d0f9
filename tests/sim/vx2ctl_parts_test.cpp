#include <gtest/gtest.h>

#include "ctl_arguments.h"
#include "ctl_output.h"
#include "item_requests.h"
#include "support/bytes.h"

namespace vx2::ctl {
namespace {

using korvex::Hex;

TEST(CtlArguments, ReadTakesCodesInOrderAndNamesTheFirstBadOne) {
  std::vector<ItemCode> codes;
  std::string error;
  ASSERT_TRUE(ParseReadArguments({"000102", "a401a2"}, codes, error));
  EXPECT_EQ(codes, (std::vector<ItemCode>{{0x00, 0x01, 0x02}, {0xA4, 0x01, 0xA2}}));

  EXPECT_FALSE(ParseReadArguments({"000102", "0102", "XYZXYZ"}, codes, error));
  EXPECT_NE(error.find("'0102'"), std::string::npos) << error;
  EXPECT_EQ(codes.size(), 2u) << "codes changed on failure";
}

TEST(CtlArguments, WriteTakesACodeAndA32BitValue) {
  ItemValue record{};
  std::string error;
  ASSERT_TRUE(ParseWriteArguments("00000c", "0x2", record, error));
  EXPECT_EQ(record, (ItemValue{{0x00, 0x00, 0x0C}, 2}));
  EXPECT_FALSE(ParseWriteArguments("00000c", "-2", record, error));
  EXPECT_NE(error.find("'-2'"), std::string::npos) << error;
  EXPECT_FALSE(ParseWriteArguments("0000c", "2", record, error));
  EXPECT_NE(error.find("'0000c'"), std::string::npos) << error;
  EXPECT_EQ(record, (ItemValue{{0x00, 0x00, 0x0C}, 2}));
}

TEST(ItemRequests, RequestsAreCommandAndItemBytes) {
  const std::vector<ItemCode> codes{{0x00, 0x00, 0x02}, {0xA4, 0x01, 0xA2}};
  EXPECT_EQ(ReadRequest(codes), Hex("51 71 00 00 02 A4 01 A2"));
  EXPECT_EQ(WriteRequest({{0x00, 0x00, 0x03}, 0x12345678}), Hex("51 51 00 00 03 78 56 34 12"));
}

TEST(ItemRequests, ReadAnswerMustCarryExactlyTheValuesAskedFor) {
  EXPECT_EQ(ReadAnswerValues(Hex("51 78 04 03 02 01 FF 00 00 00"), 2),
            (std::vector<std::uint32_t>{0x01020304, 0xFF}));
  EXPECT_EQ(ReadAnswerValues(Hex("51 78 04 03 02"), 1), std::nullopt);
  EXPECT_EQ(ReadAnswerValues(Hex("51 78 04 03 02 01 00"), 1), std::nullopt);
  EXPECT_EQ(ReadAnswerValues(Hex("51 58 04 03 02 01"), 1), std::nullopt) << "a write answer";
  EXPECT_TRUE(IsWriteAnswer("QX"));
  EXPECT_FALSE(IsWriteAnswer("QX\x01"));
  EXPECT_FALSE(IsWriteAnswer("Qx"));
}

TEST(CtlOutput, LinesShowHexAndDecimal) {
  EXPECT_EQ(ItemLine({{0x00, 0x01, 0x02}, 42}), "000102 = 0x0000002A (42)");
  EXPECT_EQ(ItemLine({{0xA4, 0x01, 0xA2}, 4294967295u}), "A401A2 = 0xFFFFFFFF (4294967295)");
  EXPECT_EQ(FirmwareLine(111054046), "111054046 (1.11.2005 v.4.046)");
  EXPECT_EQ(ChecksumLine(0xABCD), "ABCD");
  EXPECT_EQ(ChecksumLine(0), "0");
}

}  // namespace
}  // namespace vx2::ctl
