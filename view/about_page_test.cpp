// The about box's page (built into the program as resource 123): what the
// dialog and the "link" behaviour rely on, and the images it takes from res.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/support/temp_dir.h"
#include "view/testing/html_tree.h"
#include "view/testing/style_rules.h"

namespace pvl {
namespace {

using view_testing::html_tree;

const std::filesystem::path kSource = PARVELA_SOURCE_DIR;

class AboutPageTest : public ::testing::Test {
 protected:
  AboutPageTest()
      : html_(testing_support::read_file(kSource / "view" / "about.htm")), page_(html_) {
    std::smatch style;
    if (std::regex_search(html_, style, std::regex("<style>([^<]*)</style>")))
      styles_.add(style[1].str());
  }
  std::string html_;
  html_tree page_;
  view_testing::style_rules styles_;
};

TEST_F(AboutPageTest, EnterAndEscapeCloseTheBox) {
  const GumboNode* ok = page_.by_id("IDOK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(html_tree::tag(ok), "button");
  EXPECT_EQ(html_tree::attribute(ok, "name"), "OK");
  EXPECT_EQ(html_tree::attribute(ok, "role"), "default-button");
  // Escape clicks the cancel button, a hidden one named as a closing button.
  int cancels = 0;
  for (const GumboNode* e : page_.elements()) {
    if (html_tree::attribute(e, "role") != "cancel-button") continue;
    ++cancels;
    EXPECT_EQ(html_tree::tag(e), "button");
    EXPECT_EQ(html_tree::attribute(e, "name"), "CLOSE");
  }
  EXPECT_EQ(cancels, 1);
  // The root has no "html" behaviour: its Escape would close the main window
  // instead of the box.
  EXPECT_EQ(styles_.value(page_.elements().at(0), "behavior"), "");
}

TEST_F(AboutPageTest, LinksCarryTheirTargetAndTheLinkBehaviour) {
  EXPECT_TRUE(styles_.invalid().empty()) << ::testing::PrintToString(styles_.invalid());
  int links = 0;
  for (const GumboNode* e : page_.elements()) {
    if (!html_tree::has_class(e, "link")) continue;
    ++links;
    EXPECT_EQ(styles_.value(e, "behavior"), "link") << html_tree::text(e);
    // A web address, or the help page that ships with the program; no
    // address of a site that does not exist.
    const std::string target = html_tree::attribute(e, "link");
    EXPECT_TRUE(std::regex_match(target, std::regex("https?://[^ ]+|Parvela Help\\.html")))
        << html_tree::text(e);
    EXPECT_EQ(target.find(".example"), std::string::npos);
  }
  EXPECT_GE(links, 3);
  ASSERT_NE(page_.by_id("info-table"), nullptr);
  EXPECT_TRUE(html_tree::has_class(page_.by_id("info-table"), "info-table"));
  ASSERT_NE(page_.by_id("credits"), nullptr);
  EXPECT_EQ(styles_.value(page_.by_id("credits"), "overflow"), "auto");
  EXPECT_EQ(styles_.value(page_.by_id("credits"), "height"), "200px");
  EXPECT_NE(html_tree::text(page_.by_id("version")).find("Version: 2.0"), std::string::npos);
}

TEST_F(AboutPageTest, ImagesComeFromTheResourceFolderByExactName) {
  std::regex reference("url\\(([^)]+)\\)|src=\"([^\"]+)\"");
  int count = 0;
  for (std::sregex_iterator i(html_.begin(), html_.end(), reference), end; i != end; ++i) {
    const std::string name = (*i)[1].matched ? (*i)[1].str() : (*i)[2].str();
    EXPECT_TRUE(std::filesystem::is_regular_file(kSource / "res" / name)) << name;
    ++count;
  }
  EXPECT_GE(count, 1);
  EXPECT_NE(html_.find("url(about.png)"), std::string::npos);
}

}  // namespace
}  // namespace pvl
