// The open ports of a serial layer, whatever the platform: the handles given
// out, and the rule that a port is not released while a call uses it. Each
// platform adds only its port record and its system calls.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/serial_port.h"

namespace korvex {

// What the table needs of a port record; the platform's record derives from it.
struct SerialPortUsers {
  // Guards these fields and whatever else the platform's record says.
  std::mutex mutex;
  std::condition_variable released;
  bool closed = false;
  int users = 0;  // calls using the port
};

// The last failed call on the calling thread, for LastError().
inline SystemError& SerialLastError() {
  thread_local SystemError error;
  return error;
}

// Records `error` as the calling thread's last error; false, for the call to
// return.
inline bool FailSerialCall(SystemError error) {
  SerialLastError() = error;
  return false;
}

// Whether a call keeps its port's lock while it runs: POSIX calls do, and
// let it go only around a blocking wait; Win32 calls take it only where they
// touch the record's shared fields, since their waits block in the driver.
enum class UseLocking { kHeld, kReleased };

template <typename Port>
class SerialPortTable;

// One call on an open port; empty when the handle is not (or no longer) open.
template <typename Port, UseLocking kLocking>
class SerialPortUse {
 public:
  SerialPortUse(const SerialPortTable<Port>& table, PortHandle handle) : port_(table.Find(handle)) {
    if (!port_) return;
    lock_ = std::unique_lock(port_->mutex);
    if (port_->closed) {
      lock_.unlock();
      port_.reset();
      return;
    }
    ++port_->users;
    if (kLocking == UseLocking::kReleased) lock_.unlock();
  }
  ~SerialPortUse() {
    if (!port_) return;
    if (!lock_.owns_lock()) lock_.lock();
    --port_->users;
    port_->released.notify_all();
  }
  SerialPortUse(const SerialPortUse&) = delete;
  SerialPortUse& operator=(const SerialPortUse&) = delete;

  explicit operator bool() const { return port_ != nullptr; }
  Port* operator->() const { return port_.get(); }
  void Unlock() { lock_.unlock(); }
  void Lock() { lock_.lock(); }

 private:
  std::shared_ptr<Port> port_;
  std::unique_lock<std::mutex> lock_;
};

template <typename Port>
class SerialPortTable {
 public:
  PortHandle Add(std::shared_ptr<Port> port) {
    std::lock_guard lock(mutex_);
    const PortHandle handle = next_handle_++;
    ports_.emplace(handle, std::move(port));
    return handle;
  }

  std::shared_ptr<Port> Find(PortHandle handle) const {
    std::lock_guard lock(mutex_);
    const auto found = ports_.find(handle);
    return found == ports_.end() ? nullptr : found->second;
  }

  std::vector<PortHandle> Handles() const {
    std::lock_guard lock(mutex_);
    std::vector<PortHandle> open;
    for (const auto& entry : ports_) open.push_back(entry.first);
    return open;
  }

  // Takes the port out of the table, marks it closed, runs `interrupt` under
  // its lock to end the calls that block on it, and waits until no call uses
  // it; null when the handle is not open.
  template <typename Interrupt>
  std::shared_ptr<Port> Remove(PortHandle handle, Interrupt interrupt) {
    std::shared_ptr<Port> port;
    {
      std::lock_guard lock(mutex_);
      const auto found = ports_.find(handle);
      if (found == ports_.end()) return nullptr;
      port = found->second;
      ports_.erase(found);
    }
    std::unique_lock lock(port->mutex);
    port->closed = true;
    interrupt(*port);
    port->released.wait(lock, [&port] { return port->users == 0; });
    return port;
  }

 private:
  mutable std::mutex mutex_;
  std::map<PortHandle, std::shared_ptr<Port>> ports_;
  PortHandle next_handle_ = 1;
};

}  // namespace korvex
