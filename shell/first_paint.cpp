#include "shell/first_paint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "fml/log.h"
#include "shell/loop_errors.h"

namespace pvl {

first_paint_reporter::first_paint_reporter(QWidget& window,
                                           std::chrono::steady_clock::time_point started)
    : started_(started) {
  window.installEventFilter(this);
}

bool first_paint_reporter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Paint || reported_) return QObject::eventFilter(watched, event);
  reported_ = true;
  watched->removeEventFilter(this);
  // The filter runs before the paint; the line is written once it is done.
  QTimer::singleShot(0, this, [this] {
    guarded([&] {
      const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - started_);
      fml::getlog("profile") << "First paint: " << took.count() << " ms after start" << std::endl;
    });
  });
  return false;
}

}  // namespace pvl
