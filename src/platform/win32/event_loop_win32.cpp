#include "platform/win32/event_loop_win32.h"

namespace korvex {

struct Win32EventLoop::State {};

Win32EventLoop::Win32EventLoop() : state_(std::make_unique<State>()) {}
Win32EventLoop::~Win32EventLoop() = default;

std::unique_ptr<Timer> Win32EventLoop::CreateTimer(std::string, int, std::function<void()>) {
  return nullptr;
}
std::unique_ptr<IoWatch> Win32EventLoop::WatchIo(IoHandle, std::function<void(IoEvent)>) {
  return nullptr;
}
void Win32EventLoop::ProcessMessages() {}
void Win32EventLoop::HandleMessage() {}
void Win32EventLoop::Synchronize(const std::function<void()>& call) { call(); }
void Win32EventLoop::CheckSynchronize() {}
void Win32EventLoop::Sleep(int) {}
void Win32EventLoop::Run() {}
void Win32EventLoop::Quit() {}

}  // namespace korvex
