#include "fault_plan.h"

#include "byte_text.h"
#include "protocol/frame.h"

namespace vx2::sim {
namespace {

constexpr std::uint8_t kMasterAddress = 0;

}  // namespace

bool FaultPlan::Any() const {
  return delay_ms > 0 || no_answer || bad_check || wrong_address || !noise.empty() ||
         split.has_value() || close_after_answer;
}

bool FaultPlan::AppliesTo(std::uint64_t answer_number) const {
  return !fault_count || answer_number < *fault_count;
}

std::string FaultPlan::Describe() const {
  std::vector<std::string> parts;
  if (no_answer) parts.push_back("bez odpovědi");
  if (delay_ms > 0 && delay_spread_ms > 0) {
    parts.push_back("zpoždění " + std::to_string(delay_ms) + " ± " +
                    std::to_string(delay_spread_ms) + " ms");
  } else if (delay_ms > 0) {
    parts.push_back("zpoždění " + std::to_string(delay_ms) + " ms");
  }
  if (bad_check) parts.push_back("chybný kontrolní bajt");
  if (wrong_address) parts.push_back("cizí adresa řadiče");
  if (!noise.empty()) parts.push_back("šum " + HexBytes(noise));
  if (split) {
    parts.push_back("rozdělení po " + std::to_string(split->offset) + " bajtech s pauzou " +
                    std::to_string(split->pause_ms) + " ms");
  }
  if (close_after_answer) parts.push_back("uzavření spojení po odpovědi");
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

AnswerPlan PlanAnswer(std::string_view data, std::uint8_t address, const FaultPlan* faults) {
  AnswerPlan plan;
  if (faults && faults->no_answer) return plan;
  const auto answer_address =
      static_cast<std::uint8_t>(faults && faults->wrong_address ? address + 1 : address);
  std::string frame;
  if (!korvex::WrapFrame(kMasterAddress, {0x00, 0x00, 0x00, answer_address}, data, frame)) {
    return plan;
  }
  if (!faults) {
    plan.segments.push_back({0, std::move(frame)});
    return plan;
  }
  if (faults->bad_check)
    frame.back() = static_cast<char>(~static_cast<unsigned char>(frame.back()));
  std::string bytes = faults->noise + frame;
  if (faults->split && faults->split->offset < bytes.size()) {
    plan.segments.push_back({faults->delay_ms, bytes.substr(0, faults->split->offset)});
    plan.segments.push_back({faults->split->pause_ms, bytes.substr(faults->split->offset)});
  } else {
    plan.segments.push_back({faults->delay_ms, std::move(bytes)});
  }
  plan.close_after = faults->close_after_answer;
  return plan;
}

}  // namespace vx2::sim
