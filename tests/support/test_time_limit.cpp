// Every test case has a time limit of its own, linked into each test
// program: one that hangs (a loop blocked for an event that never comes, a
// peer that never answers) is stopped soon and named, instead of running
// into the test runner's limit without a word.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace korvex {
namespace {

using Clock = std::chrono::steady_clock;
// Far above the slowest case under the sanitizers on a loaded machine.
constexpr std::chrono::seconds kLimit{90};

class TestTimeLimit : public ::testing::EmptyTestEventListener {
 public:
  TestTimeLimit() {
    // Never freed: the watching thread outlives the listener at exit.
    std::thread([running = running_] {
      for (;; std::this_thread::sleep_for(std::chrono::seconds(1))) {
        std::lock_guard lock(running->mutex);
        if (Clock::now() < running->deadline) continue;
        std::fprintf(stderr, "%s still runs after %lld s: it hangs, stopped.\n",
                     running->name.c_str(), static_cast<long long>(kLimit.count()));
        std::abort();
      }
    }).detach();
  }
  void OnTestStart(const ::testing::TestInfo& test) override {
    std::lock_guard lock(running_->mutex);
    running_->name = std::string(test.test_suite_name()) + "." + test.name();
    running_->deadline = Clock::now() + kLimit;
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::lock_guard lock(running_->mutex);
    running_->deadline = Clock::time_point::max();
  }

 private:
  struct Running {
    std::mutex mutex;
    std::string name;
    Clock::time_point deadline = Clock::time_point::max();
  };
  Running* running_ = new Running;
};

[[maybe_unused]] const bool kInstalled = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new TestTimeLimit);
  return true;
}();

}  // namespace
}  // namespace korvex
