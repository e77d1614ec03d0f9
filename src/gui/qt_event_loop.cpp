#include "gui/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "platform/recorded_timer.h"

namespace korvex {
namespace {

// A Qt object that may be in the middle of delivering its own signal when its
// owner goes away: it is silenced at once and deleted once that has returned.
void Retire(QObject* object) {
  if (!object) return;
  object->disconnect();
  object->deleteLater();
}

// The record is shared with the tick connection, which outlives the timer
// when its own handler destroys it.
struct QtTimerRecord : TimerRecord {
  QPointer<QTimer> timer;
};

class QtTimer : public RecordedTimer<QtTimerRecord> {
 public:
  QtTimer(QObject& parent, std::string name, int interval_ms, std::function<void()> on_tick)
      : RecordedTimer(std::make_shared<QtTimerRecord>()) {
    record_->name = std::move(name);
    record_->interval = std::max(interval_ms, 0);
    record_->handler = std::move(on_tick);
    // Single shot, restarted after each tick: the next period starts when the
    // handler has returned, and nothing fires while it runs. A disabled
    // timer's tick is dropped.
    auto* timer = new QTimer(&parent);
    timer->setObjectName(QString::fromStdString(record_->name));
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    record_->timer = timer;
    QObject::connect(timer, &QTimer::timeout, timer,
                     [weak = std::weak_ptr<QtTimerRecord>(record_)] {
                       if (const auto record = weak.lock()) Tick(*record);
                     });
  }

  ~QtTimer() override {
    record_->enabled = false;
    if (record_->timer) record_->timer->stop();
    Retire(record_->timer);
  }

 private:
  void StartPeriod(QtTimerRecord& record) override {
    if (record.timer) record.timer->start(record.interval);
  }

  static void Tick(QtTimerRecord& record) {
    // A tick that falls due while the handler pumps events is dropped.
    if (!record.enabled || record.running) return;
    RunTimerHandler(record);
    if (record.enabled && record.timer && !record.timer->isActive()) {
      record.timer->start(record.interval);
    }
  }
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
