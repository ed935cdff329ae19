#include "shell/drop_target.h"

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <vector>

#include "fml/exception.h"
#include "shell/loop_errors.h"
#include "shell/test_application.h"

namespace pvl {
namespace {

using texts = std::vector<std::string>;

class DropTargetTest : public ::testing::Test {
 protected:
  // Drags `data` onto the window and drops it; returns whether the window
  // accepted the drag when it entered and the drop.
  std::pair<bool, bool> drag_and_drop(const QMimeData& data) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&window_, &enter);
    QDragMoveEvent move(QPoint(12, 12), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&window_, &move);
    QDropEvent drop(QPointF(12, 12), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(&window_, &drop);
    if (enter.isAccepted()) {
      EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
      EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    }
    return {enter.isAccepted(), drop.isAccepted()};
  }

  QWidget window_;
  texts received_;
  std::unique_ptr<CDropTarget> target_ = std::make_unique<CDropTarget>(
      &window_, [this](const std::string& text) { received_.push_back(text); });
};

TEST_F(DropTargetTest, DroppedTextOrPathsReachTheHandlerWholeInUtf8AndNothingElseDoes) {
  auto text = [](const QString& text) {
    auto* data = new QMimeData;
    data->setText(text);
    return data;
  };
  auto image = new QMimeData;
  image->setData("image/png", QByteArray("\x89PNG", 4));
  auto paths = new QMimeData;
  paths->setUrls({QUrl::fromLocalFile("/home/me/Notes/größe.txt"), QUrl("https://example.org/a?b=c")});
  auto both = text("the text");
  both->setUrls({QUrl::fromLocalFile("/tmp/a")});
  const struct {
    const char* name;
    std::unique_ptr<QMimeData> data;
    bool accepted;
    texts received;
  } cases[] = {
      // A NUL inside is dropped; what follows it is kept.
      {"text", std::unique_ptr<QMimeData>(text(QString::fromStdWString(
                   std::wstring(L"Grüße «dragged» 引用 😀\0\nsecond line", 33)))),
       true, {"Grüße «dragged» 引用 😀\nsecond line"}},
      {"no text", std::unique_ptr<QMimeData>(image), false, {}},
      {"a file manager's uri list", std::unique_ptr<QMimeData>(paths), true,
       {"/home/me/Notes/größe.txt\nhttps://example.org/a?b=c"}},
      {"text wins over uris", std::unique_ptr<QMimeData>(both), true, {"the text"}},
      {"empty text", std::unique_ptr<QMimeData>(text("")), true, {}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    received_.clear();
    auto [entered, dropped] = drag_and_drop(*each.data);
    EXPECT_EQ(entered, each.accepted);
    EXPECT_EQ(dropped, each.accepted);
    EXPECT_EQ(received_, each.received);
  }
  EXPECT_EQ(dropped_text(QMimeData()), std::nullopt);

  received_.clear();
  target_.reset();
  EXPECT_FALSE(window_.acceptDrops());
  drag_and_drop(*cases[0].data);
  EXPECT_TRUE(received_.empty()) << "a revoked target took a drop";

  // An error in the handler is kept for the loop.
  CDropTarget throwing(&window_, [](const std::string&) { throw fml::exception("no room"); });
  drag_and_drop(*cases[0].data);
  EXPECT_THROW(rethrow_loop_error(), fml::exception);
}

}  // namespace
}  // namespace pvl
