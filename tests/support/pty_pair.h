// A pseudo-terminal for tests: the master side stays with the test, the
// slave side is the "serial device" the code under test opens by its path.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "support/raw_line.h"

namespace korvex {

class PtyPair {
 public:
  PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    char name[128];
    if (ptsname_r(master_, name, sizeof name) == 0) path_ = name;
    // Held open so that the master never sees a hang-up between openers,
    // and raw so that nothing is echoed before the code under test
    // configures the line.
    holder_ = std::make_unique<RawLine>(path_);
  }
  ~PtyPair() {
    holder_.reset();
    CloseMaster();
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& Path() const { return path_; }
  // A descriptor of the slave side that the test may inspect.
  int Slave() const { return holder_ ? holder_->Descriptor() : -1; }

  void Send(const std::string& bytes) const { (void)!write(master_, bytes.data(), bytes.size()); }
  std::string Receive(std::size_t count,
                      std::chrono::milliseconds limit = std::chrono::seconds(5)) const {
    return ReceiveFrom(master_, count, limit);
  }
  // The device goes away: the slave side sees a hang-up.
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::unique_ptr<RawLine> holder_;
  std::string path_;
};

}  // namespace korvex
