// The tools' command lines: the communicator's Czech command line and its
// Czech range checks.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <ostream>

#include "app/czech_cli.h"
#include "app/number_checks.h"

namespace vx2 {

using korvex::BadCommandLineText;
using korvex::ParseArguments;
using korvex::ReportParseEnd;
using korvex::SecondsUpTo;
using korvex::UseCzechCommandLine;
using korvex::WholeNumberFromTo;

}  // namespace vx2
