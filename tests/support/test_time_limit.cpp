// Every test case has a time limit of its own, linked into each test
// program: one that hangs (a loop blocked for an event that never comes, a
// peer that never answers) is stopped soon and named, instead of running
// into the test runner's limit without a word.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace korvex {
namespace {

// Far above the slowest case under the sanitizers on a loaded machine.
constexpr std::chrono::seconds kLimit{90};

class TestTimeLimit : public ::testing::EmptyTestEventListener {
 public:
  ~TestTimeLimit() override { Stop(); }

  void OnTestStart(const ::testing::TestInfo& test) override {
    Stop();
    running_ = true;
    watch_ = std::thread([this, name = std::string(test.test_suite_name()) + "." + test.name()] {
      std::unique_lock lock(mutex_);
      if (ended_.wait_for(lock, kLimit, [this] { return !running_; })) return;
      std::fprintf(stderr, "%s is still running after %lld s: it hangs, stopped.\n", name.c_str(),
                   static_cast<long long>(kLimit.count()));
      std::fflush(stderr);
      std::abort();
    });
  }
  void OnTestEnd(const ::testing::TestInfo&) override { Stop(); }

 private:
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      running_ = false;
    }
    ended_.notify_all();
    if (watch_.joinable()) watch_.join();
  }

  std::mutex mutex_;
  std::condition_variable ended_;
  bool running_ = false;
  std::thread watch_;
};

[[maybe_unused]] const bool kInstalled = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new TestTimeLimit);
  return true;
}();

}  // namespace
}  // namespace korvex
