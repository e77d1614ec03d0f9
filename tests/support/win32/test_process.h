// This test process and whether another one still runs, for naming scratch
// folders after their owner.
#pragma once

namespace korvex {

long TestProcessId();
bool ProcessGone(long id);

}  // namespace korvex
