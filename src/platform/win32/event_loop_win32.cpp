#include "platform/win32/event_loop_win32.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/win32/winsock_win32.h"

namespace korvex {
namespace {

// Messages of the loop's own window.
constexpr UINT kSocketMessage = WM_APP + 1;     // wParam: the socket
constexpr UINT kSynchronizeMessage = WM_APP + 2;
constexpr char kWindowClass[] = "KorvexEventLoop";

constexpr long kSocketEvents = FD_READ | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

LRESULT CALLBACK LoopWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

ATOM RegisterLoopClass() {
  static const ATOM atom = [] {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = LoopWindowProcedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = kWindowClass;
    return RegisterClassExA(&window_class);
  }();
  return atom;
}

}  // namespace

struct Win32EventLoop::State {
  struct TimerState {
    UINT_PTR id = 0;
    std::string name;
    int interval = 0;
    bool enabled = false;
    bool running = false;
    std::uint64_t arming = 0;  // counts the times the period was restarted
    std::function<void()> handler;
  };
  struct WatchState {
    SOCKET socket = INVALID_SOCKET;
    bool want_write = false;
    std::function<void(IoEvent)> handler;
  };
  struct PostedCall {
    const std::function<void()>* call;
    bool done = false;
  };

  void Arm(TimerState& timer) {
    ++timer.arming;
    SetTimer(window, timer.id, static_cast<UINT>(std::max(timer.interval, 1)), nullptr);
  }

  void Select(const WatchState& watch) const {
    WSAAsyncSelect(watch.socket, window, kSocketMessage,
                   kSocketEvents | (watch.want_write ? FD_WRITE : 0));
  }

  // Winsock reports an event once; whether the socket is ready still is
  // asked when the message comes, so a late or repeated message for a
  // socket is harmless.
  void RecheckSocket(SOCKET socket) const {
    PostMessageA(window, kSocketMessage, socket, 0);
  }

  void FireTimer(UINT_PTR id) {
    const auto found = timers.find(id);
    if (found == timers.end()) return;
    const std::shared_ptr<TimerState> timer = found->second;
    // Ticks while the handler runs are dropped; so are those a disabled
    // timer left in the queue.
    if (!timer->enabled || timer->running) return;
    KillTimer(window, id);
    const std::uint64_t arming = timer->arming;
    timer->running = true;
    auto handler = timer->handler;
    if (handler) handler();
    timer->running = false;
    // The next period starts now, unless the handler has re-armed or
    // stopped the timer or it has gone.
    if (timer->enabled && timer->arming == arming && timers.count(id)) Arm(*timer);
  }

  void SocketEvent(SOCKET socket, LPARAM event) {
    const auto found = watches.find(socket);
    if (found == watches.end()) return;
    const std::shared_ptr<WatchState> watch = found->second;
    WSAPOLLFD poll{socket, static_cast<SHORT>(POLLRDNORM | (watch->want_write ? POLLWRNORM : 0)),
                   0};
    if (WSAPoll(&poll, 1, 0) < 0) poll.revents = POLLERR;
    auto handler = watch->handler;
    if (WSAGETSELECTERROR(event) != 0 || (poll.revents & (POLLRDNORM | POLLERR | POLLHUP | POLLNVAL))) {
      handler(IoEvent::kReadable);
    } else if (watch->want_write && (poll.revents & POLLWRNORM)) {
      handler(IoEvent::kWritable);
    }
  }

  bool RunOnePostedCall() {
    PostedCall* posted = nullptr;
    {
      std::lock_guard lock(posted_mutex);
      if (posted_calls.empty()) return false;
      posted = posted_calls.front();
      posted_calls.pop_front();
    }
    (*posted->call)();
    {
      std::lock_guard lock(posted_mutex);
      posted->done = true;
    }
    posted_done.notify_all();
    return true;
  }

