// The part of a message loop that every platform does the same way: calls
// another thread hands to the loop thread in Synchronize wait in a queue until
// the loop thread runs them, and their caller waits until then; Run handles
// messages until Quit. Both wake the loop thread's wait.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/event_loop.h"

namespace korvex {

class WakeableLoop : public EventLoop {
 public:
  void Synchronize(const std::function<void()>& call) final {
    if (std::this_thread::get_id() == loop_thread_) {
      call();
      return;
    }
    PostedCall posted{&call};
    std::unique_lock lock(posted_mutex_);
    posted_.push_back(&posted);
    Wake();
    posted_done_.wait(lock, [&posted] { return posted.done; });
  }

  void CheckSynchronize() final { RunPostedCalls(); }

  void Run() override {
    while (!quit_) HandleMessage();
    quit_ = false;
  }

  void Quit() override {
    quit_ = true;
    Wake();
  }

 protected:
  // Makes the loop thread's wait for a message return soon. Called on the
  // loop thread or on one that holds the queue of posted calls.
  virtual void Wake() = 0;

  void RunPostedCalls() {
    while (RunOnePostedCall()) {
    }
  }

  bool RunOnePostedCall() {
    PostedCall* posted = nullptr;
    {
      std::lock_guard lock(posted_mutex_);
      if (posted_.empty()) return false;
      posted = posted_.front();
      posted_.pop_front();
    }
    (*posted->call)();
    {
      std::lock_guard lock(posted_mutex_);
      posted->done = true;
    }
    posted_done_.notify_all();
    return true;
  }

  bool AnyPostedCall() const {
    std::lock_guard lock(posted_mutex_);
    return !posted_.empty();
  }

 private:
  struct PostedCall {
    const std::function<void()>* call;
    bool done = false;
  };

  // The loop runs on the thread that creates it.
  const std::thread::id loop_thread_ = std::this_thread::get_id();
  bool quit_ = false;
  mutable std::mutex posted_mutex_;
  std::condition_variable posted_done_;
  std::deque<PostedCall*> posted_;
};

}  // namespace korvex
