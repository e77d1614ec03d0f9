// Output that never costs the work: a stream that cannot be written (the
// reader of a pipe has gone, the disk is full) is left alone from then on,
// and a failed standard output is told once on standard error. The program
// still ends with a failure status, as GNU tools do, once its work is done.
#pragma once

#include <cstdio>
#include <string_view>

#include "platform/system_error.h"

namespace korvex {

// The C library's errno after a failed write or flush, as the project's
// error: the same codes on every platform, so one mapping serves them all.
SystemError StandardOutputError(int code);

// The program named at the start of the line that tells of the failure.
void SetOutputProgramName(std::string_view program);

// Writes and flushes `text`; false when `out` has failed, now or before.
bool WriteAndFlush(std::FILE* out, std::string_view text);

// Flushes standard output at the end: `status`, or `failure` when some of it
// was lost and `status` says that all went well.
int ExitStatusAfterOutput(int status, int failure);

}  // namespace korvex
