// The host channel: the window procedure for the host's messages (handshake,
// requests, texts to pass on), the answers to the host and the announcement
// to it, over the registered message "MSG_TOLMA".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "hostlink/host_address.h"
#include "hostlink/link_window.h"
#include "hostlink/text_list.h"
#include "platform/host_desktop.h"
#include "platform/log_sink.h"
#include "protocol/link_statistics.h"

namespace korvex {

// Texts the host hands over to pass on leave with the next read's answers; a
// host that hands them over faster must grow neither the communicator nor the
// time those answers hold the controller back.
inline constexpr std::size_t kMaxPassOnTexts = 1000;

class HostChannel {
 public:
  // `handle_request` takes the first text of the request list.
  HostChannel(LinkWindow& window, HostDesktop& desktop, HostAddress& host,
              LinkStatistics& statistics, std::function<void(TTextList&)> handle_request);

  // Registers the channel's message; on failure the channel stays inert and
  // `problem` says why.
  void Register(std::string& problem);
  // Every host message goes to `trace` too, when it is set.
  void SetTrace(LogSink* trace) { trace_ = trace; }

  void WndProc(const HostMessage& message);
  void MyWndProc(const HostMessage& message);
  // Sends one answer text with its closing "|". Returns the host's window
  // when it did not reply within the bound, else 0.
  std::int64_t SendAnswer(std::string_view text);
  // A handshake to the configured host; nothing while the host is unknown.
  void AnnounceToHost();
  // "Nadřízená aplikace (popisovač H) neodpověděla do 5 s; " and `then`.
  void LogSilentHost(std::int64_t window, std::string_view then);

  std::uint32_t HostMsg() const { return host_msg_; }
  std::int64_t HostWnd() const { return host_.HostWnd; }
  std::int64_t OwnHandle() const { return desktop_.OwnHandle(); }

  TTextList RequestTexts;
  TTextList AnswerTexts;

 private:
  std::int64_t SendToHost(std::uint32_t wparam, std::int64_t lparam, std::string_view text);
  void PassOn(std::string_view text);
  void TraceHostMessage(std::string_view direction, std::uint32_t wparam, std::int64_t lparam,
                        std::string_view text);

  LinkWindow& window_;
  HostDesktop& desktop_;
  HostAddress& host_;
  LinkStatistics& statistics_;
  std::function<void(TTextList&)> handle_request_;
  std::uint32_t host_msg_ = 0;
  LogSink* trace_ = nullptr;
  bool pass_on_full_said_ = false;  // once in the run
};

}  // namespace korvex
