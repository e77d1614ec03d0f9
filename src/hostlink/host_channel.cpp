#include "hostlink/host_channel.h"

#include <utility>

namespace korvex {
namespace {

constexpr std::uint32_t kHandshake = 0;
constexpr std::uint32_t kRequest = 1;
constexpr std::uint32_t kPassOn = 2;
// A host that never finishes with a message must not hold the communicator.
constexpr int kHostReplyBoundMs = 5000;

bool IsWholeText(const std::string& text) {
  return !text.empty() && text.back() == '|';
}

}  // namespace

HostChannel::HostChannel(LinkWindow& window, HostDesktop& desktop, HostAddress& host,
                         LinkStatistics& statistics, std::function<void(TTextList&)> handle_request)
    : window_(window),
      desktop_(desktop),
      host_(host),
      statistics_(statistics),
      handle_request_(std::move(handle_request)) {}

void HostChannel::Register(std::string& problem) {
  problem.clear();
  host_msg_ = desktop_.RegisterMessage("MSG_TOLMA", problem);
  if (host_msg_ != 0) problem.clear();
}

void HostChannel::WndProc(const HostMessage& message) {
  if (trace_ && host_msg_ != 0 && message.message == host_msg_) {
    TraceHostMessage("←", message.wparam, message.lparam, message.text);
  }
  if (!window_.ClosePermitted() && host_msg_ != 0 && message.message == host_msg_) {
    MyWndProc(message);
  }
  // The default handling is the desktop's reply to the sender.
}

void HostChannel::MyWndProc(const HostMessage& message) {
  switch (message.wparam) {
    case kHandshake:
      // Our own broadcast comes back to us too.
      if (message.lparam == OwnHandle()) return;
      host_.HostWnd = message.lparam;
      if (!host_.HostWndSet) {
        if (trace_) TraceHostMessage("→", kHandshake, OwnHandle(), {});
        desktop_.PostToAll(host_msg_, kHandshake, OwnHandle(), {});
        host_.HostWndSet = true;
      }
      return;
    case kRequest:
      if (IsWholeText(message.text)) {
        window_.SetRequestText(message.text);
        PushText(RequestTexts, message.text);
      }
      handle_request_(RequestTexts);
      return;
    case kPassOn:
      if (IsWholeText(message.text)) {
        PassOn(message.text);
      } else {
        window_.SetAnswerText(message.text);
      }
      return;
    default:
      return;
  }
}

void HostChannel::PassOn(std::string_view text) {
  if (AnswerTexts.size() >= kMaxPassOnTexts) {
    if (!pass_on_full_said_) {
      window_.WriteLog("Texty k předání: čeká jich už " + std::to_string(kMaxPassOnTexts) +
                       "; další, pro které nebude místo, se zahazují.");
    }
    pass_on_full_said_ = true;
    return;
  }
  PushText(AnswerTexts, text);
  window_.SetAnswerText("");
}

std::int64_t HostChannel::SendAnswer(std::string_view text) {
  if (host_.HostWnd == 0 || window_.ClosePermitted()) return 0;
  std::string answer(text);
  if (answer.empty() || answer.back() != '|') answer += '|';
  window_.SetAnswerText(answer);
  return SendToHost(kPassOn, 0, answer);
}

void HostChannel::AnnounceToHost() {
  if (host_.HostWnd == 0) return;
  if (const std::int64_t silent = SendToHost(kHandshake, OwnHandle(), {})) {
    LogSilentHost(silent, "pokračuji.");
  }
}

std::int64_t HostChannel::SendToHost(std::uint32_t wparam, std::int64_t lparam,
                                     std::string_view text) {
  // Without a registered message the channel stays inert.
  if (host_msg_ == 0) return 0;
  if (trace_) TraceHostMessage("→", wparam, lparam, text);
  if (wparam == kPassOn) ++statistics_.answers_sent;
  // Another host may announce itself while this one is waited for.
  const std::int64_t window = host_.HostWnd;
  const SendResult result =
      desktop_.Send(window, host_msg_, wparam, lparam, text, kHostReplyBoundMs);
  if (result != SendResult::kTimedOut) return 0;
  ++statistics_.host_timeouts;
  return window;
}

void HostChannel::LogSilentHost(std::int64_t window, std::string_view then) {
  window_.WriteLog("Nadřízená aplikace (popisovač " + std::to_string(window) +
                   ") neodpověděla do 5 s; " + std::string(then));
}

// "hostitel ← wParam 1, lParam 0: QQ_RD 00 01 02|"
void HostChannel::TraceHostMessage(std::string_view direction, std::uint32_t wparam,
                                   std::int64_t lparam, std::string_view text) {
  std::string line = "hostitel ";
  line += direction;
  line += " wParam " + std::to_string(wparam) + ", lParam " + std::to_string(lparam) + ": ";
  line += text;
  trace_->FileLine(line);
}

}  // namespace korvex
