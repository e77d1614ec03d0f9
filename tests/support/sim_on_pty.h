// vx2sim serving a pseudo-terminal of its own. Every wait is bounded.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/raw_line.h"

namespace korvex {

// "vx2sim: připraven na ": the ready line of vx2sim, or of another
// controller `program` that takes its options.
inline std::string ReadyLine(const std::string& program) {
  return program.substr(program.find_last_of('/') + 1) + ": připraven na ";
}

class SimOnPty {
 public:
  SimOnPty(const std::string& program, std::vector<std::string> options)
      : process_(program, WithPty(std::move(options))) {
    const std::string ready = ReadyLine(program);
    if (!process_.WaitFor(ready, std::chrono::seconds(10))) return;
    const std::string& out = process_.Output();
    const std::size_t at = out.find(ready) + ready.size();
    if (out.find('\n', at) == std::string::npos) process_.WaitFor("\n", std::chrono::seconds(1));
    device_ = process_.Output().substr(at, process_.Output().find('\n', at) - at);
  }

  // The device to give the communicator; empty when vx2sim did not get ready.
  const std::string& Device() const { return device_; }
  ChildProcess& Process() { return process_; }

 private:
  static std::vector<std::string> WithPty(std::vector<std::string> options) {
    options.insert(options.begin(), "--pty");
    return options;
  }

  ChildProcess process_;
  std::string device_;
};

}  // namespace korvex
