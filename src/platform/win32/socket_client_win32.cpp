#include "platform/win32/socket_client_win32.h"

namespace korvex {

Win32SocketClient::Win32SocketClient() = default;
Win32SocketClient::~Win32SocketClient() = default;
ConnectState Win32SocketClient::Fail(int) { return ConnectState::kFailed; }
ConnectState Win32SocketClient::Connect(const std::string&, int) { return Fail(0); }
ConnectState Win32SocketClient::FinishConnect() { return Fail(0); }
void Win32SocketClient::Disconnect() {}
bool Win32SocketClient::Receive(std::string&) { return false; }
bool Win32SocketClient::Write(std::string_view) { return false; }
std::string Win32SocketClient::VersionText() const { return "Winsock"; }
std::string Win32SocketClient::LocalHostName() const { return "?"; }

}  // namespace korvex
