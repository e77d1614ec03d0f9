#include "protocol/project_readback.h"

#include <algorithm>

#include "common/text_helpers.h"
#include "protocol/answer_fit.h"
#include "protocol/item_layout.h"

namespace korvex {
namespace {

// As many codes as the RUN loop merges into one read.
constexpr std::size_t kCodesPerRead = kMaxJoined;

std::uint32_t ValueAt(std::string_view bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = kItemValueSize; i > 0; --i) {
    value = value << 8 | static_cast<std::uint8_t>(bytes[offset + i - 1]);
  }
  return value;
}

}  // namespace

std::optional<std::vector<ItemDifference>> CompareWithController(
    const std::vector<std::string>& records, const ReadExchange& read) {
  std::vector<ItemDifference> items;
  for (const std::string& record : records) {
    if (record.size() != kWriteRecordSize) continue;
    const std::string code = record.substr(0, kItemCodeSize);
    const std::uint32_t value = ValueAt(record, kItemCodeSize);
    const auto known =
        std::find_if(items.begin(), items.end(),
                     [&code](const ItemDifference& item) { return item.code == code; });
    if (known != items.end()) {
      known->project = value;
    } else {
      items.push_back({code, value, 0});
    }
  }
  for (std::size_t first = 0; first < items.size(); first += kCodesPerRead) {
    const std::size_t end = std::min(items.size(), first + kCodesPerRead);
    std::string request = "Qq";
    for (std::size_t i = first; i < end; ++i) request += items[i].code;
    std::string answer;
    if (!read(request, answer) || !AnswerFitsRequest(request, answer)) return std::nullopt;
    for (std::size_t i = first; i < end; ++i) {
      items[i].controller = ValueAt(answer, kCommandSize + (i - first) * kItemValueSize);
    }
  }
  std::erase_if(items, [](const ItemDifference& item) { return item.project == item.controller; });
  return items;
}

std::string DifferenceLine(const ItemDifference& difference) {
  std::string line;
  for (char byte : difference.code) line += ByteToHex(static_cast<std::uint8_t>(byte));
  return line + ": v projektu " + std::to_string(difference.project) + ", v řadiči " +
         std::to_string(difference.controller);
}

}  // namespace korvex
