#include "platform/termination_signals.h"

namespace korvex {

struct TerminationSignals::Source {};

TerminationSignals::TerminationSignals(EventLoop&, std::function<void(int)>)
    : source_(std::make_unique<Source>()) {}

TerminationSignals::~TerminationSignals() = default;

}  // namespace korvex
