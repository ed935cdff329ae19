#include "htmlayout/qt/document_widget.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <utility>
#include <vector>

#include "htmlayout/dom/notifications.h"
#include "htmlayout/qt/css_cursor.h"
#include "htmlayout/qt/input_codes.h"
#include "htmlayout/qt/painter_graphics.h"
#include "htmlayout/qt/scroll_bar.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/render/text_positions.h"

namespace htmlayout::qt {

namespace {

// Pixels one notch of the wheel (120 eighths of a degree) scrolls: three
// lines of about 20 pixels.
constexpr int kNotch = 120, kPixelsPerNotch = 60;

QRect to_qrect(const litehtml::position& p) { return QRect(p.x, p.y, p.width, p.height); }
QRect to_qrect(const htmlayout::rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

bool is_empty(const litehtml::position& p) { return p.width <= 0 || p.height <= 0; }
bool is_empty(const htmlayout::rect& r) { return r.right <= r.left || r.bottom <= r.top; }

point to_point(const QPointF& p) { return {static_cast<int>(p.x()), static_cast<int>(p.y())}; }

// Characters typed, without control characters (the keys themselves reach
// the page as key codes).
std::wstring typed_text(const QString& text) {
  std::wstring out;
  for (wchar_t c : text.toStdWString())
    if (c >= 0x20 && c != 0x7F) out += c;
  return out;
}

}  // namespace

document_widget::document_widget(document& doc, QWidget* parent)
    : QWidget(parent),
      doc_(doc),
      container_(
          [this](const std::string& url) { return load_resource(url, resource_type::image); }),
      renderer_(doc_, container_),
      geometry_(renderer_),
      input_(doc_, geometry_) {
  clock_.start();
  // The renderer reads the page's style sheets from the document, which
  // loads them itself.
  container_.set_style_sheet_loader([](const std::string&) { return QByteArray(); });
  geometry_.set_input(&input_);
  doc_.add_observer(this);
  on_error_ = [this](std::exception_ptr error) {
    if (!unhandled_error_) unhandled_error_ = std::move(error);
    QCoreApplication::exit(1);
  };

  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_InputMethodEnabled, true);
  setAttribute(Qt::WA_OpaquePaintEvent, true);

  renderer_.set_viewport(std::max(1, width()), std::max(1, height()));
  // The first paint waits only for the rows that show; the rows around
  // them follow right after it (see paintEvent).
  renderer_.set_row_margins(false);
  renderer_.set_change_callback([this] { schedule_update(); });
  doc_.set_post_wakeup([this] { schedule_delivery(); });
  input_.set_timers_changed([this] { arm_timer(); });
  input_.set_clipboard({[] {
                          return QGuiApplication::instance()
                                     ? QGuiApplication::clipboard()->text().toStdWString()
                                     : std::wstring();
                        },
                        [](const std::wstring& text) {
                          if (QGuiApplication::instance())
                            QGuiApplication::clipboard()->setText(QString::fromStdWString(text));
                        }});
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { timer_fired(); });
  // A page loaded before the widget may have posted events and set timers.
  if (doc_.has_posted_events()) schedule_delivery();
  arm_timer();
  schedule_update();
}

document_widget::~document_widget() {
  // The input lets go of its popups as it goes: that must not schedule work.
  renderer_.set_change_callback(nullptr);
  input_.set_timers_changed(nullptr);
  doc_.set_post_wakeup({});
  doc_.remove_observer(this);
}

void document_widget::set_error_handler(error_handler handler) { on_error_ = std::move(handler); }

std::exception_ptr document_widget::take_unhandled_error() {
  return std::exchange(unhandled_error_, nullptr);
}

document_widget* document_widget::showing(const document* doc) {
  if (!doc || !QApplication::instance()) return nullptr;
  // Qt knows every widget, and a document has one widget at a time (the
  // widget makes its input side).
  for (QWidget* widget : QApplication::allWidgets()) {
    auto* shown = qobject_cast<document_widget*>(widget);
    if (shown && &shown->doc_ == doc) return shown;
  }
  return nullptr;
}

