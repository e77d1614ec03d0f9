#include "protocol/answer_fit.h"

#include "protocol/item_layout.h"

namespace korvex {

bool AnswerFitsRequest(std::string_view request, std::string_view answer) {
  const std::string_view command = request.substr(0, kCommandSize);
  if (command == "Qq") {
    const std::size_t codes = (request.size() - kCommandSize) / kItemCodeSize;
    return answer.size() == kCommandSize + codes * kItemValueSize && answer.starts_with("Qx");
  }
  if (command == "QQ") return answer.starts_with("QX");
  return true;
}

}  // namespace korvex
