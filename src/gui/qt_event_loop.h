// The GUI binary's message loop: the event loop of the Qt application.
// Needs a QCoreApplication (or QApplication) and runs on its thread.
#pragma once

#include <QObject>
#include <memory>

#include "platform/wakeable_loop.h"

class QEventLoop;

namespace korvex {

class QtEventLoop : public WakeableLoop {
 public:
  QtEventLoop();
  ~QtEventLoop() override;

  std::unique_ptr<Timer> CreateTimer(std::string name, int interval_ms,
                                     std::function<void()> on_tick) override;
  std::unique_ptr<IoWatch> WatchIo(IoHandle handle, std::function<void(IoEvent)> handler) override;
  void ProcessMessages() override;
  void HandleMessage() override;
  void Sleep(int milliseconds) override;
  // In a QEventLoop of its own: Qt deletes what was retired with deleteLater
  // only when control returns to such a loop.
  void Run() override;
  void Quit() override;

 protected:
  void Wake() override;

 private:
  // Lives on the loop thread: the target of synchronised calls and the
  // parent of every timer and notifier, so none outlives the loop.
  QObject context_;
  QEventLoop* running_ = nullptr;
  bool quit_requested_ = false;
};

}  // namespace korvex
