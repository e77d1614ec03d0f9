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

// Creates the desktop directory private, or checks that an existing one is a
// directory of this user closed to everybody else; false with the reason in
// Czech otherwise.
bool PrepareDesktopDirectory(const std::string& directory, std::string& problem);

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
  void CloseOldestConnection();
  // Out of descriptors: the listening socket stays readable, so it is not
  // watched for a while instead of failing accept over and over.
  void PauseAccepting();
  // Closes the connections that have not delivered their record in time and
  // watches the listening socket again when the pause is over.
  void Housekeep();
  void WatchListeningSocket();

  struct Connection {
    std::unique_ptr<IoWatch> watch;
    std::int64_t deadline_ms;
  };

  EventLoop& loop_;
  std::string directory_;
  std::optional<std::string> join_problem_;  // set once joining was tried
  int listen_fd_ = -1;
  std::int64_t own_ = 0;
  std::unique_ptr<IoWatch> listen_watch_;  // none while accepting is paused
  std::int64_t accept_resume_ms_ = 0;
  std::map<int, Connection> connections_;
  std::unique_ptr<Timer> housekeeping_;  // runs while connections are held or accepting paused
  Receiver receiver_;
};

}  // namespace korvex
