// One run of tolma as a host window: it opens a window on the desktop,
// announces itself, finds the communicator and talks to it through libtolma.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop_turn.h"
#include "tolma.h"

namespace tolma {

struct Received {
  std::uint32_t message;
  std::uint32_t wparam;
  std::int64_t lparam;
  std::string text;
  bool sent;
};

class HostSession {
 public:
  static constexpr int kTurnWaitMs = 60000;

  HostSession() = default;
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Waits at most `turn_wait_ms` for this desktop's turn (desktop_turn.h),
  // then opens the window. An empty `desktop` means the default one.
  bool Open(const std::string& desktop, std::string& error, int turn_wait_ms = kTurnWaitMs);
  // Lets the next tolma run on the desktop begin; the window stays open.
  void EndTurn() { turn_.End(); }
  // Makes this window known as the host. The communicator is `to` when it is
  // not 0; otherwise the window that answers the announcement with its own
  // handle, or else the one other window on the desktop.
  bool Announce(std::int64_t to, std::string& error);
  // Posts the announcement to every window and finds nobody in particular.
  void AnnounceToAll();
  std::int64_t Communicator() const { return communicator_; }
  std::int64_t Handle() const { return tolma_handle(window_); }
  std::uint32_t Message() const { return message_; }
  // Sends one request text to the communicator and waits until it is taken.
  bool Request(std::string_view text, std::string& error);
  // Handles messages for `milliseconds`, or until `done` holds after one.
  void Pump(int milliseconds, const std::function<bool()>& done = {});
  // Every message received so far, in order.
  const std::vector<Received>& Inbox() const { return inbox_; }
  // Called for each message as it arrives.
  void OnMessage(std::function<void(const Received&)> handler) { on_message_ = std::move(handler); }

 private:
  static void Receive(void* context, const tolma_message* message);
  bool SendTo(std::int64_t target, std::uint32_t wparam, std::int64_t lparam, std::string_view text,
              std::string& error);

  // Ends after the window has closed.
  DesktopTurn turn_;
  tolma_window* window_ = nullptr;
  std::uint32_t message_ = tolma_register_message("MSG_TOLMA");
  std::int64_t communicator_ = 0;
  std::vector<Received> inbox_;
  std::function<bool()> done_;
  std::function<void(const Received&)> on_message_;
};

}  // namespace tolma
