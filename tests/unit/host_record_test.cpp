#include "common/host_record.h"

#include <gtest/gtest.h>

#include "support/bytes.h"

namespace korvex {
namespace {

TEST(HostRecord, EncodesByteExactly) {
  const HostRecord request{Delivery::kSent, 0xDD3C, 1, 0, "QQ_RD 00 01 02|"};
  EXPECT_EQ(EncodeRecord(request),
            Hex("54 4F 4C 4D 01 01 0F 00 3C DD 00 00 01 00 00 00 00 00 00 00 00 00 00 00") +
                "QQ_RD 00 01 02|");
  const HostRecord handshake{Delivery::kPosted, 0xDD3C, 0, -2, ""};
  EXPECT_EQ(EncodeRecord(handshake),
            Hex("54 4F 4C 4D 01 00 00 00 3C DD 00 00 00 00 00 00 FE FF FF FF FF FF FF FF"));
  EXPECT_EQ(DecodeRecord(EncodeRecord(request)), request);
  EXPECT_EQ(DecodeRecord(EncodeRecord(handshake)), handshake);
  EXPECT_EQ(EncodeReply(0), Hex("54 4F 4C 52 00 00 00 00 00 00 00 00"));
  EXPECT_EQ(DecodeReply(EncodeReply(-7)), -7);
}

TEST(HostRecord, LongestTextIsSentWholeAndReceivedAs254Bytes) {
  HostRecord record{Delivery::kSent, 0xDD3C, 2, 0, std::string(254, 'a') + '|'};
  const std::string bytes = EncodeRecord(record);
  ASSERT_EQ(bytes.size(), kRecordMaxSize);
  EXPECT_EQ(bytes.substr(6, 2), Hex("FF 00"));
  EXPECT_EQ(bytes.substr(24), record.text);
  const auto received = DecodeRecord(bytes);
  ASSERT_TRUE(received);
  EXPECT_EQ(received->text, std::string(254, 'a'));
  record.text = std::string(300, 'b');
  EXPECT_EQ(EncodeRecord(record).size(), kRecordMaxSize) << "a longer text is cut to 255";
}

TEST(HostRecord, DropsEveryMalformedRecord) {
  const std::string good = EncodeRecord({Delivery::kSent, 0xDD3C, 1, 0, "CLOSE|"});
  auto with = [&](std::size_t at, const std::string& bytes) {
    std::string changed = good;
    changed.replace(at, bytes.size(), bytes);
    return changed;
  };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"shorter than a header", good.substr(0, 23)},
      {"text truncated", good.substr(0, good.size() - 1)},
      {"a byte too many", good + "x"},
      {"longer than any record",
       EncodeRecord({Delivery::kSent, 1, 1, 0, std::string(255, 'x')}) + "x"},
      {"another magic", with(0, "TOLR")},
      {"another version", with(4, Hex("02"))},
      {"another delivery", with(5, Hex("02"))},
      {"length too large", with(6, Hex("07 00"))},
      {"length too small", with(6, Hex("05 00"))},
      {"length over 255", with(6, Hex("00 01"))},
  };
  for (const auto& c : cases) EXPECT_FALSE(DecodeRecord(c.bytes)) << c.what;
  EXPECT_TRUE(DecodeRecord(good));
  EXPECT_FALSE(DecodeReply(EncodeReply(0).substr(0, 11)));
  EXPECT_FALSE(DecodeReply(EncodeReply(0) + "x"));
  EXPECT_FALSE(DecodeReply("TOLM" + EncodeReply(0).substr(4)));
}

}  // namespace
}  // namespace korvex
