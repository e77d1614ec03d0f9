// Faults the simulator puts into its answers, chosen per run, so that a
// client's time-outs, checks and retries can be tried against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx2::sim {

struct AnswerSplit {
  std::size_t offset = 0;  // bytes in the first segment, noise included
  int pause_ms = 0;
};

struct FaultPlan {
  int delay_ms = 0;
  // Each delayed answer's delay is drawn from delay_ms ± this.
  int delay_spread_ms = 0;
  bool no_answer = false;
  bool bad_check = false;
  bool wrong_address = false;
  std::string noise;  // sent before the answer frame
  std::optional<AnswerSplit> split;
  bool close_after_answer = false;
  // Only the first this many answers get the faults; none: all of them.
  std::optional<std::uint64_t> fault_count;
  // After this many answered writes the controller restarts: it forgets what
  // was written and holds its starting values again.
  std::optional<std::uint64_t> restart_after_writes;

  bool Any() const;
  // `answer_number` counts the requests that deserved an answer, from 0.
  bool AppliesTo(std::uint64_t answer_number) const;
  // The faults in Czech, for the log.
  std::string Describe() const;
};

struct AnswerSegment {
  int wait_ms = 0;  // before this segment goes out
  std::string bytes;
};

struct AnswerPlan {
  std::vector<AnswerSegment> segments;  // none: the request goes unanswered
  bool close_after = false;
};

// How the answer `data` of controller `address` goes out: one clean frame
// unless `faults` are given.
AnswerPlan PlanAnswer(std::string_view data, std::uint8_t address, const FaultPlan* faults);

}  // namespace vx2::sim
