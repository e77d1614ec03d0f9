#include "protocol/answer_fence.h"

#include <algorithm>

#include "protocol/frame.h"
#include "protocol/item_layout.h"

namespace korvex {
namespace {

constexpr std::size_t kMaxAnswerCodes = (kMaxFrameData - kCommandSize) / kItemValueSize;
// A read whose answer has not come while the controller answered this many
// later requests is taken as lost: its number of codes must not cost every
// later read for the rest of the run.
constexpr std::uint64_t kLostAfterAnswers = 1000;

}  // namespace

bool AnswerFence::Fenced(std::size_t count) const {
  return std::any_of(unanswered_.begin(), unanswered_.end(),
                     [count](const Waiting& read) { return read.count == count; });
}

std::size_t AnswerFence::CountFor(std::size_t codes) {
  if (codes == 0 || codes > kMaxAnswerCodes) return codes;
  while (!unanswered_.empty() &&
         answered_ - unanswered_.front().answered_before >= kLostAfterAnswers) {
    unanswered_.pop_front();
  }
  for (;;) {
    for (std::size_t count = codes; count <= kMaxAnswerCodes; ++count) {
      if (!Fenced(count)) return count;
    }
    // Every number is taken: the oldest unanswered read is the likeliest lost.
    unanswered_.pop_front();
  }
}

void AnswerFence::Unanswered(std::size_t count) {
  if (count == 0 || count > kMaxAnswerCodes || Fenced(count)) return;
  unanswered_.push_back({count, answered_});
}

void AnswerFence::Seen(std::size_t count) {
  std::erase_if(unanswered_, [count](const Waiting& read) { return read.count == count; });
}

}  // namespace korvex
