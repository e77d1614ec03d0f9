#include "item_requests.h"

namespace vx2::ctl {

std::string ReadRequest(std::span<const ItemCode> codes) {
  std::string request(kReadCommand);
  for (const ItemCode& code : codes) AppendCode(request, code);
  return request;
}

std::optional<std::vector<std::uint32_t>> ReadAnswerValues(std::string_view answer,
                                                           std::size_t count) {
  if (answer.size() != kCommandSize + count * kItemValueSize ||
      answer.substr(0, kCommandSize) != kReadAnswer) {
    return std::nullopt;
  }
  std::vector<std::uint32_t> values;
  for (std::size_t at = kCommandSize; at < answer.size(); at += kItemValueSize) {
    values.push_back(ValueAt(answer, at));
  }
  return values;
}

std::string WriteRequest(const ItemValue& record) {
  std::string request(kWriteCommand);
  AppendCode(request, record.code);
  AppendValue(request, record.value);
  return request;
}

bool IsWriteAnswer(std::string_view answer) {
  return answer == kWriteAnswer;
}

}  // namespace vx2::ctl
