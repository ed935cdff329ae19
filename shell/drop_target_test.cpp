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

class DropTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    target_ = std::make_unique<CDropTarget>(
        &window_, [this](const std::string& text) { received_.push_back(text); });
  }

  // Drags `data` onto the window and drops it; returns whether the window
  // accepted the drag when it entered.
  bool drag_and_drop(const QMimeData& data, bool* drop_accepted = nullptr) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&window_, &enter);
    QDragMoveEvent move(QPoint(12, 12), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&window_, &move);
    QDropEvent drop(QPointF(12, 12), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(&window_, &drop);
    if (drop_accepted) *drop_accepted = drop.isAccepted();
    if (enter.isAccepted()) {
      EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
      EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    }
    return enter.isAccepted();
  }

  QWidget window_;
  std::unique_ptr<CDropTarget> target_;
  std::vector<std::string> received_;
};

TEST_F(DropTargetTest, DroppedTextReachesTheHandlerWholeInUtf8) {
  QMimeData data;
  // A NUL inside is dropped; what follows it is kept.
  data.setText(QString::fromStdWString(std::wstring(L"Grüße «dragged» 引用 😀\0\nsecond line", 33)));
  bool dropped = false;
  EXPECT_TRUE(drag_and_drop(data, &dropped));
  EXPECT_TRUE(dropped);
  ASSERT_EQ(received_.size(), 1u);
  EXPECT_EQ(received_[0], "Grüße «dragged» 引用 😀\nsecond line");
}

TEST_F(DropTargetTest, ADragWithoutTextIsRefusedAndAddsNothing) {
  QMimeData data;
  data.setData("image/png", QByteArray("\x89PNG", 4));
  bool dropped = true;
  EXPECT_FALSE(drag_and_drop(data, &dropped));
  EXPECT_FALSE(dropped);
  EXPECT_TRUE(received_.empty());
}

TEST_F(DropTargetTest, FileManagerUriListsArriveAsPathsOneALine) {
  QMimeData data;
  data.setUrls(
      {QUrl::fromLocalFile("/home/me/Notes/größe.txt"), QUrl("https://example.org/a?b=c")});
  EXPECT_TRUE(drag_and_drop(data));
  ASSERT_EQ(received_.size(), 1u);
  EXPECT_EQ(received_[0], "/home/me/Notes/größe.txt\nhttps://example.org/a?b=c");
}

TEST_F(DropTargetTest, EmptyTextIsAcceptedButAddsNothing) {
  QMimeData data;
  data.setText("");
  drag_and_drop(data);
  EXPECT_TRUE(received_.empty());
}

TEST_F(DropTargetTest, ARevokedTargetTakesNoDrops) {
  target_.reset();
  EXPECT_FALSE(window_.acceptDrops());
  QMimeData data;
  data.setText("late");
  drag_and_drop(data);
  EXPECT_TRUE(received_.empty());
}

TEST_F(DropTargetTest, AnErrorInTheHandlerIsKeptForTheLoop) {
  target_.reset();
  CDropTarget throwing(&window_, [](const std::string&) { throw fml::exception("no room"); });
  QMimeData data;
  data.setText("text");
  drag_and_drop(data);
  EXPECT_THROW(rethrow_loop_error(), fml::exception);
}

TEST(DroppedTextTest, PlainTextWinsOverUris) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/tmp/a")});
  data.setText("the text");
  EXPECT_EQ(dropped_text(data), "the text");
  QMimeData nothing;
  EXPECT_EQ(dropped_text(nothing), std::nullopt);
}

}  // namespace
}  // namespace pvl
