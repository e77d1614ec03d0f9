#include "request_handler.h"

#include <gtest/gtest.h>

#include "byte_text.h"
#include "support/bytes.h"

namespace vx2::sim {
namespace {

using korvex::Hex;

std::string Read(std::string_view codes_hex) {
  return "Qq" + Hex(codes_hex);
}
std::string Write(std::string_view records_hex) {
  return "QQ" + Hex(records_hex);
}

TEST(RequestHandler, ReadAnswersFourLittleEndianBytesPerCodeAndZeroForUnknownItems) {
  ItemTable items;
  items.Write({0x00, 0x01, 0x02}, 0x04030201);
  items.Write({0xA4, 0x01, 0xA2}, 0xFFFFFFFF);
  const RequestOutcome outcome = HandleRequest(Read("00 01 02 77 77 77 A4 01 A2 00 01 02"), items);
  EXPECT_EQ(outcome.problem, RequestProblem::kNone);
  EXPECT_EQ(outcome.answer, "Qx" + Hex("01 02 03 04  00 00 00 00  FF FF FF FF  01 02 03 04"));
}

TEST(RequestHandler, WriteStoresEveryRecordAndAnswersQX) {
  ItemTable items;
  const RequestOutcome outcome =
      HandleRequest(Write("00 01 02 2A 00 00 00  00 01 03 78 56 34 12"), items);
  EXPECT_EQ(outcome.problem, RequestProblem::kNone);
  EXPECT_EQ(outcome.answer, "QX");
  EXPECT_EQ(items.Read({0x00, 0x01, 0x02}), 42u);
  EXPECT_EQ(items.Read({0x00, 0x01, 0x03}), 0x12345678u);
  EXPECT_EQ(HandleRequest(Read("00 01 03"), items).answer, "Qx" + Hex("78 56 34 12"));
}

TEST(RequestHandler, ChecksumWriteBecomesTheProjectChecksum) {
  ItemTable items;
  HandleRequest(Write("00 00 03 78 56 34 12"), items);
  EXPECT_EQ(items.Read({0xA4, 0x01, 0xA2}), 0x12345678u);
  EXPECT_EQ(items.Read({0x00, 0x00, 0x03}), 0x12345678u);
}

TEST(RequestHandler, RequestsWithoutItemsAreAnsweredEmpty) {
  ItemTable items;
  EXPECT_EQ(HandleRequest("Qq", items).answer, "Qx");
  EXPECT_EQ(HandleRequest("QQ", items).answer, "QX");
}

TEST(RequestHandler, MalformedRequestsGetNoAnswerAndChangeNothing) {
  ItemTable items;
  items.Write({0x00, 0x01, 0x02}, 7);
  const struct {
    std::string data;
    RequestProblem problem;
  } cases[] = {
      {"", RequestProblem::kNoCommand},
      {"Q", RequestProblem::kNoCommand},
      {"Qx" + Hex("00 01 02"), RequestProblem::kUnknownCommand},
      {"qq" + Hex("00 01 02"), RequestProblem::kUnknownCommand},
      {Read("00 01"), RequestProblem::kBadReadLength},
      {Read("00 01 02 00"), RequestProblem::kBadReadLength},
      // A whole first record followed by a broken one: nothing is written.
      {Write("00 01 02 09 00 00 00  00 01 03 09 00"), RequestProblem::kBadWriteLength},
      {Write("00 01 02"), RequestProblem::kBadWriteLength},
  };
  for (const auto& c : cases) {
    const RequestOutcome outcome = HandleRequest(c.data, items);
    EXPECT_EQ(outcome.problem, c.problem) << HexBytes(c.data);
    EXPECT_FALSE(ProblemText(outcome.problem).empty());
  }
  EXPECT_EQ(items.Read({0x00, 0x01, 0x02}), 7u);
  EXPECT_EQ(items.Read({0x00, 0x01, 0x03}), 0u);
}

TEST(RequestHandler, ReadWhoseValuesWouldNotFitOneAnswerFrameIsRefused) {
  ItemTable items;
  std::string codes;
  for (int i = 0; i < 62; ++i) codes += "00 01 02 ";
  // 62 values make the 250 data bytes a frame can carry.
  const RequestOutcome fits = HandleRequest(Read(codes), items);
  EXPECT_EQ(fits.problem, RequestProblem::kNone);
  EXPECT_EQ(fits.answer.size(), 250u);
  EXPECT_EQ(HandleRequest(Read(codes + "00 01 02"), items).problem, RequestProblem::kAnswerTooLong);
}

}  // namespace
}  // namespace vx2::sim