template <typename Body>
void document_widget::guarded(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    if (on_error_) on_error_(std::current_exception());
  }
}

template <typename Call>
void document_widget::deliver(Call&& call) noexcept {
  guarded([&] {
    input_.advance_clock(clock_ms());
    call();
    after_change();
  });
}

// ---- Bringing the window up to date ----

void document_widget::schedule_update() {
  if (update_scheduled_) return;
  update_scheduled_ = true;
  QMetaObject::invokeMethod(
      this, [this] { guarded([this] { after_change(); }); }, Qt::QueuedConnection);
}

void document_widget::update_view() { after_change(); }

void document_widget::after_change() {
  update_scheduled_ = false;
  geometry_.sync_popups();
  keep_popups_inside();
  for (const htmlayout::rect& r : renderer_.take_dirty_rects())
    if (!is_empty(r)) update(to_qrect(r));
  update_caret();
  update_cursor();
  arm_timer();
}

void document_widget::keep_popups_inside() {
  const std::vector<input::shown_popup> shown = input_.popups();
  if (shown.empty()) return;
  const int right = width(), bottom = height();
  std::vector<point> wanted;
  bool moves = false;
  for (const input::shown_popup& p : shown) {
    point at = p.position;
    const htmlayout::rect box = renderer_.location(p.element);
    if (!is_empty(box)) {
      const int box_width = box.right - box.left, box_height = box.bottom - box.top;
      if (at.x + box_width > right) at.x = std::max(0, right - box_width);
      if (at.y + box_height > bottom) {
        // Open upwards from where it hangs: the anchor's top, or the point.
        const htmlayout::rect anchor = renderer_.location(p.owner);
        const bool anchored =
            !is_empty(anchor) && p.position.x == anchor.left && p.position.y == anchor.bottom;
        const int above = (anchored ? anchor.top : p.position.y) - box_height;
        at.y = above >= 0 ? above : std::max(0, bottom - box_height);
      }
    }
    moves = moves || at.x != p.position.x || at.y != p.position.y;
    wanted.push_back(at);
  }
  if (!moves) return;
  // Shown again bottom to top, so that they stay stacked as they were.
  for (std::size_t i = 0; i < shown.size(); ++i)
    input_.show_popup_at(shown[i].element, wanted[i], shown[i].owner);
  geometry_.sync_popups();
  for (const htmlayout::rect& r : renderer_.take_dirty_rects())
    if (!is_empty(r)) update(to_qrect(r));
}

QRect document_widget::caret_rect() {
  std::optional<input::caret_position> caret = input_.caret();
  if (!caret) return {};
  const litehtml::position box = render::caret_box(renderer_, caret->element, caret->offset);
  if (is_empty(box)) return {};
  // Only where the element shows (not under the edge of its scrolling box).
  return to_qrect(box).intersected(to_qrect(renderer_.visible_area(caret->element)));
}

QRegion document_widget::selection_region() {
  std::optional<input::caret_position> caret = input_.caret();
  if (!caret || caret->anchor == caret->offset) return {};
  const size_t from = std::min(caret->anchor, caret->offset);
  const size_t to = std::max(caret->anchor, caret->offset);
  const litehtml::position a = render::caret_box(renderer_, caret->element, from);
  const litehtml::position b = render::caret_box(renderer_, caret->element, to);
  if (is_empty(a) || is_empty(b)) return {};
  QRegion covered;
  if (a.y == b.y) {
    covered = QRect(a.x, a.y, b.x - a.x, a.height);
  } else {
    // Over several lines: to the end of the first, whole lines between,
    // from the start of the last.
    const htmlayout::rect content = renderer_.location(caret->element, render::box_area::content);
    covered += QRect(a.x, a.y, content.right - a.x, a.height);
    covered += QRect(content.left, a.bottom(), content.right - content.left, b.y - a.bottom());
    covered += QRect(content.left, b.y, b.x - content.left, b.height);
  }
  return covered.intersected(to_qrect(renderer_.visible_area(caret->element)));
}

