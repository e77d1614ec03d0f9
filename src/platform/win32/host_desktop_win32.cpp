#include "platform/win32/host_desktop_win32.h"

namespace korvex {

Win32HostDesktop::Win32HostDesktop(EventLoop& loop) : loop_(loop) {}

std::uint32_t Win32HostDesktop::RegisterMessage(std::string_view, std::string& problem) {
  problem = "kanál nadřízené aplikace zde zatím není";
  return 0;
}

std::vector<std::int64_t> Win32HostDesktop::PostToAll(std::uint32_t, std::uint32_t, std::int64_t,
                                                      std::string_view) {
  return {};
}

SendResult Win32HostDesktop::Send(std::int64_t, std::uint32_t, std::uint32_t, std::int64_t,
                                  std::string_view, int) {
  return SendResult::kNoWindow;
}

}  // namespace korvex
