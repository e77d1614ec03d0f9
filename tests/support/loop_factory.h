// Makes the event loop a parameterised test suite runs on.
#pragma once

#include <functional>
#include <memory>
#include <ostream>

#include "platform/event_loop.h"

namespace korvex {

struct LoopFactory {
  std::function<std::unique_ptr<EventLoop>()> make;
};

inline void PrintTo(const LoopFactory&, std::ostream* os) {
  *os << "loop";
}

}  // namespace korvex
