// The host desktop on Windows: registered window messages and global atoms.
// A placeholder until the window-message implementation arrives: it cannot
// join the desktop.
#pragma once

#include "platform/event_loop.h"
#include "platform/host_desktop.h"

namespace korvex {

class Win32HostDesktop : public HostDesktop {
 public:
  explicit Win32HostDesktop(EventLoop& loop);

  std::uint32_t RegisterMessage(std::string_view name, std::string& problem) override;
  std::int64_t OwnHandle() const override { return 0; }
  void SetReceiver(Receiver receiver) override { receiver_ = std::move(receiver); }
  std::vector<std::int64_t> PostToAll(std::uint32_t message, std::uint32_t wparam,
                                      std::int64_t lparam, std::string_view text) override;
  SendResult Send(std::int64_t window, std::uint32_t message, std::uint32_t wparam,
                  std::int64_t lparam, std::string_view text, int timeout_ms) override;

 private:
  EventLoop& loop_;
  Receiver receiver_;
};

}  // namespace korvex
