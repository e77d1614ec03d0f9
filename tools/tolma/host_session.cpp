#include "host_session.h"

#include <algorithm>


namespace tolma {
namespace {

constexpr std::uint32_t kHandshake = 0;
constexpr std::uint32_t kRequest = 1;
// The communicator answers each message at once; this only bounds a hang.
constexpr int kSendBoundMs = 5000;
// How long a first announcement waits for the communicator's broadcast.
constexpr int kBroadcastWaitMs = 500;

std::string HandleList(const std::vector<std::int64_t>& handles) {
  std::string text;
  for (std::int64_t handle : handles) {
    if (!text.empty()) text += ", ";
    text += std::to_string(handle);
  }
  return text;
}

}  // namespace

HostSession::~HostSession() {
  if (window_) tolma_close(window_);
}

bool HostSession::Open(const std::string& desktop, std::string& error, int turn_wait_ms) {
  if (!turn_.Take(desktop, turn_wait_ms, error)) return false;
  char problem[512];
  window_ = tolma_open(desktop.empty() ? nullptr : desktop.c_str(), problem, sizeof problem);
  if (!window_) {
    error = problem;
    return false;
  }
  tolma_set_receiver(window_, &HostSession::Receive, this);
  return true;
}

void HostSession::Receive(void* context, const tolma_message* message) {
  auto* self = static_cast<HostSession*>(context);
  self->inbox_.push_back({message->message, message->wparam, message->lparam,
                          std::string(message->text, message->text_length), message->sent != 0});
  if (self->on_message_) self->on_message_(self->inbox_.back());
  if (self->done_ && self->done_()) tolma_stop_pump(self->window_);
}

void HostSession::Pump(int milliseconds, const std::function<bool()>& done) {
  if (done && done()) return;
  done_ = done;
  tolma_pump(window_, milliseconds);
  done_ = nullptr;
}

void HostSession::AnnounceToAll() {
  tolma_post_to_all(window_, message_, kHandshake, Handle(), nullptr, 0, nullptr, 0);
}

bool HostSession::Announce(std::int64_t to, std::string& error) {
  if (to == 0) {
    std::vector<std::int64_t> reached(256);
    const std::size_t count = tolma_post_to_all(window_, message_, kHandshake, Handle(), nullptr, 0,
                                                reached.data(), reached.size());
    reached.resize(std::min(count, reached.size()));
    std::erase(reached, Handle());
    // A communicator that has not broadcast yet answers with its handle; a
    // later run finds it as the only other window.
    auto answered = [this, &reached]() -> const Received* {
      for (const Received& r : inbox_) {
        if (r.message == message_ && r.wparam == kHandshake &&
            std::find(reached.begin(), reached.end(), r.lparam) != reached.end()) {
          return &r;
        }
      }
      return nullptr;
    };
    if (reached.size() != 1) Pump(kBroadcastWaitMs, [&] { return answered() != nullptr; });
    if (const Received* r = answered()) {
      to = r->lparam;
    } else if (reached.size() == 1) {
      to = reached.front();
    } else if (reached.empty()) {
      error = std::string("na ploše ") + tolma_desktop(window_) + " není žádný komunikátor";
      return false;
    } else {
      error = std::string("na ploše ") + tolma_desktop(window_) + " je více oken (" +
              HandleList(reached) + "); komunikátor zvolte volbou --to";
      return false;
    }
  }
  // Sent, not posted: the communicator knows this host before any request.
  if (!SendTo(to, kHandshake, Handle(), {}, error)) return false;
  communicator_ = to;
  return true;
}

bool HostSession::Request(std::string_view text, std::string& error) {
  return SendTo(communicator_, kRequest, 0, text, error);
}

bool HostSession::SendTo(std::int64_t target, std::uint32_t wparam, std::int64_t lparam,
                         std::string_view text, std::string& error) {
  const int result =
      tolma_send(window_, target, message_, wparam, lparam, text.data(), text.size(), kSendBoundMs);
  const std::string who = "komunikátor " + std::to_string(target);
  switch (result) {
    case TOLMA_DELIVERED:
      return true;
    case TOLMA_NO_WINDOW:
      error = who + " na ploše " + tolma_desktop(window_) + " není nebo zprávu odmítl";
      return false;
    case TOLMA_NO_REPLY:
      error = who + " skončil dřív, než zprávu převzal";
      return false;
    default:
      error = who + " zprávu nepřevzal do 5 s";
      return false;
  }
}

}  // namespace tolma
