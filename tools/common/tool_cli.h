// The tools' command lines: the communicator's Czech CLI11 messages, plus
// Czech help headings and a range check with a Czech message.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <ostream>

namespace vx2 {

// Call before any option is added, so that every option falls in the Czech
// group.
void UseCzechCommandLine(CLI::App& app);

// Prints the help or the error that ended parsing. Returns the exit status:
// 0 after --help, 2 after an error.
int ReportParseEnd(CLI::App& app, const CLI::ParseError& end, std::ostream& out, std::ostream& err);

// A whole number from `low` to `high` inclusive.
CLI::Validator WholeNumberFromTo(std::int64_t low, std::int64_t high);

}  // namespace vx2
