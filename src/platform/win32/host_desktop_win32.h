// The host desktop on Windows: registered window messages between top-level
// windows, texts as global atoms. This desktop's window is a hidden top-level
// window of its own (a broadcast reaches only top-level windows); the thread's
// message loop dispatches to it, so it needs no loop of its own.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/host_desktop.h"

// <windows.h> stays out of this header: its macros would clash with the
// names of the platform-neutral seams.
struct HWND__;

namespace korvex {

class Win32HostDesktop : public HostDesktop {
 public:
  // `desktop` names the Windows desktop to be on; empty means this thread's.
  // The loop is the one that dispatches this thread's messages: the window
  // belongs to the thread that creates it.
  explicit Win32HostDesktop(EventLoop& loop, std::string desktop = {});
  ~Win32HostDesktop() override;
  Win32HostDesktop(const Win32HostDesktop&) = delete;
  Win32HostDesktop& operator=(const Win32HostDesktop&) = delete;

  // The number every process gets for `name`, without joining the desktop.
  static std::uint32_t NumberOf(std::string_view name);

  std::uint32_t RegisterMessage(std::string_view name, std::string& problem) override;
  std::int64_t OwnHandle() const override;
  void SetReceiver(Receiver receiver) override { receiver_ = std::move(receiver); }
  // Broadcasts to every top-level window; returns the windows of this
  // desktop's kind (communicators and hosts built on it), this one included.
  std::vector<std::int64_t> PostToAll(std::uint32_t message, std::uint32_t wparam,
                                      std::int64_t lparam, std::string_view text) override;
  SendResult Send(std::int64_t window, std::uint32_t message, std::uint32_t wparam,
                  std::int64_t lparam, std::string_view text, int timeout_ms) override;

  // The name of the Windows desktop, e.g. "Default".
  const std::string& Location() const { return desktop_; }

  // Hands a message that reached this window to the receiver; called by the
  // window's procedure.
  void Deliver(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam, bool sent);

 private:
  bool Join(std::string& problem);
  // The atom that carries `text` in a message of `wparam`, or nothing (0).
  std::uint16_t AtomFor(std::uint32_t message, std::uint64_t wparam, std::string_view text) const;
  bool CarriesAtom(std::uint32_t message, std::uint64_t wparam) const;

  std::string desktop_;
  std::string join_problem_;
  HWND__* window_ = nullptr;
  std::set<std::uint32_t> registered_;
  // Atoms of posted texts: a post cannot tell when its readers are done, so
  // they live as long as this window.
  std::vector<std::uint16_t> posted_atoms_;
  Receiver receiver_;
};

}  // namespace korvex
