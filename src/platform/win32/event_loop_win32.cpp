#include "platform/win32/event_loop_win32.h"

#include <algorithm>
#include <chrono>
#include <map>

#include "platform/recorded_timer.h"
#include "platform/win32/winsock_win32.h"

namespace korvex {
namespace {

// The loop's own window's message that wakes the loop; the calls posted to
// it run then.
constexpr UINT kWakeMessage = WM_APP + 1;
// Each watch has a message of its own (wParam: the socket, lParam: the event
// and its error), so an event a closed socket left in the queue never reaches
// a later watch of a socket that got the same number.
constexpr UINT kFirstSocketMessage = WM_APP + 16;
constexpr UINT kSocketMessages = 0xBFFF - kFirstSocketMessage + 1;
constexpr char kWindowClass[] = "KorvexEventLoop";

// Selected once per socket: Winsock posts each event as it happens, and
// posts again what a call re-enables (FD_READ after a recv that left data),
// so the loop acts on the events without asking the socket again. Room to
// send is wanted only for a connect, which FD_CONNECT ends: an FD_WRITE
// after every connect would cost a message for nothing.
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
  using Clock = std::chrono::steady_clock;

  struct TimerState : TimerRecord {
    UINT_PTR id = 0;
    // A disabled timer is left set until its next tick, and a timer enabled
    // again meanwhile keeps that tick when it comes before the new period
    // ends: the tick then waits out the rest. A timer enabled and disabled
    // around every transaction costs no call until its next tick.
    bool armed = false;
    bool early = false;        // the coming tick may come before `due`
    int rate = 0;              // the set timer's interval, ms
    Clock::time_point tick;    // when the set timer ticks next
    Clock::time_point due;     // when the current period ends
    std::uint64_t arming = 0;  // counts the times the period was restarted
  };
  struct WatchState {
    SOCKET socket = INVALID_SOCKET;
    UINT message = 0;
    bool want_write = false;
    // A connect's end is posted once; whether it has come is kept for write
    // interest that comes later.
    bool writable = false;
    // Write interest came before the connect's end; the socket is asked if
    // that has not come by the time the loop would wait.
    bool unsure = false;
    std::function<void(IoEvent)> handler;
  };
  // Starts a full period from now.
  void Arm(TimerState& timer) {
    ++timer.arming;
    const Clock::time_point now = Clock::now();
    timer.due = now + std::chrono::milliseconds(timer.interval);
    if (timer.armed && timer.tick <= timer.due) {
      timer.early = true;
      return;
    }
    SetTicks(timer, timer.interval, now);
  }

  // Sets the timer anew to tick every `interval` ms from `now`.
  void SetTicks(TimerState& timer, int interval, Clock::time_point now) {
    timer.armed = true;
    timer.early = false;
    timer.rate = std::max(interval, 1);
    timer.tick = now + std::chrono::milliseconds(timer.rate);
    SetTimer(window, timer.id, static_cast<UINT>(timer.rate), nullptr);
  }

  void Disarm(TimerState& timer) {
    if (timer.armed) KillTimer(window, timer.id);
    timer.armed = false;
  }

  UINT NextSocketMessage() {
    const UINT message = kFirstSocketMessage + next_socket_message % kSocketMessages;
    ++next_socket_message;
    return message;
  }

  // Posts an event for the watch as Winsock would have.
  void PostSocketEvent(const WatchState& watch, long event, int error) const {
    PostMessageA(window, watch.message, watch.socket, WSAMAKESELECTREPLY(event, error));
  }

