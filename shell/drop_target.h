// CDropTarget: lets other programs drop text on the main window. A drag
// that carries text (text/plain, UTF-8) or a list of URIs (text/uri-list,
// as file managers offer) is accepted as a copy; on the drop its text goes
// to the text handler, exactly like a captured clipboard text. Drag events
// reach the window from every child that does not take drops itself.
#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>

class QMimeData;
class QWidget;

namespace pvl {

// The text a drag carries, in UTF-8: its plain text when it has some, else
// its URIs one per line (local files as paths). None when it carries
// neither. NUL characters are dropped, as from a captured text.
std::optional<std::string> dropped_text(const QMimeData& data);

class CDropTarget : public QObject {
 public:
  using text_handler = std::function<void(const std::string&)>;

  // Registers `window` as a drop target; `on_text` gets each non-empty
  // dropped text, on the GUI thread.
  CDropTarget(QWidget* window, text_handler on_text);

  // Revokes the registration: the window takes no more drops.
  ~CDropTarget() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  text_handler on_text_;
  bool can_drop_ = false;  // set when the current drag carries text
};

}  // namespace pvl
