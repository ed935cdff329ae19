// Turns SIGTERM, SIGINT and SIGHUP (the terminal or the session going away)
// into a call on the Qt event loop, so that the program ends through its
// normal shutdown instead of dying mid-write.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace pvl {

class termination_signals : public QObject {
  Q_OBJECT
 public:
  // Installs the handlers; `on_signal` runs on the event loop's thread.
  explicit termination_signals(std::function<void()> on_signal);
  ~termination_signals() override;

 private:
  std::function<void()> on_signal_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace pvl
