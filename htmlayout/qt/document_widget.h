// htmlayout::qt::document_widget: the Qt widget that shows an engine
// document and hands it the user's input. It hosts a document it does not
// own (the program's view creates and loads the main page itself), with a
// QPainter container, the renderer, the renderer's geometry and the
// document's input side, all its own.
//
// Showing: the page is laid out at the widget's width. Every change of the
// document schedules one update for the next turn of the event loop, however
// many changes a handler makes; the update lays the page out once and
// repaints only the rectangles that changed. Popups are painted above the
// page and kept inside the widget; the caret of the element being edited is
// a one-pixel line in its text colour, its selection a translucent blue
// over the text; after the page, each displayed
// element whose handler subscribes to the draw group draws its content
// (draw_params: layer 1, gfx an htmlayout::graphics*, area its content box
// in widget coordinates). Images, style sheets and cursor files come
// through the document's load requests (document::request_data), so the
// notification callback of whoever owns the document answers them.
//
// Input: the in-place editor copies to and pastes from the system
// clipboard (QClipboard). Mouse, wheel (120 eighths of a degree scroll 60 pixels), keys as
// virtual key codes with their text, text from input methods, Tab (the page
// gets it), activation (losing it ends popups and gestures). Presses on the
// scroll bar of a scrolling box scroll it (the thumb drags, the track pages)
// and do not reach the page. The cursor is the CSS cursor of the element
// under the pointer; url(...) cursor files are loaded once per URL.
// Timers run from a single-shot QTimer on a monotonic millisecond clock;
// posted events are delivered from the event loop.
//
// Errors: no exception crosses Qt. Every entry from Qt catches what the
// program raised and hands it to the error handler (set_error_handler). The
// program's shell plugs its loop error keeping in:
//   widget->set_error_handler(pvl::keep_loop_error);
// which ends the event loop and rethrows the error where the loop was run.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "htmlayout/dom/document.h"
#include "htmlayout/dom/document_observer.h"
#include "htmlayout/input/input.h"
#include "htmlayout/qt/qt_container.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/renderer_geometry.h"

namespace htmlayout::qt {

class document_widget : public QWidget, private document_observer {
  Q_OBJECT

 public:
  using error_handler = std::function<void(std::exception_ptr)>;

  // Shows `doc`, which must outlive the widget, may already hold a page and
  // must have no input side yet (the widget creates it). The widget takes
  // the document's posted-event wakeup for its lifetime.
  explicit document_widget(document& doc, QWidget* parent = nullptr);
  ~document_widget() override;

  document& doc() { return doc_; }
  render::renderer& view() { return renderer_; }
  htmlayout::input& input_side() { return input_; }
  qt_container& container() { return container_; }

  // Where exceptions raised while Qt called in go. The default keeps the
  // first one in the widget (take_unhandled_error) and ends every running
  // event loop with code 1.
  void set_error_handler(error_handler handler);
  // The exception this widget's default handler kept, then forgets it; null
  // when none.
  std::exception_ptr take_unhandled_error();

  // Lays the page out now and schedules the paint of what changed (for
  // callers that want the window current before returning to the loop).
  void update_view();

  // The widget that shows `doc` (of the application's widgets), or null.
  static document_widget* showing(const document* doc);

  // The milliseconds of the clock the widget advances the timers with.
  uint64_t clock_ms() const { return static_cast<uint64_t>(clock_.elapsed()); }

  QSize sizeHint() const override { return {800, 600}; }

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void changeEvent(QEvent* e) override;
  bool focusNextPrevChild(bool next) override;

 private:
  // A main-button press on a scroll bar, until its release: a drag of the
  // thumb, or a press on the track (which paged once).
  struct bar_press {
    dom::element box;
    bool on_thumb = false;
    int grab_offset = 0;  // from the thumb's top to the pointer
  };

  // Runs `body` with every exception handed to the error handler.
  template <typename Body>
  void guarded(Body&& body) noexcept;
  // An input call: the clock advanced first, the window brought up to date
  // after.
  template <typename Call>
  void deliver(Call&& call) noexcept;
  void schedule_update();
  void after_change();
  void keep_popups_inside();
  void update_cursor();
  void update_caret();
  void arm_timer();
  void timer_fired();
  void schedule_delivery();
  void deliver_posted();
  QRect caret_rect();
  // The part of the window the selection of the edited element covers.
  QRegion selection_region();
  void paint_drawn_elements(QPainter& painter, const QRegion& region);
  // A press (or the second press of a double click): the scroll bar's when
  // it falls on one, otherwise the page's.
  void press(QMouseEvent* e, bool second_of_double_click);
  bool press_on_scroll_bar(QPoint p);
  void drag_thumb(QPoint p);
  QByteArray load_resource(const std::string& url, uint32_t type);
  std::optional<QCursor> cursor_file(const std::string& url);

  // document_observer
  void data_arrived(std::string_view uri, std::string_view data) override;

  document& doc_;
  qt_container container_;
  render::renderer renderer_;
  render::renderer_geometry geometry_;
  htmlayout::input input_;

  error_handler on_error_;
  std::exception_ptr unhandled_error_;  // kept by the default handler
  QElapsedTimer clock_;
  QTimer timer_;
  bool update_scheduled_ = false;
  bool painted_ = false;  // a paint was made
  bool delivery_scheduled_ = false;
  std::optional<bar_press> bar_press_;
  int wheel_remainder_ = 0;                                // eighths of a degree not yet scrolled
  QRect caret_;                                            // where the caret was painted
  QRegion selection_;                                      // where the selection was painted
  std::wstring cursor_css_;                                // the cursor value shown
  std::map<std::string, QByteArray> resources_;            // arrived data, by URL
  std::map<std::string, std::optional<QCursor>> cursors_;  // cursor files, by URL
};

}  // namespace htmlayout::qt
