// Feeds arbitrary bytes to the host channel's record and reply decoders and
// checks that whatever they accept is one whole record that encodes back to
// the same bytes, with a received text of at most 254 bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/host_record.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  if (const auto record = korvex::DecodeRecord(input)) {
    Require(size >= korvex::kRecordHeaderSize && size <= korvex::kRecordMaxSize);
    Require(record->text.size() <= korvex::kReceivedTextMax);
    // A 255-byte text comes back cut to 254; otherwise the bytes are the same.
    std::string expected(input.substr(0, korvex::kRecordHeaderSize + record->text.size()));
    expected[6] = static_cast<char>(record->text.size());
    expected[7] = 0;
    Require(korvex::EncodeRecord(*record) == expected);
  }
  if (const auto reply = korvex::DecodeReply(input)) {
    Require(korvex::EncodeReply(*reply) == input);
  }
  return 0;
}
