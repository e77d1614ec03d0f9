// The desktop the host application and the communicator share: a registered
// message number, window handles, posting to every window and sending to one
// window with a wait for its reply. Texts travel with a message where the
// Windows desktop puts a global atom into lParam.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_error.h"

namespace korvex {

// This platform's code of a failed call joining the desktop, as the
// project's error.
SystemError DesktopError(int code);

// A message as a window procedure gets it. `text` is the text that came in
// place of an atom (at most 254 bytes); `sent` tells a sent message, whose
// sender waits until the procedure has returned.
struct HostMessage {
  std::uint32_t message = 0;
  std::uint32_t wparam = 0;
  std::int64_t lparam = 0;
  std::string text;
  bool sent = false;
};

enum class SendResult {
  kDelivered,  // the window procedure has handled it
  kNoWindow,   // no such window, or it refused: the message is lost
  kNoReply,    // the window went away before it replied
  kTimedOut,   // no reply within the bound
};

class HostDesktop {
 public:
  using Receiver = std::function<void(const HostMessage&)>;

  virtual ~HostDesktop() = default;

  // Joins the desktop on first use and returns the message number for
  // `name`; 0 when the desktop cannot be used, with the reason in Czech in
  // `problem`.
  virtual std::uint32_t RegisterMessage(std::string_view name, std::string& problem) = 0;
  // This window's handle; 0 until the desktop has been joined.
  virtual std::int64_t OwnHandle() const = 0;
  // The window procedure for messages to this window.
  virtual void SetReceiver(Receiver receiver) = 0;
  // Queues the message for every window of the desktop, this one included,
  // and returns at once with the handles it reached.
  virtual std::vector<std::int64_t> PostToAll(std::uint32_t message, std::uint32_t wparam,
                                              std::int64_t lparam, std::string_view text) = 0;
  // Delivers the message to `window` and waits for its procedure to finish,
  // at most `timeout_ms`. Messages to this window are handled meanwhile, so
  // two windows sending to each other do not lock up.
  virtual SendResult Send(std::int64_t window, std::uint32_t message, std::uint32_t wparam,
                          std::int64_t lparam, std::string_view text, int timeout_ms) = 0;
};

}  // namespace korvex
