// The first paint of the window: what start-up waits for. A watch runs a
// function once, just after a widget's first paint is done. The start-up
// time goes to the "profile" log through one (the benchmarks read its line
// "First paint: N ms after start"), and what the user does not wait for,
// such as the tray icon, is made through another.
#pragma once

#include <QObject>
#include <chrono>
#include <functional>

class QWidget;

namespace pvl {

class first_paint_watch : public QObject {
  Q_OBJECT

 public:
  // Runs `then` once, from the event loop, after the first paint of `widget`
  // (which must outlive the watch); or after `deadline` when no paint came
  // by then (a zero deadline waits for the paint however long).
  first_paint_watch(QWidget& widget, std::function<void()> then,
                    std::chrono::milliseconds deadline = std::chrono::milliseconds(0));

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void run_once();

  QWidget& widget_;
  std::function<void()> then_;
  bool done_ = false;
};

// Writes "First paint: N ms after start" to the "profile" log after the
// first paint of `window`; `started` is when the process began its work.
std::function<void()> report_first_paint(std::chrono::steady_clock::time_point started);

}  // namespace pvl
