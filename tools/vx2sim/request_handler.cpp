#include "request_handler.h"

#include "protocol/frame.h"

namespace vx2::sim {
namespace {

RequestOutcome Read(std::string_view codes, const ItemTable& items) {
  if (codes.size() % kItemCodeSize != 0) return {RequestProblem::kBadReadLength, {}};
  const std::size_t count = codes.size() / kItemCodeSize;
  if (kCommandSize + count * kItemValueSize > korvex::kMaxFrameData) {
    return {RequestProblem::kAnswerTooLong, {}};
  }
  RequestOutcome outcome{RequestProblem::kNone, std::string(kReadAnswer)};
  for (std::size_t at = 0; at < codes.size(); at += kItemCodeSize) {
    AppendValue(outcome.answer, items.Read(CodeAt(codes, at)));
  }
  return outcome;
}

RequestOutcome Write(std::string_view records, ItemTable& items) {
  if (records.size() % kWriteRecordSize != 0) return {RequestProblem::kBadWriteLength, {}};
  for (std::size_t at = 0; at < records.size(); at += kWriteRecordSize) {
    const ItemCode code = CodeAt(records, at);
    const std::uint32_t value = ValueAt(records, at + kItemCodeSize);
    items.Write(code, value);
    if (code == kChecksumWriteItem) items.Write(kProjectChecksumItem, value);
  }
  return {RequestProblem::kNone, std::string(kWriteAnswer)};
}

}  // namespace

RequestOutcome HandleRequest(std::string_view data, ItemTable& items) {
  if (data.size() < kCommandSize) return {RequestProblem::kNoCommand, {}};
  const std::string_view command = data.substr(0, kCommandSize);
  const std::string_view rest = data.substr(kCommandSize);
  if (command == kReadCommand) return Read(rest, items);
  if (command == kWriteCommand) return Write(rest, items);
  return {RequestProblem::kUnknownCommand, {}};
}

std::string ProblemText(RequestProblem problem) {
  switch (problem) {
    case RequestProblem::kNone:
      return "v pořádku";
    case RequestProblem::kNoCommand:
      return "data kratší než dvoupísmenný příkaz";
    case RequestProblem::kUnknownCommand:
      return "neznámý příkaz (známé jsou Qq a QQ)";
    case RequestProblem::kBadReadLength:
      return "za příkazem Qq nejsou celé kódy položek (po 3 bajtech)";
    case RequestProblem::kBadWriteLength:
      return "za příkazem QQ nejsou celé zápisové záznamy (po 7 bajtech)";
    case RequestProblem::kAnswerTooLong:
      return "hodnoty tolika položek se nevejdou do jednoho rámce odpovědi";
  }
  return {};
}

}  // namespace vx2::sim