void document_widget::update_caret() {
  const QRegion selected = selection_region();
  if (selected != selection_) {
    update(selection_.united(selected));
    selection_ = selected;
  }
  const QRect now = caret_rect();
  if (now == caret_) return;
  if (!caret_.isEmpty()) update(caret_);
  if (!now.isEmpty()) update(now);
  caret_ = now;
  if (QGuiApplication::instance() && hasFocus())
    QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void document_widget::update_cursor() {
  if (bar_press_) return;
  const dom::element hovered = input_.hovered();
  std::wstring css = hovered ? hovered.get_style_attribute("cursor") : L"auto";
  if (css == cursor_css_ && testAttribute(Qt::WA_SetCursor)) return;
  cursor_css_ = css;
  for (const cursor_entry& entry : parse_cursor_value(css)) {
    if (entry.is_url) {
      if (std::optional<QCursor> file = cursor_file(entry.value)) {
        setCursor(*file);
        return;
      }
    } else if (std::optional<Qt::CursorShape> shape = cursor_shape(entry.value)) {
      setCursor(*shape);
      return;
    }
  }
  setCursor(Qt::ArrowCursor);
}

std::optional<QCursor> document_widget::cursor_file(const std::string& url) {
  auto found = cursors_.find(url);
  if (found == cursors_.end())
    found =
        cursors_.emplace(url, cursor_from_file(load_resource(url, resource_type::cursor))).first;
  return found->second;
}

// ---- Resources ----

QByteArray document_widget::load_resource(const std::string& url, uint32_t type) {
  const std::string full = doc_.combine_url(url);
  if (auto found = resources_.find(full); found != resources_.end()) return found->second;
  doc_.request_data(url, type, doc_.root());
  auto arrived = resources_.find(full);
  return arrived == resources_.end() ? QByteArray() : arrived->second;
}

void document_widget::data_arrived(std::string_view uri, std::string_view data) {
  resources_[std::string(uri)] = QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

// ---- Timers and posted events ----

void document_widget::arm_timer() {
  std::optional<uint64_t> due = input_.next_timer_due();
  if (!due) {
    timer_.stop();
    return;
  }
  const uint64_t now = clock_ms();
  const uint64_t wait = *due > now ? *due - now : 0;
  timer_.start(static_cast<int>(std::min<uint64_t>(wait, 24ull * 3600 * 1000)));
}

void document_widget::timer_fired() {
  deliver([] {});
}

void document_widget::schedule_delivery() {
  if (delivery_scheduled_) return;
  delivery_scheduled_ = true;
  QMetaObject::invokeMethod(
      this, [this] { deliver_posted(); }, Qt::QueuedConnection);
}

void document_widget::deliver_posted() {
  delivery_scheduled_ = false;
  deliver([this] { doc_.deliver_posted_events(); });
}

// ---- Painting ----

void document_widget::paintEvent(QPaintEvent* e) {
  guarded([&] {
    geometry_.sync_popups();
    renderer_.update();
    QPainter painter(this);
    painter.setClipRegion(e->region());
    painter.fillRect(e->rect(), Qt::white);
    if (const litehtml::document::ptr& mirror = render::mirror_document(renderer_)) {
      const QRect area = e->region().boundingRect();
      container_.paint(*mirror, painter,
                       litehtml::position(area.x(), area.y(), area.width(), area.height()));
    }
    paint_drawn_elements(painter, e->region());
    if (!painted_) {
      painted_ = true;
      renderer_.set_row_margins(true);  // schedules their layout
    }
    selection_ = selection_region();
    if (!selection_.isEmpty()) {
      for (const QRect& r : selection_) painter.fillRect(r, QColor(47, 111, 222, 90));
    }
    caret_ = caret_rect();
    if (!caret_.isEmpty() && e->region().intersects(caret_)) {
      std::optional<input::caret_position> caret = input_.caret();
      litehtml::element::ptr mirror = render::mirror_of(renderer_, caret->element);
      const litehtml::web_color c =
          mirror ? mirror->get_color("color", true, litehtml::web_color(0, 0, 0))
                 : litehtml::web_color(0, 0, 0);
      painter.fillRect(caret_, QColor(c.red, c.green, c.blue));
    }
  });
}

void document_widget::paint_drawn_elements(QPainter& painter, const QRegion& region) {
  for (const dom::element& e : doc_.elements_with_draw_handlers()) {
    const htmlayout::rect shown = renderer_.visible_area(e);
    if (is_empty(shown) || !region.intersects(to_qrect(shown))) continue;
    const htmlayout::rect content = renderer_.location(e, render::box_area::content);
    litehtml::element::ptr mirror = render::mirror_of(renderer_, e);
    const litehtml::web_color c =
        mirror ? mirror->get_color("color", true, litehtml::web_color(0, 0, 0))
               : litehtml::web_color(0, 0, 0);
    painter.save();
    painter.setClipRect(to_qrect(shown), Qt::IntersectClip);
    painter_graphics gfx(painter, {c.red, c.green, c.blue, c.alpha});
    draw_params params;
    params.cmd = 1;  // the content layer
    params.gfx = static_cast<graphics*>(&gfx);
    params.area = content;
    struct restore {
      QPainter& p;
      ~restore() { p.restore(); }
    } restored{painter};
    doc_.draw_element(e, params);
  }
}

void document_widget::resizeEvent(QResizeEvent* /*e*/) {
  guarded([this] { renderer_.set_viewport(std::max(1, width()), std::max(1, height())); });
}

// ---- Pointer ----

void document_widget::mousePressEvent(QMouseEvent* e) { press(e, false); }

void document_widget::mouseDoubleClickEvent(QMouseEvent* e) { press(e, true); }

void document_widget::press(QMouseEvent* e, bool second_of_double_click) {
  const uint32_t button = button_of(e->button());
  if (!button) return;
  const point p = to_point(e->position());
  bool on_bar = false;
  guarded([&] { on_bar = button == mouse::main_button && press_on_scroll_bar(QPoint(p.x, p.y)); });
  if (on_bar) return;
  const uint32_t keys = key_state(e->modifiers());
  deliver([&] {
    if (second_of_double_click)
      input_.mouse_double_click(p, button, keys);
    else
      input_.mouse_down(p, button, keys);
  });
}

void document_widget::mouseReleaseEvent(QMouseEvent* e) {
  const uint32_t button = button_of(e->button());
  if (!button) return;
  if (bar_press_ && button == mouse::main_button) {
    bar_press_.reset();
    guarded([this] { update_cursor(); });
    return;
  }
  deliver([&] { input_.mouse_up(to_point(e->position()), button, key_state(e->modifiers())); });
}

void document_widget::mouseMoveEvent(QMouseEvent* e) {
  const point p = to_point(e->position());
  if (bar_press_) {
    if (bar_press_->on_thumb) {
      guarded([&] {
        drag_thumb(QPoint(p.x, p.y));
        after_change();
      });
    }
    return;
  }
  deliver([&] { input_.mouse_move(p, buttons_of(e->buttons()), key_state(e->modifiers())); });
}

void document_widget::leaveEvent(QEvent* /*e*/) {
  if (bar_press_) return;
  deliver([this] { input_.mouse_leave(); });
}

void document_widget::wheelEvent(QWheelEvent* e) {
  e->accept();
  int delta = 0;
  if (!e->pixelDelta().isNull()) {
    delta = -e->pixelDelta().y();
  } else {
    // Towards the user (negative angles) scrolls towards the end.
    const int eighths = wheel_remainder_ - e->angleDelta().y();
    delta = eighths * kPixelsPerNotch / kNotch;
    wheel_remainder_ = eighths - delta * kNotch / kPixelsPerNotch;
  }
  if (delta == 0) return;
  deliver([&] { input_.wheel(to_point(e->position()), delta, key_state(e->modifiers())); });
}

// ---- Scroll bars ----

bool document_widget::press_on_scroll_bar(QPoint p) {
  for (dom::element box = renderer_.scroll_box_at(p.x(), p.y()); box; box = box.parent()) {
    render::scroll_metrics metrics;
    if (!renderer_.scroll_info(box, metrics) || metrics.max_scroll_y() <= 0) continue;
    const litehtml::position padding =
        render::to_position(renderer_.location(box, render::box_area::padding));
    const scroll_bar_geometry bar = scroll_bar_for(padding, metrics);
    if (bar.thumb.isEmpty() || !bar.hit_area.contains(p)) continue;
    if (p.y() >= bar.thumb.top() && p.y() <= bar.thumb.bottom()) {
      bar_press_ = bar_press{box, true, p.y() - bar.thumb.top()};
    } else {
      bar_press_ = bar_press{box, false, 0};
      // A page: the box's height less a line, so that a line stays in view.
      const int page = std::max(1, metrics.viewport_height - 20);
      renderer_.set_scroll_pos(box, metrics.scroll_y + (p.y() < bar.thumb.top() ? -page : page));
    }
    after_change();
    return true;
  }
  return false;
}

void document_widget::drag_thumb(QPoint p) {
  render::scroll_metrics metrics;
  const dom::element& box = bar_press_->box;
  if (!box || !renderer_.scroll_info(box, metrics)) return;
  const litehtml::position padding =
      render::to_position(renderer_.location(box, render::box_area::padding));
  const scroll_bar_geometry bar = scroll_bar_for(padding, metrics);
  if (bar.thumb.isEmpty()) return;
  renderer_.set_scroll_pos(box, bar.scroll_for_thumb_top(p.y() - bar_press_->grab_offset, metrics));
}

// ---- Keys and text ----

bool document_widget::event(QEvent* e) {
  // The page takes every key while it has the focus, shortcuts included.
  if (e->type() == QEvent::ShortcutOverride) {
    e->accept();
    return true;
  }
  return QWidget::event(e);
}

bool document_widget::focusNextPrevChild(bool /*next*/) { return false; }

void document_widget::keyPressEvent(QKeyEvent* e) {
  e->accept();
  const uint32_t key = virtual_key(e->key(), e->modifiers());
  const uint32_t keys = key_state(e->modifiers());
  // Ctrl with a key is a shortcut, not text (Ctrl with Alt is AltGr on some
  // systems, which types).
  const bool shortcut =
      (e->modifiers() & Qt::ControlModifier) && !(e->modifiers() & Qt::AltModifier);
  const std::wstring text = shortcut ? std::wstring() : typed_text(e->text());
  deliver([&] {
    if (key) input_.key_down(key, keys);
    if (!text.empty()) input_.characters(text, keys);
  });
}

void document_widget::keyReleaseEvent(QKeyEvent* e) {
  e->accept();
  const uint32_t key = virtual_key(e->key(), e->modifiers());
  if (!key) return;
  deliver([&] { input_.key_up(key, key_state(e->modifiers())); });
}

void document_widget::inputMethodEvent(QInputMethodEvent* e) {
  e->accept();
  const std::wstring text = typed_text(e->commitString());
  if (text.empty()) return;
  deliver([&] { input_.characters(text, 0); });
}

QVariant document_widget::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return true;
    case Qt::ImCursorRectangle:
      return caret_.isEmpty() ? QRect(0, 0, 1, 1) : caret_;
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhNone);
    default:
      return QWidget::inputMethodQuery(query);
  }
}

void document_widget::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && !isActiveWindow()) {
    bar_press_.reset();
    deliver([this] { input_.view_deactivated(); });
  }
}

}  // namespace htmlayout::qt
