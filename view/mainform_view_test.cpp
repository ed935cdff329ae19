// The program's main window as the renderer shows it: res/mainform.htm with
// its style sheets and images, the tag list and the quote list filled with
// the default collection (data/*.xml) through the view's fragments, painted
// by the QPainter container. Checks a few pixels that a broken paint would
// change: cards on the pane's background, a checked card, a scrolled list.
// With PARVELA_PICTURES set to a folder, the pictures are saved there.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/qt/paint_to_image.h"
#include "htmlayout/qt/qt_container.h"
#include "htmlayout/render/renderer.h"
#include "view/fragments.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace htmlayout::qt {
namespace {

const std::filesystem::path kSource(PARVELA_SOURCE_DIR);

void ensure_application() {
  static int argc = 1;
  static char name[] = "mainform_view_test";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The default collection as the files give it (the model stores the same).
std::vector<pvl::Tag> default_tags() {
  TiXmlDocument xml((kSource / "data" / "defaulttags.xml").string());
  EXPECT_TRUE(xml.LoadFile());
  std::vector<pvl::Tag> tags;
  for (const TiXmlElement* e = xml.RootElement()->FirstChildElement(); e;
       e = e->NextSiblingElement())
    tags.push_back({std::atoi(e->Attribute("id")), e->Attribute("name")});
  return tags;
}

std::vector<pvl::Quote> default_quotes(const std::vector<pvl::Tag>& tags) {
  TiXmlDocument xml((kSource / "data" / "defaultquotes.xml").string());
  EXPECT_TRUE(xml.LoadFile());
  std::vector<pvl::Quote> quotes;
  for (const TiXmlElement* e = xml.RootElement()->FirstChildElement(); e;
       e = e->NextSiblingElement()) {
    pvl::Quote quote{std::atoi(e->Attribute("id")), e->Attribute("text"), 1717750000, {}};
    for (const TiXmlElement* t = e->FirstChildElement(); t; t = t->NextSiblingElement())
      for (const pvl::Tag& tag : tags)
        if (tag.m_id == std::atoi(t->Attribute("id"))) quote.m_tags.push_back(tag);
    quotes.push_back(quote);
  }
  return quotes;
}

class MainForm : public ::testing::Test {
 protected:
  static constexpr int kWidth = 1000, kHeight = 700;

  void SetUp() override {
    ensure_application();
    container_ = std::make_unique<qt_container>([](const std::string& url) {
      QFile file(QString::fromStdString((kSource / "res" / url).string()));
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    });
    view_ = std::make_unique<render::renderer>(doc_, *container_);
    view_->set_viewport(kWidth, kHeight);
    const std::filesystem::path page = kSource / "res" / "mainform.htm";
    ASSERT_TRUE(doc_.load_html(read_file(page), page.string()));
    const std::vector<pvl::Tag> tags = default_tags();
    std::string tag_rows, quote_rows;
    for (const pvl::Tag& tag : tags) tag_rows += pvl::row_fragment(pvl::vtag_fragment(tag));
    for (const pvl::Quote& quote : default_quotes(tags))
      quote_rows += pvl::row_fragment(pvl::quote_fragment(quote));
    find("#taglist").set_html(tag_rows);
    find("#thequotelist").set_html(quote_rows);
    quote_count_ = find("#thequotelist").children_count();
    ASSERT_GT(quote_count_, 20u);
  }

  dom::element find(const std::string& selector) {
    dom::element found = doc_.root().select_first(selector);
    EXPECT_TRUE(found.is_valid()) << selector;
    return found;
  }

  QImage picture(const char* name) {
    QImage image = paint_to_image(*view_, *container_);
    if (const char* folder = std::getenv("PARVELA_PICTURES"))
      image.save(QString::fromStdString((std::filesystem::path(folder) / name).string()), "PNG");
    return image;
  }

  QColor at(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

  document doc_;
  std::unique_ptr<qt_container> container_;
  std::unique_ptr<render::renderer> view_;
  std::size_t quote_count_ = 0;
};

TEST_F(MainForm, ShowsTheCollectionInItsPanes) {
  QImage image = picture("mainform.png");
  // The first quote's card: white, inside the quote box, right of the tag pane.
  const htmlayout::rect box = view_->location(find("#quotebox"), render::box_area::padding);
  const htmlayout::rect card = view_->location(find("#thequotelist").child(0).child(0).child(0));
  EXPECT_GE(card.left, 240);
  EXPECT_GE(card.top, box.top);
  EXPECT_LT(card.bottom, box.bottom);
  EXPECT_EQ(at(image, card.left + (card.right - card.left) / 2, card.top + 4), QColor("#ffffff"));
  // Between two cards: the pane's background.
  EXPECT_EQ(at(image, card.left + (card.right - card.left) / 2, card.bottom + 5),
            QColor("#eceff3"));
  // The tag pane's background left of its chips, and the first chip's colour.
  const htmlayout::rect chip = view_->location(find("#taglist").child(0).child(0).child(0));
  EXPECT_GE(chip.top, view_->location(find("#tagbox")).top);
  EXPECT_EQ(at(image, 5, chip.top + (chip.bottom - chip.top) / 2), QColor("#f6f7f9"));
  EXPECT_EQ(at(image, chip.left + 4, chip.top + (chip.bottom - chip.top) / 2), QColor("#e7ecf4"));
}

TEST_F(MainForm, ALongCollectionScrolledToTheMiddle) {
  // The default quotes sixteen times over, each copy with ids of its own.
  const std::vector<pvl::Tag> tags = default_tags();
  const std::vector<pvl::Quote> quotes = default_quotes(tags);
  std::string rows;
  for (int copy = 1; copy < 16; ++copy) {
    for (pvl::Quote quote : quotes) {
      quote.m_id += copy * 1000;
      rows += pvl::row_fragment(pvl::quote_fragment(quote));
    }
  }
  find("#thequotelist").set_html(rows, position::append_after_last);
  const std::size_t count = find("#thequotelist").children_count();
  dom::element box = find("#quotebox");
  render::scroll_metrics metrics;
  ASSERT_TRUE(view_->scroll_info(box, metrics));
  view_->set_scroll_pos(box, metrics.max_scroll_y() / 2);
  QImage image = picture("mainform-long.png");
  // Only the quotes near the middle are laid out, and they fill the box.
  const auto laid_out = view_->laid_out_rows(find("#thequotelist"));
  ASSERT_TRUE(laid_out);
  EXPECT_LT(laid_out->second - laid_out->first, 20u);
  EXPECT_GT(laid_out->first, count / 3);
  const htmlayout::rect shown = view_->location(box, render::box_area::padding);
  int cards = 0;
  for (std::size_t i = laid_out->first; i < laid_out->second; ++i) {
    dom::element card = find("#thequotelist").child(i).child(0).child(0);
    const htmlayout::rect whole = view_->location(card);
    if (whole.top < shown.top || whole.bottom > shown.bottom) continue;
    ++cards;
    EXPECT_EQ(at(image, whole.left + (whole.right - whole.left) / 2, whole.top + 4),
              QColor("#ffffff"))
        << "card of row " << i;
    EXPECT_EQ(at(image, whole.left + (whole.right - whole.left) / 2, whole.bottom + 4),
              QColor("#eceff3"));
  }
  EXPECT_GE(cards, (shown.bottom - shown.top) / 130 - 1);
}

TEST_F(MainForm, ACheckedQuoteAndAScrolledList) {
  dom::element second = find("#thequotelist").child(1);
  second.set_state(state::checked);
  dom::element box = find("#quotebox");
  render::scroll_metrics metrics;
  ASSERT_TRUE(view_->scroll_info(box, metrics));
  ASSERT_GT(metrics.max_scroll_y(), 0);
  QImage image = picture("mainform-checked.png");
  const htmlayout::rect card = view_->location(second.child(0).child(0));
  EXPECT_EQ(at(image, card.left + (card.right - card.left) / 2, card.top + 4), QColor("#e9f0fd"));

  // To the end of the list: the last quote shows, the first does not.
  view_->set_scroll_pos(box, metrics.content_height);
  image = picture("mainform-scrolled.png");
  dom::element last = find("#thequotelist").child(quote_count_ - 1);
  const htmlayout::rect shown = view_->visible_area(last.child(0).child(0));
  ASSERT_GT(shown.bottom - shown.top, 20);
  EXPECT_EQ(at(image, shown.left + (shown.right - shown.left) / 2, shown.top + 4),
            QColor("#ffffff"));
  const htmlayout::rect hidden = view_->visible_area(find("#thequotelist").child(0));
  EXPECT_TRUE(hidden.right == hidden.left && hidden.bottom == hidden.top);
  // And back up to the checked quote.
  EXPECT_TRUE(view_->scroll_to_view(second));
  image = picture("mainform-back.png");
  const htmlayout::rect again = view_->location(second.child(0).child(0));
  EXPECT_EQ(at(image, again.left + (again.right - again.left) / 2, again.top + 4),
            QColor("#e9f0fd"));
}

}  // namespace
}  // namespace htmlayout::qt
