// The document widget offscreen, driven by real Qt events; and the Qt container's pixels where the
// program's page (painted in view/mainform_widget_test) does not go.
#include "htmlayout/qt/document_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QInputMethodEvent>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/qt/input_codes.h"
#include "htmlayout/qt/paint_to_image.h"
#include "htmlayout/qt/qt_container.h"
#include "htmlayout/qt/scroll_bar.h"
#include "htmlayout/render/document_loader.h"
#include "htmlayout/render/locate.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/testing/test_window.h"

// fontconfig, which Qt uses to find fonts, keeps its configuration for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace htmlayout::qt {
namespace {

using htmlayout::testing::recorder;

void ensure_application() {
  static int argc = 1;
  static char* argv[] = {const_cast<char*>("document_widget_test"), nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
}

struct ticking : behavior {
  ticking() : behavior(group::timer, "test-widget-ticks") {}
  int ticks = 0;
  void attached(const dom::element& he) override { set_timer(he, 10); }
  bool on_timer(const dom::element&) override { return ++ticks < 3; }
};

// Two bands of 40px, a list of 50 rows of 20px in a box 100px high, and a context menu.
std::string test_page() {
  std::string rows;
  for (int i = 0; i < 50; ++i) rows += "<div id=r" + std::to_string(i) + ">" + std::to_string(i) + "</div>";
  return R"(<html><head><style> body { margin: 0; font-family: "DejaVu Sans", sans-serif; font-size: 13px; }
  html, #a, #b { behavior: test-widget-log; } #a, #b { height: 40px; width: 200px; }
  #list { height: 100px; width: 300px; overflow: auto; context-menu: selector(#menu); }
  #list div { height: 20px; behavior: test-widget-log; }
  #menu { display: none; width: 150px; } #menu li { display: block; height: 20px; }
</style></head><body><div id=a>a</div><div id=b>b</div><div id=list>)" +
         rows + "</div><menu id=menu><li>one</li><li>two</li><li>three</li></menu></body></html>";
}

class DocumentWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ensure_application();
    doc_.set_notification_callback(htmlayout::testing::attach_behaviors);
  }

  void show(const std::string& page = test_page()) {
    doc_.load_html(page);
    widget_ = std::make_unique<document_widget>(doc_);
    widget_->resize(400, 300);
    widget_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget_.get()));
    QApplication::processEvents();
  }

  dom::element by_id(const char* id) { return doc_.root().select_first(std::string("#") + id); }
  render::renderer& view() { return widget_->view(); }
  render::scroll_metrics metrics_of(const char* id) {
    render::scroll_metrics metrics;
    EXPECT_TRUE(view().scroll_info(by_id(id), metrics));
    return metrics;
  }
  int scroll_of(const char* id) { return metrics_of(id).scroll_y; }
  bool logged(std::initializer_list<std::string> lines) const {
    return std::ranges::all_of(lines, [&](const std::string& l) { return std::ranges::count(log_, l) > 0; });
  }

  std::vector<std::string> log_;
  recorder rec_{log_, "test-widget-log"};
  ticking ticks_;
  recorder raising_{log_, "test-widget-raises", group::mouse};
  document doc_;
  std::unique_ptr<document_widget> widget_;
};

