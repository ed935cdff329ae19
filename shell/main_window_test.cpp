// The main window on Qt's offscreen platform (copy keys are left to the end-to-end tests).
#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "fml/app_errors.h"
#include "fml/exception.h"
#include "model/testing/raised.h"
#include "model/testing/test_collection.h"
#include "shell/drop_target.h"
#include "shell/loop_errors.h"
#include "shell/test_application.h"
#include "view/page_size.h"

namespace pvl {
namespace {

using lines = std::vector<std::string>;

// Each step starts from the state the one before left.
TEST(MainWindowTest, EachWayToHideOrShowTheWindowAndExitEndsTheLoopWithACommandsErrorRaisedAfterIt) {
  model_testing::test_collection logs;
  main_window window{[](const std::string&) {}};
  logs.mark_logs();
  window.set_tray_check([] { return true; });  // the offscreen platform has none
  auto new_debug_lines = [&logs] {
    const lines new_lines = logs.new_lines("debug");
    logs.mark_logs();
    return new_lines;
  };
  EXPECT_EQ(window.windowTitle(), "Parvela");
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_EQ(window.minimumSize(), QSize(kMinimumPageWidth, kMinimumPageHeight));
  EXPECT_FALSE(window.is_win_visible());
  const lines show{"[WndProc] ID_APP_SHOW", "[WndProc] show and restore"};
  auto minimise = [&] {
    window.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
  };
  const struct {
    const char* name;
    std::function<void()> act;
    bool visible;
    lines logged;
  } steps[] = {
      {"start", [&] { window.show_at_start(); }, true, {}},
      {"close", [&] { EXPECT_FALSE(window.close()); }, false, {}},
      {"show", [&] { window.show_command(); }, true, show},
      {"show when shown", [&] { window.show_command(); }, true,
       {"[WndProc] ID_APP_SHOW", "[WndProc] is_win_visible"}},
      {"minimise", minimise, false, {}},
      {"show after minimise", [&] { window.show_command(); }, true, show},
      {"minimise again", minimise, false, {}},
      {"another instance", [&] { window.answer_other_instance(); }, true,
       {"[WndProc] UWM_PVL_ARE_YOU_ME"}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    step.act();
    EXPECT_EQ(window.isVisible(), step.visible);
    EXPECT_EQ(window.is_win_visible(), step.visible);
    EXPECT_FALSE(step.visible && window.isMinimized());
    EXPECT_EQ(new_debug_lines(), step.logged);
  }
  EXPECT_TRUE(window.acceptDrops());
  QTimer::singleShot(0, &window, [&] { guarded([&] { window.exit_command(); }); });
  EXPECT_EQ(run_main_window(window), 0);
  EXPECT_EQ(new_debug_lines(), lines{"[WndProc] ID_APP_EXIT"});
  EXPECT_FALSE(window.acceptDrops());
  // An error in a command leaves the loop and is raised again after it.
  QTimer::singleShot(0, &window, [] { guarded([] { throw remove_hook_error("stuck"); }); });
  EXPECT_EQ(model_testing::raised<remove_hook_error>([&] { run_main_window(window); }), "stuck");
  QPointer<QWidget> placeholder = window.centralWidget();
  ASSERT_TRUE(placeholder);
  auto* client = new QLabel("engine");
  window.set_client(client);
  EXPECT_EQ(window.centralWidget(), client);
  EXPECT_TRUE(placeholder.isNull());
}

TEST(DropTargetTest, DroppedTextOrPathsReachTheHandlerWholeInUtf8AndNothingElseDoes) {
  QWidget window;
  lines received;
  auto target =
      std::make_unique<CDropTarget>(&window, [&](const std::string& text) { received.push_back(text); });
  // Whether the window accepted the drag on entering and the drop.
  auto drag_and_drop = [&window](const QMimeData& data) {
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(10, 10), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    QDragMoveEvent move(QPoint(12, 12), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &move);
    QDropEvent drop(QPointF(12, 12), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
    if (enter.isAccepted()) {
      EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
      EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    }
    return std::pair(enter.isAccepted(), drop.isAccepted());
  };
  auto mime = [](std::optional<QString> text, const QList<QUrl>& urls = {}) {
    auto data = std::make_unique<QMimeData>();
    if (text) data->setText(*text);
    if (!urls.isEmpty()) data->setUrls(urls);
    return data;
  };
  auto image = std::make_unique<QMimeData>();
  image->setData("image/png", QByteArray("\x89PNG", 4));
  const QList<QUrl> paths{QUrl::fromLocalFile("/home/me/Notes/größe.txt"), QUrl("https://example.org/a?b=c")};
  const struct {
    const char* name;
    std::unique_ptr<QMimeData> data;
    bool accepted;
    lines received;
  } cases[] = {
      // A NUL inside is dropped; what follows it is kept.
      {"text", mime(QString::fromStdWString(std::wstring(L"Grüße «dragged» 引用 😀\0\nsecond line", 33))), true,
       {"Grüße «dragged» 引用 😀\nsecond line"}},
      {"no text", std::move(image), false, {}},
      {"a file manager's uri list", mime(std::nullopt, paths), true,
       {"/home/me/Notes/größe.txt\nhttps://example.org/a?b=c"}},
      {"text wins over uris", mime("the text", {QUrl::fromLocalFile("/tmp/a")}), true, {"the text"}},
      {"empty text", mime(""), true, {}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    received.clear();
    auto [entered, dropped] = drag_and_drop(*each.data);
    EXPECT_EQ(entered, each.accepted);
    EXPECT_EQ(dropped, each.accepted);
    EXPECT_EQ(received, each.received);
  }
  EXPECT_EQ(dropped_text(QMimeData()), std::nullopt);
  received.clear();
  target.reset();
  EXPECT_FALSE(window.acceptDrops());
  drag_and_drop(*cases[0].data);
  EXPECT_TRUE(received.empty()) << "a revoked target took a drop";
  // An error in the handler is kept for the loop.
  CDropTarget throwing(&window, [](const std::string&) { throw fml::exception("no room"); });
  drag_and_drop(*cases[0].data);
  EXPECT_THROW(rethrow_loop_error(), fml::exception);
}

std::string loop_error() {
  try {
    return model_testing::raised<std::exception>(rethrow_loop_error);
  } catch (int value) {
    return "int " + std::to_string(value);
  }
}

TEST(LoopErrorsTest, AnErrorInAGuardedCallEndsTheLoopAndIsRaisedOnceAfterIt) {
  bool nested_ended = false;
  const struct {
    const char* name;
    std::function<void()> before_loop;
    std::string raised;
  } cases[] = {
      {"in a slot",
       [] { QTimer::singleShot(0, [] { guarded([] { throw fml::exception("broken slot"); }); }); },
       "broken slot"},
      {"two errors", [] { QTimer::singleShot(0, [] {
         guarded([] { throw std::runtime_error("first"); });
         guarded([] { throw std::logic_error("second"); });
       }); }, "first"},
      {"before the loop, not a std::exception", [] { guarded([] { throw 42; }); }, "int 42"},
      {"in another thread",
       [] { std::thread([] { guarded([] { throw fml::exception("from a worker"); }); }).join(); },
       "from a worker"},
      {"in a nested loop", [&] { QTimer::singleShot(0, [&] {
         QEventLoop nested;
         QTimer::singleShot(0, [] { guarded([] { throw fml::exception("in a menu"); }); });
         nested.exec();
         nested_ended = true;
       }); }, "in a menu"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    each.before_loop();
    QObject timer_owner;
    QTimer::singleShot(5000, &timer_owner, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 1);
    EXPECT_EQ(loop_error(), each.raised);
    EXPECT_EQ(loop_error(), "no error");
  }
  EXPECT_TRUE(nested_ended);
}

}  // namespace
}  // namespace pvl
