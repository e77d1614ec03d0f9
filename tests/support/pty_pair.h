// A pseudo-terminal for tests: the master side stays with the test, the
// slave side is the "serial device" the code under test opens by its path.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support/receive_from.h"

namespace korvex {

class PtyPair {
 public:
  PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    char name[128];
    if (ptsname_r(master_, name, sizeof name) == 0) path_ = name;
    // Held open so that the master never sees a hang-up between openers,
    // and set raw so that nothing is echoed before the code under test
    // configures the line.
    holder_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (holder_ >= 0 && tcgetattr(holder_, &raw) == 0) {
      cfmakeraw(&raw);
      tcsetattr(holder_, TCSANOW, &raw);
    }
  }
  ~PtyPair() {
    if (holder_ >= 0) close(holder_);
    CloseMaster();
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& Path() const { return path_; }
  // A descriptor of the slave side that the test may inspect.
  int Slave() const { return holder_; }

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
  int holder_ = -1;
  std::string path_;
};

}  // namespace korvex
