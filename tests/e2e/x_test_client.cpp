// Other programs on the test display, for the end-to-end tests (Xlib modes: x_test_client_x11.h):
//   keys OUT [COPY_DELAY_MS TEXT]  window "x-test-keys": appends "press <key> ctrl=<0|1>[ shift=1][ sent]"
//       to OUT for each press ("sent": by XSendEvent); with a delay, puts TEXT on the clipboard
//       that long after each Ctrl+C
//   drag X Y TEXT                  window "x-test-drag" at X,Y from which a press and move drag TEXT
//   own-secret TEXT                clipboard TEXT marked as a password manager's secret
//   keyboard-grabbed               exits 0 when another client holds the keyboard grabbed
//   grab-copy-keys READY | own-text-slowly FILE DELAY_MS | remap-c | type WORDS...
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "tests/e2e/x_test_client_x11.h"

namespace {

// Whether the last key press read was sent by another program (Qt's key events do not say).
struct sent_press_filter : QAbstractNativeEventFilter {
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_KEY_PRESS)
      last_press_sent = event->response_type & 0x80;
    return false;
  }
  bool last_press_sent = false;
} g_sent_presses;

class key_window : public QWidget {
 public:
  key_window(std::string out, int copy_delay_ms, QString copy_text)
      : out_(std::move(out)), copy_delay_ms_(copy_delay_ms), copy_text_(std::move(copy_text)) {
    setWindowTitle("x-test-keys");
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(300, 300, 300, 200);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    if (key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta) return;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    std::string name = key == Qt::Key_Insert ? "Insert" : "key" + std::to_string(key);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) name = std::string(1, char('a' + key - Qt::Key_A));
    std::ofstream(out_, std::ios::app) << "press " << name << " ctrl=" << ctrl
                                       << (event->modifiers() & Qt::ShiftModifier ? " shift=1" : "")
                                       << (g_sent_presses.last_press_sent ? " sent" : "") << std::endl;
    if (ctrl && key == Qt::Key_C && copy_delay_ms_ >= 0) {
      QTimer::singleShot(copy_delay_ms_, this, [this] { QGuiApplication::clipboard()->setText(copy_text_); });
    }
  }

 private:
  std::string out_;
  int copy_delay_ms_;
  QString copy_text_;
};

class drag_window : public QWidget {
 public:
  explicit drag_window(QString text) : text_(std::move(text)) { setWindowTitle("x-test-drag"); }

 protected:
  void mousePressEvent(QMouseEvent* event) override { press_at_ = event->position().toPoint(); }
  void mouseReleaseEvent(QMouseEvent*) override { press_at_.reset(); }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (!press_at_ ||
        (event->position().toPoint() - *press_at_).manhattanLength() < QApplication::startDragDistance())
      return;
    press_at_.reset();
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setText(text_);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
  }

 private:
  QString text_;
  std::optional<QPoint> press_at_;
};

// Asked for and given back in one go, so that it never refuses the grab waited for.
int keyboard_grabbed() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) return 2;
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  auto cookie = xcb_grab_keyboard(connection, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                  XCB_GRAB_MODE_ASYNC);
  xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
  xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(connection, cookie, nullptr);
  bool held = reply && reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
  std::free(reply);
  xcb_disconnect(connection);
  return held ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "grab-copy-keys" && argc > 2) return grab_copy_keys(argv[2]);
  if (mode == "own-text-slowly" && argc > 3) return own_text_slowly(argv[2], std::atoi(argv[3]));
  if (mode == "keyboard-grabbed") return keyboard_grabbed();
  if (mode == "remap-c") return remap_c();
  if (mode == "type") return type_keys(std::vector<std::string>(argv + 2, argv + argc));
  QApplication app(argc, argv);
  std::unique_ptr<QWidget> window;
  if (mode == "keys" && argc > 2) {
    app.installNativeEventFilter(&g_sent_presses);
    int copy_delay_ms = argc > 4 ? std::atoi(argv[3]) : -1;  // no copying
    window = std::make_unique<key_window>(argv[2], copy_delay_ms, argc > 4 ? argv[4] : "");
  } else if (mode == "drag" && argc > 4) {
    window = std::make_unique<drag_window>(QString::fromUtf8(argv[4]));
    window->setGeometry(std::atoi(argv[2]), std::atoi(argv[3]), 200, 150);
    window->setStyleSheet("background: #8c8");
  } else if (mode == "own-secret" && argc > 2) {
    auto* data = new QMimeData;
    data->setText(QString::fromUtf8(argv[2]));
    data->setData("x-kde-passwordManagerHint", "secret");
    QGuiApplication::clipboard()->setMimeData(data);
    return app.exec();
  } else {
    return 2;
  }
  window->show();
  return app.exec();
}
