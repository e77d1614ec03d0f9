// The host desktop on Linux: a private directory in which every window that
// takes part binds a Unix-domain seqpacket socket named after its handle.
// Each message is one record on a connection of its own; a sent record is
// answered with a reply once the receiving window procedure has finished.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "common/host_record.h"
#include "platform/event_loop.h"
#include "platform/host_desktop.h"

namespace korvex {

// $TOLMA_DESKTOP if set and not empty, else $XDG_RUNTIME_DIR/tolma when that
// is set, else /tmp/tolma-<uid>.
std::string DefaultDesktopDirectory();

// A handle as a socket name: decimal, no leading zeros, 1 to 2147483647.
std::optional<std::int64_t> ParseHandleName(std::string_view name);

class PosixHostDesktop : public HostDesktop {
 public:
  // An empty `directory` means the default one.
  explicit PosixHostDesktop(EventLoop& loop, std::string directory = {});
  ~PosixHostDesktop() override;
  PosixHostDesktop(const PosixHostDesktop&) = delete;
  PosixHostDesktop& operator=(const PosixHostDesktop&) = delete;

  // The number every process gets for `name`, without joining the desktop.
  static std::uint32_t NumberOf(std::string_view name) { return RegisteredMessageNumber(name); }

  std::uint32_t RegisterMessage(std::string_view name, std::string& problem) override;
  std::int64_t OwnHandle() const override { return own_; }
  void SetReceiver(Receiver receiver) override { receiver_ = std::move(receiver); }
  std::vector<std::int64_t> PostToAll(std::uint32_t message, std::uint32_t wparam,
                                      std::int64_t lparam, std::string_view text) override;
  SendResult Send(std::int64_t window, std::uint32_t message, std::uint32_t wparam,
                  std::int64_t lparam, std::string_view text, int timeout_ms) override;

  // The desktop's directory.
  const std::string& Location() const { return directory_; }

 private:
  bool Join(std::string& problem);
  bool BindOwnSocket(std::string& problem);
  std::string PathOf(std::int64_t handle) const;
  // A connected socket to the window, or -1 when it has none or refuses.
  int ConnectTo(std::int64_t handle) const;
  void AcceptPending();
  // Reads the one record of an incoming connection, hands it to the window
  // procedure, replies when it was sent, and closes the connection.
  void Serve(int fd);
  void Forget(int fd);

  EventLoop& loop_;
  std::string directory_;
  std::optional<std::string> join_problem_;  // set once joining was tried
  int listen_fd_ = -1;
  std::int64_t own_ = 0;
  std::unique_ptr<IoWatch> listen_watch_;
  std::map<int, std::unique_ptr<IoWatch>> connections_;
  Receiver receiver_;
};

}  // namespace korvex
