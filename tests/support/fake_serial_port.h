// A serial port layer that records every call and setting. Received bytes,
// queue counts, modem status and port events are the test's to give; the
// event wait blocks until the test raises events, the mask changes or the
// port closes, so the component's real event thread can run against it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/serial_port.h"

namespace korvex {

class FakeSerialPort : public SerialPortLayer {
 public:
  // The code that says the device has gone away.
  static constexpr int kDeviceGone = 1617;

  // Calls in order, e.g. "Open 3", "SetCommMask 0x17D", "EscapeCommFunction 5".
  // The event wait and the modem status it reads are counted, not listed.
  std::vector<std::string> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  void ClearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }

  // The next WaitCommEvent returns `events`.
  void Raise(std::uint32_t events) {
    std::lock_guard lock(mutex_);
    raised_.push_back(events);
    changed_.notify_all();
  }
  // Bytes for ReadByte.
  void Receive(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    input_ += bytes;
  }
  void SetModemStatus(std::uint32_t status) {
    std::lock_guard lock(mutex_);
    modem_status_ = status;
  }
  void SetQueues(std::uint32_t in, std::uint32_t out) {
    std::lock_guard lock(mutex_);
    queues_ = {in, out};
  }
  // A wait that ends because the mask changed reports these events too, as
  // when they came in the same instant as a close.
  void SetEventsWithMaskChange(std::uint32_t events) {
    std::lock_guard lock(mutex_);
    events_with_mask_change_ = events;
  }
  // Calls named here (e.g. "Open", "WaitCommEvent") fail with `code`.
  void Fail(const std::string& call, int code) {
    std::lock_guard lock(mutex_);
    failing_.insert(call);
    fail_code_ = code;
    changed_.notify_all();
  }
  void Heal(const std::string& call) {
    std::lock_guard lock(mutex_);
    failing_.erase(call);
  }

