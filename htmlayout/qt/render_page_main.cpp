// Renders an HTML page to a PNG the way the program paints it, for looking at
// pages and style sheets: htmlayout_render_page PAGE.html OUT.png [WIDTH [HEIGHT]].
// Images and style sheets are read relative to the page's folder; a height of
// 0 (the default) takes the document's own height.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <string>

#include "htmlayout/qt/paint_to_image.h"
#include "htmlayout/render/document_loader.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s PAGE.html OUT.png [WIDTH [HEIGHT]]\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  QFile page(QString::fromLocal8Bit(argv[1]));
  if (!page.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  const int width = argc > 3 ? std::stoi(argv[3]) : 800;
  const int height = argc > 4 ? std::stoi(argv[4]) : 0;
  const QString folder = QFileInfo(page).absolutePath();
  htmlayout::qt::qt_container container([&](const std::string& url) {
    QFile file(folder + "/" + QString::fromStdString(url));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  });
  container.set_viewport(width, height > 0 ? height : 600);
  auto loaded = htmlayout::render::load_document(page.readAll().toStdString(), container);
  loaded.document->render(width);
  const int painted_height = height > 0 ? height : std::max(1, loaded.document->height());
  QImage image = htmlayout::qt::paint_to_image(*loaded.document, container, width, painted_height);
  if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
