#include "platform/helper_thread.h"

namespace korvex {

// Windows delivers the console's Ctrl+C on a thread of its own, never on a
// helper, so a helper needs no preparation.
std::thread StartHelperThread(std::function<void()> body) {
  return std::thread(std::move(body));
}

}  // namespace korvex
