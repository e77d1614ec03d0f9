// The serial component's event thread, the only thread besides the loop
// thread. It blocks in the port's event wait and hands every event to the loop
// thread through a synchronised call, so the component's handlers always run
// there, one at a time. It never touches engine or window state.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/event_loop.h"

namespace korvex {

class TSerial;

// Assembles framed messages out of received bytes: the start character, the
// body, the end character, then a fixed number of trailer bytes of any value.
struct TMessageFramer {
  enum State : std::uint8_t { kIdle, kInMessage, kTrailer, kDelivered };

  // Takes one byte; true when it completed a message, which is then Buffer.
  bool Take(std::uint8_t byte, std::uint8_t start, std::uint8_t end, std::uint16_t append_count);

  State MsgState = kIdle;
  std::uint16_t MsgRemaining = 0;
  std::string MsgBuffer;
};

class TEventThread {
 public:
  // Created suspended: nothing runs before the first Resume.
  TEventThread(TSerial& serial, EventLoop& loop);
  ~TEventThread();
  TEventThread(const TEventThread&) = delete;
  TEventThread& operator=(const TEventThread&) = delete;

  // Starts the thread; no effect once it runs or after Terminate.
  void Resume();
  // Asks the thread to end after its current turn.
  void Terminate();
  // Waits for the end of a terminated thread, running meanwhile the
  // synchronised call it may be waiting on.
  void WaitFor();

 private:
  void Execute();
  // Waits while the port is closed; a stop request ends the wait at once.
  void Idle();
  void Dispatch(std::uint32_t events);
  void SignalChange(std::uint32_t event);
  void ReceiveMessages();
  // Runs `call` on the loop thread if the port is still open then.
  void Deliver(const std::function<void()>& call);

  TSerial& serial_;
  EventLoop& loop_;
  TMessageFramer framer_;
  std::thread thread_;
  std::atomic<bool> terminated_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool wake_ = false;
  bool finished_ = false;
};

}  // namespace korvex
