// The tools' command lines: the communicator's Czech command line, plus a
// range check with a Czech message.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <ostream>

#include "app/czech_cli.h"

namespace vx2 {

using korvex::ReportParseEnd;
using korvex::UseCzechCommandLine;

// A whole number from `low` to `high` inclusive.
CLI::Validator WholeNumberFromTo(std::int64_t low, std::int64_t high);
// A number of seconds above 0 and at most `high`.
CLI::Validator SecondsUpTo(int high);

}  // namespace vx2
