// A host application's window inside a test, on any platform's desktop: it
// registers "MSG_TOLMA" and collects what it receives.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/event_loop.h"
#include "platform/host_desktop.h"

namespace korvex {

template <class Desktop>
struct TestHostWindow {
  template <class... Where>
  explicit TestHostWindow(EventLoop& loop, Where&&... where)
      : desktop(loop, std::forward<Where>(where)...) {
    std::string problem;
    message = desktop.RegisterMessage("MSG_TOLMA", problem);
    EXPECT_NE(message, 0u) << problem;
    desktop.SetReceiver([this](const HostMessage& m) { inbox.push_back(m); });
  }
  bool Got(std::uint32_t wparam, const std::string& text) const {
    for (const HostMessage& m : inbox) {
      if (m.message == message && m.wparam == wparam && m.text == text) return true;
    }
    return false;
  }
  bool GotHandle(std::int64_t handle) const {
    for (const HostMessage& m : inbox) {
      if (m.message == message && m.wparam == 0 && m.lparam == handle) return true;
    }
    return false;
  }
  Desktop desktop;
  std::uint32_t message = 0;
  std::vector<HostMessage> inbox;
};

// Runs `loop` until `done`, at most `limit` ms.
inline void PumpUntil(EventLoop& loop, const std::function<bool()>& done, int limit = 5000) {
  bool expired = false;
  auto timer = loop.CreateTimer("limit", limit, [&] { expired = true; });
  auto tick = loop.CreateTimer("tick", 10, [] {});
  timer->SetEnabled(true);
  tick->SetEnabled(true);
  while (!done() && !expired) loop.HandleMessage();
}

}  // namespace korvex
