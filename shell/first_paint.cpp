#include "shell/first_paint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "fml/log.h"
#include "shell/loop_errors.h"

namespace pvl {

first_paint_watch::first_paint_watch(QWidget& widget, std::function<void()> then,
                                     std::chrono::milliseconds deadline)
    : widget_(widget), then_(std::move(then)) {
  widget.installEventFilter(this);
  if (deadline.count() > 0) QTimer::singleShot(deadline, this, [this] { run_once(); });
}

bool first_paint_watch::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && !done_) {
    // The filter runs before the paint; `then` runs once it is done.
    QTimer::singleShot(0, this, [this] { run_once(); });
  }
  return QObject::eventFilter(watched, event);
}

void first_paint_watch::run_once() {
  if (done_) return;
  done_ = true;
  widget_.removeEventFilter(this);
  guarded([&] { then_(); });
}

std::function<void()> report_first_paint(std::chrono::steady_clock::time_point started) {
  return [started] {
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    fml::getlog("profile") << "First paint: " << took.count() << " ms after start" << std::endl;
  };
}

}  // namespace pvl
