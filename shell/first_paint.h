// Writes to the "profile" log how long the program took from its start to
// the first paint of its window, so that start-up time can be watched (the
// benchmarks read it). The line, written once, is
// "First paint: N ms after start".
#pragma once

#include <QObject>
#include <chrono>

class QWidget;

namespace pvl {

class first_paint_reporter : public QObject {
  Q_OBJECT

 public:
  // Watches `window` (which must outlive the reporter) for its first paint;
  // `started` is when the process began its work.
  first_paint_reporter(QWidget& window, std::chrono::steady_clock::time_point started);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::chrono::steady_clock::time_point started_;
  bool reported_ = false;
};

}  // namespace pvl
