#include "protocol/answer_fit.h"

#include <cstddef>

namespace korvex {
namespace {

constexpr std::size_t kCommandSize = 2;
constexpr std::size_t kCodeSize = 3;
constexpr std::size_t kValueSize = 4;

}  // namespace

bool AnswerFitsRequest(std::string_view request, std::string_view answer) {
  const std::string_view command = request.substr(0, kCommandSize);
  if (command == "Qq") {
    const std::size_t codes = (request.size() - kCommandSize) / kCodeSize;
    return answer.size() == kCommandSize + codes * kValueSize && answer.starts_with("Qx");
  }
  if (command == "QQ") return answer.starts_with("QX");
  return true;
}

}  // namespace korvex
