#include "platform/win32/host_desktop_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "common/host_record.h"

namespace korvex {
namespace {

constexpr const char* kChannelWindowClass = "KorvexHostDesktop";
// RegisterWindowMessageA hands out numbers from this range only.
constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;
// wParam values whose lParam is an atom: a request, an answer or a text to pass on.
constexpr WPARAM kRequest = 1;
constexpr WPARAM kAnswer = 2;

std::string ThreadDesktopName() {
  char name[256] = "";
  DWORD needed = 0;
  if (!GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name,
                                 sizeof name - 1, &needed)) {
    return "?";
  }
  return name;
}

HWND WindowOf(std::int64_t handle) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(handle));
}

BOOL CALLBACK CollectOfThisKind(HWND window, LPARAM into) {
  char name[64];
  const int n = GetClassNameA(window, name, sizeof name);
  if (std::string_view(name, n > 0 ? static_cast<std::size_t>(n) : 0) == kChannelWindowClass) {
    reinterpret_cast<std::vector<std::int64_t>*>(into)->push_back(
        reinterpret_cast<std::intptr_t>(window));
  }
  return TRUE;
}

// Deletes an answer's atom once a receiver that did not reply in time has
// finished with it: its thread handles messages sent to it in order, so the
// WM_NULL sent after the timed-out message completes only after that one.
void CALLBACK DeleteAtomWhenDone(HWND, UINT, ULONG_PTR atom, LRESULT) {
  GlobalDeleteAtom(static_cast<ATOM>(atom));
}

// Why the last call failed, for the inside of a Czech line's parentheses.
std::string LastCause() {
  return DesktopErrorText(DesktopError(static_cast<int>(GetLastError())));
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* desktop = reinterpret_cast<Win32HostDesktop*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (desktop && message >= kFirstRegisteredMessage && message <= kLastRegisteredMessage) {
    desktop->Deliver(message, wparam, lparam, InSendMessage() != FALSE);
    return 0;
  }
  // Only its owner ends the window: a WM_CLOSE from outside (taskkill without
  // /F) would otherwise destroy it and leave the channel deaf.
  if (message == WM_CLOSE) return 0;
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

SystemError DesktopError(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return {ErrorKind::kNotFound, code};
    case ERROR_ACCESS_DENIED:
      return {ErrorKind::kAccessDenied, code};
    default:
      return {ErrorKind::kOther, code};
  }
}

Win32HostDesktop::Win32HostDesktop(EventLoop&, std::string desktop)
    : desktop_(std::move(desktop)) {}

Win32HostDesktop::~Win32HostDesktop() {
  if (window_) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  for (const ATOM atom : posted_atoms_) GlobalDeleteAtom(atom);
}

std::uint32_t Win32HostDesktop::NumberOf(std::string_view name) {
  return RegisterWindowMessageA(std::string(name).c_str());
}

std::uint32_t Win32HostDesktop::RegisterMessage(std::string_view name, std::string& problem) {
  if (!window_ && join_problem_.empty()) Join(join_problem_);
  if (!window_) {
    problem = join_problem_;
    return 0;
  }
  const UINT number = NumberOf(name);
  if (number == 0) {
    problem = "Zprávu " + std::string(name) + " nelze zaregistrovat (" + LastCause() +
              "); kanál k nadřízené aplikaci je vypnut.";
    return 0;
  }
  registered_.insert(number);
  return number;
}

bool Win32HostDesktop::Join(std::string& problem) {
  const std::string current = ThreadDesktopName();
  if (!desktop_.empty() && lstrcmpiA(desktop_.c_str(), current.c_str()) != 0) {
    problem = "Plocha " + desktop_ + " není plocha tohoto programu (" + current +
              "); kanál k nadřízené aplikaci je vypnut.";
    return false;
  }
  desktop_ = current;
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA kind{};
  kind.lpfnWndProc = &WindowProcedure;
  kind.hInstance = instance;
  kind.lpszClassName = kChannelWindowClass;
  // Several windows of one process share the class.
  if (!RegisterClassA(&kind) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    problem = "Třídu okna kanálu nelze zaregistrovat (" + LastCause() + ").";
    return false;
  }
  // Top-level and never shown: a broadcast reaches it, the user does not see it.
  window_ = CreateWindowExA(WS_EX_TOOLWINDOW, kChannelWindowClass, "", WS_POPUP, 0, 0, 0, 0,
                            nullptr, nullptr, instance, this);
  if (!window_) {
    problem = "Okno kanálu k nadřízené aplikaci nelze vytvořit (" + LastCause() + ").";
    return false;
  }
  return true;
}