  // Winsock posts no FD_CONNECT for a connect that ended before the socket
  // was selected (wine not even for a refused one), and over loopback most
  // end that soon. So before the loop waits, a socket whose end has not come
  // is asked once, and an end found is handled as the event waited for.
  // False when no end was found.
  bool HandleConnectFound() {
    for (auto& [socket, watch] : watches) {
      if (!watch->unsure || !watch->want_write || watch->writable) continue;
      watch->unsure = false;
      WSAPOLLFD poll{socket, POLLWRNORM, 0};
      const bool failed =
          WSAPoll(&poll, 1, 0) < 0 || (poll.revents & (POLLERR | POLLHUP | POLLNVAL));
      int error = 0;
      if (failed || !(poll.revents & POLLWRNORM)) {
        int length = sizeof error;
        if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length)) {
          error = WSAGetLastError();
        }
        if (error == 0) continue;  // still under way: Winsock posts its end
      }
      // The handler may end this watch and others.
      SocketEvent(watch->message, socket, WSAMAKESELECTREPLY(FD_CONNECT, error));
      return true;
    }
    return false;
  }

  void FireTimer(UINT_PTR id) {
    const auto found = timers.find(id);
    if (found == timers.end()) return;
    const std::shared_ptr<TimerState> timer = found->second;
    // The tick of a timer disabled meanwhile ends its arming; ticks while
    // the handler runs are dropped.
    if (!timer->enabled) {
      Disarm(*timer);
      return;
    }
    const Clock::time_point now = Clock::now();
    timer->tick = now + std::chrono::milliseconds(timer->rate);
    if (timer->running) return;
    // A tick set for an earlier period: the rest of this one is waited out.
    if (timer->early && now < timer->due) {
      const auto rest = std::chrono::ceil<std::chrono::milliseconds>(timer->due - now);
      SetTicks(*timer, static_cast<int>(rest.count()), now);
      return;
    }
    Disarm(*timer);
    const std::uint64_t arming = timer->arming;
    RunTimerHandler(*timer);
    // The next period starts now, unless the handler has re-armed or
    // stopped the timer or it has gone.
    if (timer->enabled && timer->arming == arming && timers.count(id)) Arm(*timer);
  }

  void SocketEvent(UINT message, SOCKET socket, LPARAM reply) {
    const auto found = watches.find(socket);
    if (found == watches.end() || found->second->message != message) return;
    const std::shared_ptr<WatchState> watch = found->second;
    const long event = WSAGETSELECTEVENT(reply);
    const bool failed = WSAGETSELECTERROR(reply) != 0;
    if (event & FD_CONNECT) watch->unsure = false;
    if ((event & (FD_WRITE | FD_CONNECT)) && !failed) watch->writable = true;
    auto handler = watch->handler;
    // A failure, like a close, is for the owner to read.
    if (failed || (event & (FD_READ | FD_ACCEPT | FD_CLOSE))) {
      handler(IoEvent::kReadable);
    } else if (watch->want_write && watch->writable) {
      handler(IoEvent::kWritable);
    }
  }

  // False for WM_QUIT, which is the loop's to act on.
  bool Dispatch(MSG& message) {
    if (message.message == WM_QUIT) return false;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
  }

  HWND window = nullptr;
  std::function<void()> run_posted_calls;
  UINT_PTR next_timer_id = 1;
  UINT next_socket_message = 0;
  std::map<UINT_PTR, std::shared_ptr<TimerState>> timers;
  std::map<SOCKET, std::shared_ptr<WatchState>> watches;
};

namespace {

LRESULT CALLBACK LoopWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<Win32EventLoop::State*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (state) {
    switch (message) {
      case WM_TIMER:
        state->FireTimer(wparam);
        return 0;
      case kWakeMessage:
        state->run_posted_calls();
        return 0;
      default:
        if (message >= kFirstSocketMessage && message < kFirstSocketMessage + kSocketMessages) {
          state->SocketEvent(message, static_cast<SOCKET>(wparam), lparam);
          return 0;
        }
        break;
    }
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

using TimerState = Win32EventLoop::State::TimerState;

class LoopTimer : public RecordedTimer<TimerState> {
 public:
  LoopTimer(Win32EventLoop::State& loop, std::shared_ptr<TimerState> state)
      : RecordedTimer(std::move(state)), loop_(loop) {}
  ~LoopTimer() override {
    loop_.Disarm(*record_);
    loop_.timers.erase(record_->id);
  }

 private:
  void StartPeriod(TimerState& timer) override { loop_.Arm(timer); }

  Win32EventLoop::State& loop_;
};

class LoopWatch : public IoWatch {
 public:
  using WatchState = Win32EventLoop::State::WatchState;

  LoopWatch(Win32EventLoop::State& loop, std::shared_ptr<WatchState> state)
      : loop_(loop), state_(std::move(state)) {}
  ~LoopWatch() override {
    // The socket's events stay selected until it is closed or watched
    // anew; what comes meanwhile carries this watch's message and is dropped.
    const auto found = loop_.watches.find(state_->socket);
    if (found != loop_.watches.end() && found->second == state_) loop_.watches.erase(found);
  }
  void SetWantWrite(bool want) override {
    if (want == state_->want_write) return;
    state_->want_write = want;
    if (!want) return;
    if (state_->writable) {
      loop_.PostSocketEvent(*state_, FD_WRITE, 0);
      return;
    }
    state_->unsure = true;
  }

 private:
  Win32EventLoop::State& loop_;
  std::shared_ptr<WatchState> state_;
};

}  // namespace

Win32EventLoop::Win32EventLoop() : state_(std::make_unique<State>()) {
  state_->run_posted_calls = [this] { RunPostedCalls(); };
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
  watch->message = state_->NextSocketMessage();
  watch->handler = std::move(handler);
  state_->watches[watch->socket] = watch;
  // Winsock posts at once what has happened already: bytes waiting, a peer's
  // close, room to send on a connected socket.
  WSAAsyncSelect(watch->socket, state_->window, watch->message, kSocketEvents);
  return std::make_unique<LoopWatch>(*state_, std::move(watch));
}

void Win32EventLoop::ProcessMessages() {
  MSG message;
  do {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!state_->Dispatch(message)) Quit();
    }
  } while (state_->HandleConnectFound());
}

void Win32EventLoop::HandleMessage() {
  if (state_->HandleConnectFound()) return;
  MSG message;
  if (GetMessageA(&message, nullptr, 0, 0) < 0) return;
  if (!state_->Dispatch(message)) Quit();
}

void Win32EventLoop::Wake() {
  // GetMessageA may be blocked while a sent message (a host's answer) is
  // handled inside it; a posted message makes it return.
  PostMessageA(state_->window, kWakeMessage, 0, 0);
}

void Win32EventLoop::Sleep(int milliseconds) {
  ::Sleep(static_cast<DWORD>(std::max(milliseconds, 0)));
}

}  // namespace korvex