TEST_F(DocumentWidgetTest, PressesReachTheElementUnderThePointerAndMenusOpenInside) {
  show();
  QTest::mouseClick(widget_.get(), Qt::LeftButton, Qt::ControlModifier, QPoint(10, 55));
  EXPECT_TRUE(logged({"b mouse 8004 b", "b mouse 3 b"}));  // down (sinking) and up
  EXPECT_EQ(rec_.positions.back(), "html 10,55");
  QTest::mouseDClick(widget_.get(), Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_TRUE(logged({"a mouse 5 a"}));
  view().set_scroll_pos(by_id("list"), 200);
  QTest::mouseClick(widget_.get(), Qt::LeftButton, {}, QPoint(10, 85));
  EXPECT_TRUE(logged({"r10 mouse 4 r10"}));
  // A menu opened near the corner stays inside, opened upwards from the pointer.
  view().set_scroll_pos(by_id("list"), 0);
  const QPoint near_corner(290, 175);  // inside the list, near its bottom
  widget_->resize(300, 180);
  QApplication::processEvents();
  QTest::mouseClick(widget_.get(), Qt::RightButton, {}, near_corner);
  ASSERT_EQ(widget_->input_side().popups().size(), 1u);
  const litehtml::position menu = render::to_position(view().location(by_id("menu")));
  EXPECT_GE(menu.width, 150);
  EXPECT_LE(menu.right(), 300);
  EXPECT_EQ(menu.bottom(), near_corner.y());
  EXPECT_EQ(view().element_at(menu.right() - 10, menu.y + 30).text(), L"two");
}

TEST_F(DocumentWidgetTest, KeysArriveAsVirtualKeyCodesAndTextAsCharacters) {
  show();
  const struct { int key; Qt::KeyboardModifiers modifiers; uint32_t code; } cases[] = {
      {Qt::Key_A, {}, 'A'}, {Qt::Key_Z, {}, 'Z'}, {Qt::Key_7, {}, '7'},
      {Qt::Key_7, Qt::KeypadModifier, 103}, {Qt::Key_F1, {}, vk::f1}, {Qt::Key_F24, {}, vk::f24},
      {Qt::Key_Return, {}, vk::enter}, {Qt::Key_Enter, Qt::KeypadModifier, vk::enter},
      {Qt::Key_Escape, {}, vk::escape}, {Qt::Key_Delete, {}, vk::del}, {Qt::Key_Backspace, {}, vk::back},
      {Qt::Key_Tab, {}, vk::tab}, {Qt::Key_Backtab, {}, vk::tab}, {Qt::Key_Space, {}, vk::space},
      {Qt::Key_Insert, {}, vk::insert}, {Qt::Key_Menu, {}, vk::apps}, {Qt::Key_Home, {}, vk::home},
      {Qt::Key_End, {}, vk::end}, {Qt::Key_PageUp, {}, vk::page_up}, {Qt::Key_PageDown, {}, vk::page_down},
      {Qt::Key_Left, {}, vk::left}, {Qt::Key_Down, {}, vk::down}};
  for (const auto& e : cases) EXPECT_EQ(virtual_key(e.key, e.modifiers), e.code) << e.key;
  EXPECT_EQ(key_state(Qt::ControlModifier | Qt::ShiftModifier), keyboard::control | keyboard::shift);
  // Through the widget: Tab (kept from focus changes) and typed text; Ctrl+C is a key, not text.
  QTest::keyClick(widget_.get(), Qt::Key_Tab);
  EXPECT_TRUE(logged({"html key 0 html 9", "html key 1 html 9"}));
  QTest::keyClicks(widget_.get(), "q");
  EXPECT_TRUE(logged({"html key 2 html 113"}));
  log_.clear();
  QTest::keyClick(widget_.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(logged({"html key 0 html 67"}));
  EXPECT_FALSE(std::ranges::any_of(log_, [](const std::string& l) { return l.find("key 2 ") != l.npos; }));
  // An input method commits text in any script.
  QInputMethodEvent composed;
  composed.setCommitString(QString::fromUtf8("日本"));
  QCoreApplication::sendEvent(widget_.get(), &composed);
  EXPECT_TRUE(logged({"html key 2 html 26085", "html key 2 html 26412"}));
}

TEST_F(DocumentWidgetTest, TheWheelAndTheScrollBarsScrollTheListAndThePageSeesNoBar) {
  show();
  auto turn = [&](QPoint angle, QPoint pixels) {
    QWheelEvent wheel(QPointF(20, 120), QPointF(20, 120), pixels, angle, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget_.get(), &wheel);
  };
  for (int half = 0; half < 2; ++half) turn({0, -60}, {});
  EXPECT_EQ(scroll_of("list"), 60);  // half notches add up to one: three lines
  turn({0, 120}, {0, 25});           // a touchpad's pixels win
  EXPECT_EQ(scroll_of("list"), 35);
  turn({0, 12000}, {});
  ASSERT_EQ(scroll_of("list"), 0);
  render::scroll_metrics metrics = metrics_of("list");
  ASSERT_EQ(metrics.max_scroll_y(), 50 * 20 - 100);
  const litehtml::position padding =
      render::to_position(view().location(by_id("list"), render::box_area::padding));
  scroll_bar_geometry bar = scroll_bar_for(padding, metrics);
  ASSERT_FALSE(bar.thumb.isEmpty());
  log_.clear();
  const QPoint grab = bar.thumb.center();
  QTest::mousePress(widget_.get(), Qt::LeftButton, {}, grab);
  QMouseEvent move(QEvent::MouseMove, QPointF(grab + QPoint(0, 30)), QPointF(grab + QPoint(0, 30)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget_.get(), &move);
  QTest::mouseRelease(widget_.get(), Qt::LeftButton, {}, grab + QPoint(0, 30));
  const int dragged = bar.scroll_for_thumb_top(bar.thumb.top() + 30, metrics);
  EXPECT_GT(dragged, 0);
  EXPECT_EQ(scroll_of("list"), dragged);
  EXPECT_TRUE(log_.empty());
  // A press on the track below the thumb pages down.
  metrics = metrics_of("list");
  bar = scroll_bar_for(padding, metrics);
  QTest::mouseClick(widget_.get(), Qt::LeftButton, {},
                    QPoint(bar.track.center().x(), bar.track.bottom() - 1));
  EXPECT_EQ(scroll_of("list"), dragged + metrics.viewport_height - 20);
  EXPECT_TRUE(log_.empty());
  // Left of the bar the row gets the press.
  QTest::mouseClick(widget_.get(), Qt::LeftButton, {}, QPoint(bar.hit_area.left() - 5, 120));
  EXPECT_FALSE(log_.empty());
}

TEST_F(DocumentWidgetTest, TimersAndPostedEventsRunFromTheEventLoop) {
  // Loaded before the widget exists, as the program's view does: its timer and event are not lost.
  doc_.load_html("<style>#t { behavior: test-widget-ticks } html { behavior: test-widget-log }</style>"
                 "<div id=t>t</div>");
  doc_.root().post_event(event::button_click);
  widget_ = std::make_unique<document_widget>(doc_);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks_.ticks == 3; }, 2000));
  EXPECT_TRUE(logged({"html event 0 html"}));
  EXPECT_FALSE(widget_->input_side().next_timer_due());
  // Posted later, outside any event: delivered by the loop.
  log_.clear();
  by_id("t").post_event(event::button_press);
  EXPECT_TRUE(log_.empty());
  QApplication::processEvents();
  EXPECT_TRUE(logged({"html event 1 t"}));
}

