// Answers carry no item code and frames no sequence number, so the answer to
// a read that went unanswered may still come, however late and in whatever
// order, and would fit the next read of as many codes. The fence keeps the
// number of codes of each read still unanswered, and each read goes out for a
// number of codes that no unanswered read has (the engine repeats its first
// code to make it up and drops the extra values): only its own answer can fit
// it. With nothing unanswered, reads go out as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace korvex {

class AnswerFence {
 public:
  // The least number of codes from `codes` up that no unanswered read has;
  // `codes` itself when it is beyond what one answer can carry.
  std::size_t CountFor(std::size_t codes);
  // A read of `count` codes went out and its answer did not come.
  void Unanswered(std::size_t count);
  // A read answer of `count` values came that no request waited for: the late
  // answer to the unanswered read of that many codes, whose number is free
  // again.
  void Seen(std::size_t count);
  // The controller answered a request in time.
  void Answered() { ++answered_; }
  bool Empty() const { return unanswered_.empty(); }

 private:
  struct Waiting {
    std::size_t count;
    std::uint64_t answered_before;
  };
  bool Fenced(std::size_t count) const;

  // Oldest first; a number of codes at most once.
  std::deque<Waiting> unanswered_;
  std::uint64_t answered_ = 0;
};

}  // namespace korvex
