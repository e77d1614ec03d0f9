#include "loop/real_time_loop.h"

#include <algorithm>
#include <chrono>

namespace korvex {

std::int64_t RealTimeLoop::Now() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RealTimeLoop::Sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(std::max(milliseconds, 0)));
}

void RealTimeLoop::WaitForEvents(std::optional<std::int64_t> next_due) {
  int timeout = -1;
  if (next_due) timeout = static_cast<int>(std::clamp<std::int64_t>(*next_due - Now(), 0, 1 << 30));
  PollDescriptors(timeout);
}

}  // namespace korvex