TEST_F(DocumentWidgetTest, ErrorsGoToTheHandlerAndNeverThroughQt) {
  show("<style>#a { behavior: test-widget-raises; height: 50px }</style><div id=a>a</div>");
  raising_.react = [](const dom::element&, const std::string& line) {
    if (line == "a mouse 4 a") throw std::runtime_error("pressed");  // a press, bubbling
    return false;
  };
  auto message = [](std::exception_ptr error) -> std::string {
    try { std::rethrow_exception(error); } catch (const std::exception& e) { return e.what(); }
  };
  // By default the error is kept and the event loop ends with 1.
  QTimer::singleShot(0, widget_.get(),
                     [&] { QTest::mouseClick(widget_.get(), Qt::LeftButton, {}, QPoint(10, 10)); });
  QTimer::singleShot(5000, widget_.get(), [] { QCoreApplication::exit(2); });
  EXPECT_EQ(QApplication::exec(), 1);
  std::exception_ptr kept = widget_->take_unhandled_error();
  ASSERT_TRUE(kept);
  EXPECT_EQ(message(kept), "pressed");
  EXPECT_FALSE(widget_->take_unhandled_error());
  // A handler of the program's own gets each one.
  std::vector<std::string> errors;
  widget_->set_error_handler([&](std::exception_ptr error) { errors.push_back(message(error)); });
  QTest::mouseClick(widget_.get(), Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseClick(widget_.get(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(errors, (std::vector<std::string>{"pressed", "pressed"}));
}

TEST(QtContainer, DrawsBorderStylesDecorationsMarkersAndRoundedClips) {
  ensure_application();
  qt_container container;
  container.set_viewport(400, 300);
  render::loaded_document loaded = render::load_document(
      "<body><div id=double>double</div><div id=dotted>dotted</div><div id=inset>inset</div>"
      "<p id=under><u>underlined words</u></p><ul><li id=item>item</li></ul>"
      "<div id=round><div id=fill></div></div></body>", container,
      "body { margin: 10px; } div { height: 30px; width: 200px; margin-bottom: 10px; }"
      "#double { border: 6px double #000000; } #dotted { border: 4px dotted #000000; }"
      "#inset { border: 4px inset #808080; } p { margin: 0; font-size: 20px; }"
      "#round { border-radius: 15px; overflow: hidden; background-color: #00ff00; }"
      "#fill { height: 30px; width: 200px; background-color: #0000ff; }");
  litehtml::document& doc = *loaded.document;
  doc.render(400);
  const QImage image = paint_to_image(doc, container, 400, 300);
  auto at = [&](const char* selector) { return render::locate(doc.root()->select_one(selector)); };
  auto lightness = [&](int x, int y) { return image.pixelColor(x, y).lightness(); };
  auto dark = [&](int left, int right, int top, int bottom, int below) {
    int count = 0;
    for (int x = left; x < right; ++x)
      for (int y = top; y < bottom; ++y) count += lightness(x, y) < below;
    return count;
  };
  // A double border: two dark thirds with the background between them.
  const litehtml::position d = at("#double");
  for (int y = 0; y < 6; ++y) EXPECT_EQ(lightness(d.x + d.width / 2, d.y + y) < 50, y < 2 || y > 3) << y;
  // A dotted border has gaps along its side.
  const litehtml::position dots = at("#dotted");
  const int dotted = dark(dots.x, dots.right(), dots.y + 2, dots.y + 3, 100);
  EXPECT_GT(dotted, 40);
  EXPECT_GT(dots.width - dotted, 40);
  // An inset border is darker above than below.
  const litehtml::position inset = at("#inset");
  EXPECT_LT(lightness(inset.x + 100, inset.y + 1) + 40, lightness(inset.x + 100, inset.bottom() - 2));
  // Underlined text: a dark line under the glyphs, also under the space.
  const litehtml::position under = at("#under u");
  int row = under.bottom() - 1;
  while (row > under.y && dark(under.x, under.right(), row, row + 1, 128) <= under.width * 9 / 10) --row;
  EXPECT_GT(row, under.y + under.height / 2);
  // The list item's disc sits left of its text.
  const litehtml::position item = at("#item");
  EXPECT_GT(dark(item.x - 16, item.x, item.y, item.bottom(), 100), 4);
  // The rounded box clips its child's corners: the corner shows the page, the middle the child.
  const litehtml::position round = at("#round");
  EXPECT_EQ(image.pixelColor(round.x + 1, round.y + 1), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(round.x + 100, round.y + 15), QColor(0, 0, 255));
}

TEST(QtContainer, ReadsPicturesOfEachFormatItIsGiven) {
  ensure_application();
  auto encoded = [](int side, const char* format) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
  };
  const std::map<std::string, QByteArray> files = {
      {"a.png", encoded(3, "PNG")}, {"b.bmp", encoded(5, "BMP")}, {"c.png", "\x89PNG broken"}};
  qt_container container([&](const std::string& url) {
    auto found = files.find(url);
    return found == files.end() ? QByteArray() : found->second;
  });
  for (const auto& [url, side] : {std::pair{"a.png", 3}, {"b.bmp", 5}, {"c.png", 0}, {"d.png", 0}}) {
    litehtml::size size;
    container.get_image_size(url, "", size);
    EXPECT_EQ(size.width, side) << url;
    EXPECT_EQ(size.height, side) << url;
  }
}

}  // namespace
}  // namespace htmlayout::qt