std::int64_t Win32HostDesktop::OwnHandle() const {
  return reinterpret_cast<std::intptr_t>(window_);
}

void Win32HostDesktop::Deliver(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam,
                               bool sent) {
  if (!receiver_) return;
  // A wParam beyond 32 bits is no kind the channel knows; it must not pass
  // for one by its low half.
  const auto kind = static_cast<std::uint32_t>(std::min<std::uint64_t>(wparam, UINT32_MAX));
  HostMessage received{message, kind, lparam, {}, sent};
  if (CarriesAtom(message, wparam)) {
    // The sender owns the atom: it is read, never deleted here.
    char name[kReceivedTextMax + 1];
    const UINT n = GlobalGetAtomNameA(LOWORD(lparam), name, sizeof name);
    received.text.assign(name, n);
  }
  // A copy: the procedure may replace the receiver while it runs.
  Receiver receiver = receiver_;
  receiver(received);
}

bool Win32HostDesktop::CarriesAtom(std::uint32_t message, std::uint64_t wparam) const {
  return (wparam == kRequest || wparam == kAnswer) && registered_.count(message) != 0;
}

std::uint16_t Win32HostDesktop::AtomFor(std::uint32_t message, std::uint64_t wparam,
                                        std::string_view text) const {
  if (!CarriesAtom(message, wparam)) return 0;
  // An atom's name ends at its first zero byte and holds at most 255 bytes.
  const std::string name(text.substr(0, std::min(text.find('\0'), kRecordTextMax)));
  return GlobalAddAtomA(name.c_str());
}

std::vector<std::int64_t> Win32HostDesktop::PostToAll(std::uint32_t message, std::uint32_t wparam,
                                                      std::int64_t lparam, std::string_view text) {
  if (!window_) return {};
  const ATOM atom = AtomFor(message, wparam, text);
  if (atom != 0) posted_atoms_.push_back(atom);
  const LPARAM carried = CarriesAtom(message, wparam) ? atom : lparam;
  if (!PostMessageA(HWND_BROADCAST, message, wparam, carried)) return {};
  std::vector<std::int64_t> reached;
  EnumWindows(&CollectOfThisKind, reinterpret_cast<LPARAM>(&reached));
  return reached;
}

SendResult Win32HostDesktop::Send(std::int64_t window, std::uint32_t message, std::uint32_t wparam,
                                  std::int64_t lparam, std::string_view text, int timeout_ms) {
  const HWND target = WindowOf(window);
  // IsWindow also refuses HWND_BROADCAST: an answer goes to one window only.
  if (!window_ || !IsWindow(target)) return SendResult::kNoWindow;
  const bool carries = CarriesAtom(message, wparam);
  const ATOM atom = AtomFor(message, wparam, text);
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(target, message, wparam, carries ? atom : lparam, SMTO_NORMAL,
                          static_cast<UINT>(std::max(timeout_ms, 0)), &result)) {
    // The receiver has handled the message and read the atom.
    if (atom != 0) GlobalDeleteAtom(atom);
    return SendResult::kDelivered;
  }
  const DWORD error = GetLastError();
  const bool alive = IsWindow(target) != FALSE;
  if (atom != 0) {
    // A receiver still busy with the message may yet read the atom.
    if (!alive || !SendMessageCallbackA(target, WM_NULL, 0, 0, &DeleteAtomWhenDone, atom)) {
      GlobalDeleteAtom(atom);
    }
  }
  if (error == ERROR_TIMEOUT && alive) return SendResult::kTimedOut;
  return error == ERROR_INVALID_WINDOW_HANDLE ? SendResult::kNoWindow : SendResult::kNoReply;
}

}  // namespace korvex
