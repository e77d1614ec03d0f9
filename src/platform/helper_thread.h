// Starting the process's helper threads (the serial event thread). Signals
// meant for the process are taken by the loop thread, never by a helper.
#pragma once

#include <functional>
#include <thread>

namespace korvex {

std::thread StartHelperThread(std::function<void()> body);

}  // namespace korvex
