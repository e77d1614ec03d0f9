#include "gui/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace korvex {
namespace {

// A Qt object that may be in the middle of delivering its own signal when its
// owner goes away: it is silenced at once and deleted once that has returned.
void Retire(QObject* object) {
  if (!object) return;
  object->disconnect();
  object->deleteLater();
}

class QtTimer : public Timer {
 public:
  QtTimer(QObject& parent, std::string name, int interval_ms, std::function<void()> on_tick)
      : state_(std::make_shared<State>()) {
    state_->name = std::move(name);
    state_->interval = std::max(interval_ms, 0);
    state_->handler = std::move(on_tick);
    // Single shot, restarted after each tick: the next period starts when the
    // handler has returned, and nothing fires while it runs.
    auto* timer = new QTimer(&parent);
    timer->setObjectName(QString::fromStdString(state_->name));
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    state_->timer = timer;
    QObject::connect(timer, &QTimer::timeout, timer, [weak = std::weak_ptr<State>(state_)] {
      if (const auto state = weak.lock()) Tick(*state);
    });
  }

  ~QtTimer() override {
    state_->enabled = false;
    if (state_->timer) state_->timer->stop();
    Retire(state_->timer);
  }

  const std::string& Name() const override { return state_->name; }
  int Interval() const override { return state_->interval; }

  void SetInterval(int milliseconds) override {
    state_->interval = std::max(milliseconds, 0);
    if (state_->enabled && state_->timer) state_->timer->start(state_->interval);
  }

  bool Enabled() const override { return state_->enabled; }

  void SetEnabled(bool enabled) override {
    if (enabled == state_->enabled) return;
    state_->enabled = enabled;
    if (!state_->timer) return;
    if (enabled) {
      state_->timer->start(state_->interval);
    } else {
      state_->timer->stop();
    }
  }

  void SetOnTimer(std::function<void()> handler) override { state_->handler = std::move(handler); }

 private:
  struct State {
    std::string name;
    int interval = 0;
    bool enabled = false;
    bool running = false;
    std::function<void()> handler;
    QPointer<QTimer> timer;
  };

  static void Tick(State& state) {
    // A tick that falls due while the handler pumps events is dropped.
    if (!state.enabled || state.running) return;
    state.running = true;
    // A copy: the handler may replace itself or destroy its timer.
    const std::function<void()> handler = state.handler;
    if (handler) handler();
    state.running = false;
    if (state.enabled && state.timer && !state.timer->isActive()) {
      state.timer->start(state.interval);
    }
  }

  // Shared with the tick connection, which outlives this object when the
  // timer is destroyed by its own handler.
  std::shared_ptr<State> state_;
};

class QtIoWatch : public IoWatch {
 public:
  QtIoWatch(QObject& parent, IoHandle fd, const std::function<void(IoEvent)>& handler)
      : read_(Notifier(parent, fd, QSocketNotifier::Read, IoEvent::kReadable, handler)),
        write_(Notifier(parent, fd, QSocketNotifier::Write, IoEvent::kWritable, handler)) {
    write_->setEnabled(false);
  }

  ~QtIoWatch() override {
    for (QSocketNotifier* notifier : {read_.data(), write_.data()}) {
      if (notifier) notifier->setEnabled(false);
      Retire(notifier);
    }
  }

  void SetWantWrite(bool want) override {
    if (write_) write_->setEnabled(want);
  }

 private:
  static QSocketNotifier* Notifier(QObject& parent, IoHandle fd, QSocketNotifier::Type type,
                                   IoEvent event, const std::function<void(IoEvent)>& handler) {
    auto* notifier = new QSocketNotifier(static_cast<qintptr>(fd), type, &parent);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [handler, event] { handler(event); });
    return notifier;
  }

  QPointer<QSocketNotifier> read_;
  QPointer<QSocketNotifier> write_;
};

}  // namespace

QtEventLoop::QtEventLoop() = default;

QtEventLoop::~QtEventLoop() = default;

std::unique_ptr<Timer> QtEventLoop::CreateTimer(std::string name, int interval_ms,
                                                std::function<void()> on_tick) {
  return std::make_unique<QtTimer>(context_, std::move(name), interval_ms, std::move(on_tick));
}

std::unique_ptr<IoWatch> QtEventLoop::WatchIo(IoHandle handle, std::function<void(IoEvent)> handler) {
  return std::make_unique<QtIoWatch>(context_, handle, handler);
}

void QtEventLoop::ProcessMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::HandleMessage() {
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtEventLoop::Wake() {
  // Any of the loop's dispatches, a modal box's included, runs them.
  QMetaObject::invokeMethod(&context_, [this] { RunPostedCalls(); }, Qt::QueuedConnection);
}

void QtEventLoop::Sleep(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(std::max(milliseconds, 0)));
}

void QtEventLoop::Run() {
  if (!quit_requested_) {
    QEventLoop loop;
    QEventLoop* const outer = running_;
    running_ = &loop;
    loop.exec();
    running_ = outer;
  }
  quit_requested_ = false;
}

void QtEventLoop::Quit() {
  if (running_) {
    running_->quit();
  } else {
    quit_requested_ = true;
  }
}

}  // namespace korvex