  void Dispatch(MSG& message) {
    if (message.message == WM_QUIT) {
      quit = true;
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }

  HWND window = nullptr;
  std::thread::id loop_thread = std::this_thread::get_id();
  bool quit = false;
  UINT_PTR next_timer_id = 1;
  std::map<UINT_PTR, std::shared_ptr<TimerState>> timers;
  std::map<SOCKET, std::shared_ptr<WatchState>> watches;

  std::mutex posted_mutex;
  std::condition_variable posted_done;
  std::deque<PostedCall*> posted_calls;
};

namespace {

LRESULT CALLBACK LoopWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<Win32EventLoop::State*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (state) {
    switch (message) {
      case WM_TIMER:
        state->FireTimer(wparam);
        return 0;
      case kSocketMessage:
        state->SocketEvent(static_cast<SOCKET>(wparam), lparam);
        return 0;
      case kSynchronizeMessage:
        while (state->RunOnePostedCall()) {
        }
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

class LoopTimer : public Timer {
 public:
  using TimerState = Win32EventLoop::State::TimerState;

  LoopTimer(Win32EventLoop::State& loop, std::shared_ptr<TimerState> state)
      : loop_(loop), state_(std::move(state)) {}
  ~LoopTimer() override {
    KillTimer(loop_.window, state_->id);
    loop_.timers.erase(state_->id);
  }

  const std::string& Name() const override { return state_->name; }
  int Interval() const override { return state_->interval; }
  void SetInterval(int milliseconds) override {
    state_->interval = std::max(milliseconds, 0);
    if (state_->enabled) loop_.Arm(*state_);
  }
  bool Enabled() const override { return state_->enabled; }
  void SetEnabled(bool enabled) override {
    if (enabled && !state_->enabled) loop_.Arm(*state_);
    if (!enabled && state_->enabled) KillTimer(loop_.window, state_->id);
    state_->enabled = enabled;
  }
  void SetOnTimer(std::function<void()> handler) override { state_->handler = std::move(handler); }

 private:
  Win32EventLoop::State& loop_;
  std::shared_ptr<TimerState> state_;
};

class LoopWatch : public IoWatch {
 public:
  using WatchState = Win32EventLoop::State::WatchState;

  LoopWatch(Win32EventLoop::State& loop, std::shared_ptr<WatchState> state)
      : loop_(loop), state_(std::move(state)) {}
  ~LoopWatch() override {
    WSAAsyncSelect(state_->socket, loop_.window, 0, 0);
    loop_.watches.erase(state_->socket);
  }
  void SetWantWrite(bool want) override {
    if (want == state_->want_write) return;
    state_->want_write = want;
    loop_.Select(*state_);
    // Winsock reports writability only when it begins; a socket writable
    // already is found by the recheck.
    if (want) loop_.RecheckSocket(state_->socket);
  }

 private:
  Win32EventLoop::State& loop_;
  std::shared_ptr<WatchState> state_;
};

}  // namespace

Win32EventLoop::Win32EventLoop() : state_(std::make_unique<State>()) {
  StartWinsock();
  state_->window = CreateWindowExA(0, MAKEINTATOM(RegisterLoopClass()), "", 0, 0, 0, 0, 0,
                                   HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(state_->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state_.get()));
}

Win32EventLoop::~Win32EventLoop() {
  SetWindowLongPtrA(state_->window, GWLP_USERDATA, 0);
  DestroyWindow(state_->window);
}

std::unique_ptr<Timer> Win32EventLoop::CreateTimer(std::string name, int interval_ms,
                                                   std::function<void()> on_tick) {
  auto timer = std::make_shared<State::TimerState>();
  timer->id = state_->next_timer_id++;
  timer->name = std::move(name);
  timer->interval = std::max(interval_ms, 0);
  timer->handler = std::move(on_tick);
  state_->timers.emplace(timer->id, timer);
  return std::make_unique<LoopTimer>(*state_, std::move(timer));
}

std::unique_ptr<IoWatch> Win32EventLoop::WatchIo(IoHandle handle,
                                                 std::function<void(IoEvent)> handler) {
  auto watch = std::make_shared<State::WatchState>();
  watch->socket = static_cast<SOCKET>(handle);
  watch->handler = std::move(handler);
  state_->watches[watch->socket] = watch;
  state_->Select(*watch);
  // What arrived before the watch began is reported too.
  state_->RecheckSocket(watch->socket);
  return std::make_unique<LoopWatch>(*state_, std::move(watch));
}

void Win32EventLoop::ProcessMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    state_->Dispatch(message);
  }
}

void Win32EventLoop::HandleMessage() {
  MSG message;
  if (GetMessageA(&message, nullptr, 0, 0) < 0) return;
  state_->Dispatch(message);
}

void Win32EventLoop::Synchronize(const std::function<void()>& call) {
  if (std::this_thread::get_id() == state_->loop_thread) {
    call();
    return;
  }
  State::PostedCall posted{&call};
  std::unique_lock lock(state_->posted_mutex);
  state_->posted_calls.push_back(&posted);
  PostMessageA(state_->window, kSynchronizeMessage, 0, 0);
  state_->posted_done.wait(lock, [&posted] { return posted.done; });
}

void Win32EventLoop::CheckSynchronize() {
  while (state_->RunOnePostedCall()) {
  }
}

void Win32EventLoop::Sleep(int milliseconds) {
  ::Sleep(static_cast<DWORD>(std::max(milliseconds, 0)));
}

void Win32EventLoop::Run() {
  while (!state_->quit) HandleMessage();
  state_->quit = false;
}

void Win32EventLoop::Quit() {
  state_->quit = true;
}

}  // namespace korvex
