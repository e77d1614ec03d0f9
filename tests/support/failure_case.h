// Consecutive failed attempts, as the RUN loop's and the upload's tests play
// them: which requests the controller leaves unanswered, the answers given to
// "Chyba komunikace !", and how the run must end.
#pragma once

#include <cstddef>
#include <ostream>
#include <set>
#include <vector>

#include "platform/message_boxes.h"

namespace korvex {

struct FailureCase {
  const char* name;
  std::set<std::size_t> unanswered;  // request numbers, counted from 0
  std::vector<MessageButton> answers;
  std::size_t questions;
  bool stopped;                    // the run ended with "CHYBA !"
  std::size_t write_attempts = 0;  // how often the RUN loop logs the write
};

inline void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

}  // namespace korvex
