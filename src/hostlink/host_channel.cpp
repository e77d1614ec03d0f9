// The host channel of the main window: the window procedure for host
// messages, the answers to the host and the announcement to it.
#include <string>

#include "shell/korvex_window.h"

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

void TDlgKORVEX::WndProc(const HostMessage& message) {
  if (trace_ && HostMsg != 0 && message.message == HostMsg) {
    TraceHostMessage("←", message.wparam, message.lparam, message.text);
  }
  if (!CloseAllowed && HostMsg != 0 && message.message == HostMsg) MyWndProc(message);
  // The default handling is the desktop's reply to the sender.
}

void TDlgKORVEX::MyWndProc(const HostMessage& message) {
  switch (message.wparam) {
    case kHandshake:
      // Our own broadcast comes back to us too.
      if (message.lparam == OwnHandle()) return;
      HostWnd = message.lparam;
      if (!HostWndSet) {
        if (trace_) TraceHostMessage("→", kHandshake, OwnHandle(), {});
        platform_.desktop.PostToAll(HostMsg, kHandshake, OwnHandle(), {});
        HostWndSet = true;
      }
      return;
    case kRequest:
      if (IsWholeText(message.text)) {
        platform_.view.SetRequestText(message.text);
        PushText(RequestTexts, message.text);
      }
      HandleRequest(RequestTexts);
      return;
    case kPassOn:
      if (IsWholeText(message.text)) {
        PushText(AnswerTexts, message.text);
        platform_.view.SetAnswerText("");
      } else {
        platform_.view.SetAnswerText(message.text);
      }
      return;
    default:
      return;
  }
}

std::int64_t TDlgKORVEX::SendAnswer(std::string_view text) {
  if (HostWnd == 0 || CloseAllowed) return 0;
  std::string answer(text);
  if (answer.empty() || answer.back() != '|') answer += '|';
  platform_.view.SetAnswerText(answer);
  return SendToHost(kPassOn, 0, answer);
}

void TDlgKORVEX::AnnounceToHost() {
  if (HostWnd == 0) return;
  if (const std::int64_t silent = SendToHost(kHandshake, OwnHandle(), {})) {
    LogSilentHost(silent, "pokračuji.");
  }
}

std::int64_t TDlgKORVEX::SendToHost(std::uint32_t wparam, std::int64_t lparam,
                                    std::string_view text) {
  // Without a registered message the channel stays inert.
  if (HostMsg == 0) return 0;
  if (trace_) TraceHostMessage("→", wparam, lparam, text);
  if (wparam == kPassOn) ++Statistics.answers_sent;
  // Another host may announce itself while this one is waited for.
  const std::int64_t window = HostWnd;
  const SendResult result =
      platform_.desktop.Send(window, HostMsg, wparam, lparam, text, kHostReplyBoundMs);
  if (result != SendResult::kTimedOut) return 0;
  ++Statistics.host_timeouts;
  return window;
}

void TDlgKORVEX::LogSilentHost(std::int64_t window, std::string_view then) {
  WriteLog("Nadřízená aplikace (popisovač " + std::to_string(window) + ") neodpověděla do 5 s; " +
           std::string(then));
}

// "hostitel ← wParam 1, lParam 0: QQ_RD 00 01 02|"
void TDlgKORVEX::TraceHostMessage(std::string_view direction, std::uint32_t wparam,
                                  std::int64_t lparam, std::string_view text) {
  std::string line = "hostitel ";
  line += direction;
  line += " wParam " + std::to_string(wparam) + ", lParam " + std::to_string(lparam) + ": ";
  line += text;
  trace_->FileLine(line);
}

}  // namespace korvex
