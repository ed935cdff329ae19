#include "shell/drop_target.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "shell/loop_errors.h"

namespace pvl {

namespace {

std::string without_nul(QString text) {
  text.remove(QChar(u'\0'));
  return text.toStdString();
}

}  // namespace

std::optional<std::string> dropped_text(const QMimeData& data) {
  // hasText() also holds for a bare URI list, whose text() would be the
  // URIs themselves: local files read better as paths.
  if (data.hasFormat("text/plain")) return without_nul(data.text());
  if (!data.hasUrls()) return std::nullopt;
  QStringList lines;
  for (const QUrl& url : data.urls()) {
    lines << (url.isLocalFile() ? url.toLocalFile() : url.toString());
  }
  return without_nul(lines.join('\n'));
}

CDropTarget::CDropTarget(QWidget* window, text_handler on_text)
    : window_(window), on_text_(std::move(on_text)) {
  window_->setAcceptDrops(true);
  window_->installEventFilter(this);
}

CDropTarget::~CDropTarget() {
  window_->removeEventFilter(this);
  window_->setAcceptDrops(false);
}

bool CDropTarget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  switch (event->type()) {
    case QEvent::DragEnter: {
      auto* enter = static_cast<QDragEnterEvent*>(event);
      const QMimeData* data = enter->mimeData();
      can_drop_ = data && (data->hasText() || data->hasUrls());
      if (can_drop_) {
        enter->setDropAction(Qt::CopyAction);
        enter->accept();
        window_->setFocus(Qt::OtherFocusReason);
      } else {
        enter->ignore();
      }
      return true;
    }
    case QEvent::DragMove: {
      auto* move = static_cast<QDragMoveEvent*>(event);
      if (can_drop_) {
        move->setDropAction(Qt::CopyAction);
        move->accept();
      } else {
        move->ignore();
      }
      return true;
    }
    case QEvent::DragLeave:
      can_drop_ = false;
      return true;
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (!can_drop_) {
        drop->ignore();
        return true;
      }
      can_drop_ = false;
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      guarded([&] {
        std::optional<std::string> text;
        if (const QMimeData* data = drop->mimeData()) text = dropped_text(*data);
        if (text && !text->empty()) on_text_(*text);
      });
      return true;
    }
    default:
      return false;
  }
}

}  // namespace pvl
