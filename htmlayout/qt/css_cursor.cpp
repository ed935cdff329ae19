#include "htmlayout/qt/css_cursor.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QString>
#include <algorithm>
#include <cctype>
#include <utility>

namespace htmlayout::qt {

namespace {

std::string trimmed(std::string text) {
  auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), blank));
  text.erase(std::find_if_not(text.rbegin(), text.rend(), blank).base(), text.end());
  return text;
}

uint16_t little_endian_16(const QByteArray& bytes, int at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                               (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

}  // namespace

std::vector<cursor_entry> parse_cursor_value(std::wstring_view css) {
  const std::string text =
      QString::fromWCharArray(css.data(), static_cast<int>(css.size())).toStdString();
  std::vector<cursor_entry> entries;
  std::size_t at = 0;
  while (at < text.size()) {
    // A comma inside url(...) does not end the entry.
    std::size_t end = at;
    int depth = 0;
    for (; end < text.size(); ++end) {
      if (text[end] == '(') ++depth;
      if (text[end] == ')') depth = std::max(0, depth - 1);
      if (text[end] == ',' && depth == 0) break;
    }
    std::string entry = trimmed(text.substr(at, end - at));
    at = end + 1;
    if (entry.empty()) continue;
    std::string lower = entry;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.rfind("url(", 0) == 0 && entry.back() == ')') {
      std::string url = trimmed(entry.substr(4, entry.size() - 5));
      if (url.size() >= 2 && (url.front() == '"' || url.front() == '\'') &&
          url.back() == url.front())
        url = url.substr(1, url.size() - 2);
      if (!url.empty()) entries.push_back({true, url});
    } else {
      entries.push_back({false, lower});
    }
  }
  return entries;
}

std::optional<Qt::CursorShape> cursor_shape(std::string_view keyword) {
  static const std::pair<std::string_view, Qt::CursorShape> kShapes[] = {
      {"auto", Qt::ArrowCursor},
      {"default", Qt::ArrowCursor},
      {"pointer", Qt::PointingHandCursor},
      {"hand", Qt::PointingHandCursor},
      {"text", Qt::IBeamCursor},
      {"vertical-text", Qt::IBeamCursor},
      {"wait", Qt::WaitCursor},
      {"progress", Qt::BusyCursor},
      {"help", Qt::WhatsThisCursor},
      {"crosshair", Qt::CrossCursor},
      {"move", Qt::SizeAllCursor},
      {"all-scroll", Qt::SizeAllCursor},
      {"not-allowed", Qt::ForbiddenCursor},
      {"no-drop", Qt::ForbiddenCursor},
      {"grab", Qt::OpenHandCursor},
      {"grabbing", Qt::ClosedHandCursor},
      {"copy", Qt::DragCopyCursor},
      {"alias", Qt::DragLinkCursor},
      {"none", Qt::BlankCursor},
      {"col-resize", Qt::SplitHCursor},
      {"row-resize", Qt::SplitVCursor},
      {"e-resize", Qt::SizeHorCursor},
      {"w-resize", Qt::SizeHorCursor},
      {"ew-resize", Qt::SizeHorCursor},
      {"n-resize", Qt::SizeVerCursor},
      {"s-resize", Qt::SizeVerCursor},
      {"ns-resize", Qt::SizeVerCursor},
      {"ne-resize", Qt::SizeBDiagCursor},
      {"sw-resize", Qt::SizeBDiagCursor},
      {"nesw-resize", Qt::SizeBDiagCursor},
      {"nw-resize", Qt::SizeFDiagCursor},
      {"se-resize", Qt::SizeFDiagCursor},
      {"nwse-resize", Qt::SizeFDiagCursor},
  };
  for (const auto& [name, shape] : kShapes)
    if (name == keyword) return shape;
  return std::nullopt;
}

std::optional<QCursor> cursor_from_file(const QByteArray& bytes) {
  QImage image;
  // A cursor file is an icon file of type 2: Qt's icon reader takes it.
  constexpr int kDirectory = 6, kEntry = 16;
  const bool is_cursor = bytes.size() >= kDirectory + kEntry && little_endian_16(bytes, 0) == 0 &&
                         little_endian_16(bytes, 2) == 2 && little_endian_16(bytes, 4) >= 1;
  if (is_cursor) {
    QByteArray copy(bytes);
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "cur");
    image = reader.read();
  }
  if (image.isNull()) image = QImage::fromData(bytes);
  if (image.isNull()) return std::nullopt;
  int hot_x = 0, hot_y = 0;
  if (is_cursor) {
    hot_x = std::min<int>(little_endian_16(bytes, kDirectory + 4), image.width() - 1);
    hot_y = std::min<int>(little_endian_16(bytes, kDirectory + 6), image.height() - 1);
  }
  return QCursor(QPixmap::fromImage(image), hot_x, hot_y);
}

}  // namespace htmlayout::qt