  // Blocks until the event thread waits in WaitCommEvent for the `n`th time
  // since the port layer was made; false if that has not happened in 10 s.
  bool AwaitWait(int n) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10),
                             [this, n] { return waits_started_ >= n && waiting_; });
  }

  TDcb dcb() const {
    std::lock_guard lock(mutex_);
    return dcb_;
  }
  TCommTimeouts timeouts() const {
    std::lock_guard lock(mutex_);
    return timeouts_;
  }
  std::size_t InputLeft() const {
    std::lock_guard lock(mutex_);
    return input_.size();
  }
  // The threads that have waited for port events.
  std::set<std::thread::id> WaitingThreads() const {
    std::lock_guard lock(mutex_);
    return waiting_threads_;
  }

  PortHandle Open(int port) override {
    std::lock_guard lock(mutex_);
    Record("Open " + std::to_string(port));
    if (Failing("Open")) {
      last_error_ = fail_code_;
      return kNoPort;
    }
    open_ = next_handle_++;
    return open_;
  }
  bool CloseHandle(PortHandle port) override {
    std::lock_guard lock(mutex_);
    Record("CloseHandle");
    if (port != open_ || Failing("CloseHandle")) return false;
    open_ = kNoPort;
    ++mask_generation_;
    changed_.notify_all();
    return true;
  }
  bool SetupComm(PortHandle port, std::uint32_t in_queue, std::uint32_t out_queue) override {
    std::lock_guard lock(mutex_);
    Record("SetupComm " + std::to_string(in_queue) + " " + std::to_string(out_queue));
    return Succeeds(port, "SetupComm");
  }
  bool SetCommState(PortHandle port, const TDcb& dcb) override {
    std::lock_guard lock(mutex_);
    Record("SetCommState");
    dcb_ = dcb;
    return Succeeds(port, "SetCommState");
  }
  bool SetCommTimeouts(PortHandle port, const TCommTimeouts& timeouts) override {
    std::lock_guard lock(mutex_);
    Record("SetCommTimeouts");
    timeouts_ = timeouts;
    return Succeeds(port, "SetCommTimeouts");
  }
  bool SetCommMask(PortHandle port, std::uint32_t mask) override {
    std::lock_guard lock(mutex_);
    char text[32];
    std::snprintf(text, sizeof text, "SetCommMask 0x%X", static_cast<unsigned>(mask));
    Record(text);
    ++mask_generation_;
    changed_.notify_all();
    return Succeeds(port, "SetCommMask");
  }
  bool WaitCommEvent(PortHandle port, std::uint32_t& events) override {
    std::unique_lock lock(mutex_);
    events = 0;
    waiting_threads_.insert(std::this_thread::get_id());
    if (!Succeeds(port, "WaitCommEvent")) return false;
    const std::uint64_t generation = mask_generation_;
    ++waits_started_;
    waiting_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] {
      return !raised_.empty() || mask_generation_ != generation || Failing("WaitCommEvent");
    });
    waiting_ = false;
    if (Failing("WaitCommEvent")) {
      last_error_ = fail_code_;
      return false;
    }
    if (mask_generation_ != generation) {
      events = events_with_mask_change_;
      return true;
    }
    events = raised_.front();
    raised_.pop_front();
    return true;
  }
  bool GetCommModemStatus(PortHandle port, std::uint32_t& status) override {
    std::lock_guard lock(mutex_);
    ++modem_reads_;
    status = modem_status_;
    return Succeeds(port, "GetCommModemStatus");
  }
  bool ClearCommError(PortHandle port, TComStat& status) override {
    std::lock_guard lock(mutex_);
    Record("ClearCommError");
    status = queues_;
    return Succeeds(port, "ClearCommError");
  }
  bool PurgeComm(PortHandle port, std::uint32_t flags) override {
    std::lock_guard lock(mutex_);
    Record("PurgeComm " + std::to_string(flags));
    return Succeeds(port, "PurgeComm");
  }
  bool EscapeCommFunction(PortHandle port, std::uint32_t code) override {
    std::lock_guard lock(mutex_);
    Record("EscapeCommFunction " + std::to_string(code));
    return code >= kSetRts && code <= kClrDtr && Succeeds(port, "EscapeCommFunction");
  }
  int ReadByte(PortHandle port, std::uint8_t& byte) override {
    std::lock_guard lock(mutex_);
    Record("ReadByte");
    if (!Succeeds(port, "ReadByte")) return -1;
    if (input_.empty()) return 0;
    byte = static_cast<std::uint8_t>(input_.front());
    input_.erase(0, 1);
    return 1;
  }
  bool WriteFile(PortHandle port, std::string_view data, int wait_ms) override {
    bool written = false;
    {
      std::lock_guard lock(mutex_);
      Record("WriteFile " + std::to_string(data.size()) + " " + std::to_string(wait_ms));
      written_.emplace_back(data);
      written = Succeeds(port, "WriteFile");
    }
    if (written && on_write) on_write(std::string(data));
    return written;
  }

  // Called with every written string, on the writing thread.
  std::function<void(const std::string&)> on_write;
  // Other programs the port reports as holding it too.
  std::vector<std::string> holders;
  std::vector<std::string> OtherHolders(PortHandle) const override { return holders; }
  SystemError LastError() const override {
    std::lock_guard lock(mutex_);
    // Only a gone device has a meaning the component acts on.
    return {last_error_ == kDeviceGone ? ErrorKind::kBroken : ErrorKind::kOther, last_error_};
  }

  std::vector<std::string> Written() const {
    std::lock_guard lock(mutex_);
    return written_;
  }
  int ModemReads() const {
    std::lock_guard lock(mutex_);
    return modem_reads_;
  }

 private:
  void Record(std::string call) { calls_.push_back(std::move(call)); }
  bool Failing(const std::string& call) const { return failing_.contains(call); }
  // A call on the open port that is not told to fail.
  bool Succeeds(PortHandle port, const std::string& call) {
    if (port != kNoPort && port == open_ && !Failing(call)) return true;
    last_error_ = Failing(call) ? fail_code_ : 6;  // 6: an invalid handle
    return false;
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> calls_;
  std::vector<std::string> written_;
  std::deque<std::uint32_t> raised_;
  std::string input_;
  std::set<std::string> failing_;
  std::set<std::thread::id> waiting_threads_;
  TDcb dcb_;
  TCommTimeouts timeouts_;
  TComStat queues_;
  PortHandle open_ = kNoPort;
  PortHandle next_handle_ = 1;
  std::uint64_t mask_generation_ = 0;
  std::uint32_t events_with_mask_change_ = 0;
  std::uint32_t modem_status_ = 0;
  int fail_code_ = 0;
  int last_error_ = 0;
  int waits_started_ = 0;
  int modem_reads_ = 0;
  bool waiting_ = false;
};

}  // namespace korvex
