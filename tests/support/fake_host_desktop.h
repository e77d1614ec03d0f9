// A host desktop inside the test: it records what the window posts and sends,
// answers each send as told, and delivers the test's messages to the window
// procedure.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/host_record.h"
#include "platform/host_desktop.h"

namespace korvex {

class FakeHostDesktop : public HostDesktop {
 public:
  static constexpr std::int64_t kAllWindows = -1;
  static constexpr std::int64_t kOwnHandle = 4242;

  struct Outgoing {
    std::int64_t window;  // kAllWindows for a post to all
    std::uint32_t message;
    std::uint32_t wparam;
    std::int64_t lparam;
    std::string text;
    int timeout_ms;
    friend bool operator==(const Outgoing&, const Outgoing&) = default;
  };

  std::uint32_t RegisterMessage(std::string_view name, std::string& problem) override {
    if (!refusal.empty()) {
      problem = refusal;
      return 0;
    }
    return RegisteredMessageNumber(name);
  }
  std::int64_t OwnHandle() const override { return kOwnHandle; }
  void SetReceiver(Receiver receiver) override { receiver_ = std::move(receiver); }
  std::vector<std::int64_t> PostToAll(std::uint32_t message, std::uint32_t wparam,
                                      std::int64_t lparam, std::string_view text) override {
    outgoing.push_back({kAllWindows, message, wparam, lparam, std::string(text), 0});
    return {kOwnHandle};
  }
  SendResult Send(std::int64_t window, std::uint32_t message, std::uint32_t wparam,
                  std::int64_t lparam, std::string_view text, int timeout_ms) override {
    outgoing.push_back({window, message, wparam, lparam, std::string(text), timeout_ms});
    if (while_sending) while_sending();
    const auto result = results.find(window);
    return result == results.end() ? SendResult::kDelivered : result->second;
  }

  // A message to the window, as a host would send it.
  void Deliver(std::uint32_t message, std::uint32_t wparam, std::int64_t lparam,
               std::string text = {}) {
    if (receiver_) receiver_({message, wparam, lparam, std::move(text), true});
  }
  bool HasReceiver() const { return static_cast<bool>(receiver_); }

  // When set, registration fails with this reason.
  std::string refusal;
  // How sends to a window end; delivered unless listed.
  std::map<std::int64_t, SendResult> results;
  // Runs inside each send, while the window waits for the reply.
  std::function<void()> while_sending;
  std::vector<Outgoing> outgoing;

 private:
  Receiver receiver_;
};

}  // namespace korvex
