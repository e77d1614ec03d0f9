// The host desktop on Windows: registered window messages between top-level
// windows, texts as global atoms. This desktop's window is a hidden top-level
// window of its own (a broadcast reaches only top-level windows); the thread's
// message loop dispatches to it, so it needs no loop of its own.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/host_desktop.h"

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
  static std::uint32_t NumberOf(std::string_view name) {
    return RegisterWindowMessageA(std::string(name).c_str());
  }

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

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  bool Join(std::string& problem);
  void Deliver(UINT message, WPARAM wparam, LPARAM lparam);
  // The atom that carries `text` in a message of `wparam`, or nothing (0).
  ATOM AtomFor(UINT message, std::uint32_t wparam, std::string_view text) const;
  bool CarriesAtom(UINT message, WPARAM wparam) const;

  std::string desktop_;
  std::string join_problem_;
  bool joined_ = false;
  HWND window_ = nullptr;
  std::set<UINT> registered_;
  // Atoms of posted texts: a post cannot tell when its readers are done, so
  // they live as long as this window.
  std::vector<ATOM> posted_atoms_;
  Receiver receiver_;
};

}  // namespace korvex
