// The main window's page and style sheets as the program needs them: the
// regions the view edits, the behaviours the style sheets attach, the
// actions of menus and buttons, the context menus of one entry and of a
// selection, and the files the page refers to.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "tests/support/temp_dir.h"
#include "view/fragments.h"
#include "view/testing/html_tree.h"
#include "view/testing/style_rules.h"

namespace pvl {
namespace {

using view_testing::html_tree;
using view_testing::style_rules;

const std::filesystem::path kRes = std::filesystem::path(PARVELA_SOURCE_DIR) / "res";

std::string res_file(const std::string& name) { return testing_support::read_file(kRes / name); }

// The controller's actions by what their parameter is.
enum class param { quote, quote_table, tag, tag_table, none, other };
const std::map<std::string, param> kActions = {
    {"mark_quote_with_tag", param::other},
    {"mark_tag_with_quote", param::other},
    {"delete_vtag", param::tag},
    {"delete_vtags", param::tag_table},
    {"delete_quote_mark", param::other},
    {"delete_quote", param::quote},
    {"delete_quotes", param::quote_table},
    {"add_quote", param::other},
    {"add_search_tag", param::tag},
    {"add_search_tags", param::tag_table},
    {"delete_search_tag", param::other},
    {"clear_search_tags", param::none},
    {"add_tag", param::other},
    {"rename_vtag", param::tag},
    {"rename_tag", param::other},
    {"export_data", param::other},
    {"copy_quote", param::quote},
    {"copy_quotes", param::quote_table},
    {"copy_quotes_with_data", param::quote_table},
    {"copy_quote_with_data", param::quote},
    {"set_search_mode_and", param::none},
    {"set_search_mode_or", param::none},
};

// Every behaviour name the program registers.
const std::set<std::string> kBehaviors = {"body",
                                          "html",
                                          "managetags",
                                          "showtext",
                                          "manage-menu",
                                          "qtag",
                                          "quote",
                                          "quotelist",
                                          "taglist",
                                          "vtag",
                                          "about",
                                          "link",
                                          "sms",
                                          "export",
                                          "noticeclose",
                                          "recycled",
                                          "noticeclose",
                                          "searchbar",
                                          "stag",
                                          "wordfield",
                                          "cgrid",
                                          "csortable-grid",
                                          "ceditable_grid",
                                          "cquote_grid",
                                          "pvlsplitter",
                                          "notice",
                                          "noticeaction",
                                          "settings",
                                          "settings-menu",
                                          "noticeclose",
                                          "clock",
                                          "collapsible-by-icon",
                                          "command",
                                          "editable-select",
                                          "expandable-list",
                                          "collapsible-list",
                                          "grid",
                                          "sortable-grid",
                                          "hyperlink",
                                          "dropdown",
                                          "popup",
                                          "select-buddy",
                                          "select-checkmark",
                                          "splitter",
                                          "tabs",
                                          "accesskeys"};

// The page as the view fills it: two tags, a quote carrying both, one tag in
// the search bar and the manage-tags items. `table_attribute` is added to
// both list tables (for instance "multiselect").
std::string filled_page(const std::string& table_attribute = "") {
  std::string html = res_file("mainform.htm");
  auto insert = [&](const std::string& open_tag, const std::string& content) {
    size_t at = html.find(open_tag);
    if (at == std::string::npos) return;
    html.insert(at + open_tag.size(), content);
  };
  const Tag alpha{1, "alpha"}, beta{2, "beta"};
  const Quote quote{7, "a<b", 1204880703, {beta, alpha}};
  insert("<table id=\"taglist\" multiple", " " + table_attribute);
  insert("<table id=\"thequotelist\" multiple", " " + table_attribute);
  insert("<table id=\"taglist\" multiple " + table_attribute + ">",
         row_fragment(vtag_fragment(alpha)) + row_fragment(vtag_fragment(beta)));
  insert("<table id=\"thequotelist\" multiple " + table_attribute + ">",
         row_fragment(quote_fragment(quote)));
  insert("id=\"manage-tags\">", mtm_item_fragment(alpha) + mtm_item_fragment(beta));
  return html;
}

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() {
    std::regex link("<link [^>]*href=\"([^\"]+)\"");
    const std::string html = res_file("mainform.htm");
    for (std::sregex_iterator i(html.begin(), html.end(), link), end; i != end; ++i) {
      sheets_.push_back((*i)[1].str());
      styles_.add(res_file(sheets_.back()));
    }
  }

  std::string behavior(const GumboNode* e) const {
    return e ? styles_.value(e, "behavior") : "(no element)";
  }

  static const GumboNode* first_of_tag(const html_tree& page, const std::string& tag) {
    for (const GumboNode* e : page.elements())
      if (html_tree::tag(e) == tag) return e;
    return nullptr;
  }
  static const GumboNode* first_of_class(const html_tree& page, const std::string& css_class) {
    for (const GumboNode* e : page.elements())
      if (html_tree::has_class(e, css_class)) return e;
    return nullptr;
  }

  // The nearest element at or above `e` with a behaviour.
  const GumboNode* behavior_holder(const GumboNode* e, const std::string& name) const {
    for (; e && e->type == GUMBO_NODE_ELEMENT; e = e->parent)
      if (behavior(e) == name) return e;
    return nullptr;
  }

  // The menu named by the element's context-menu: selector(#id).
  const GumboNode* context_menu(const html_tree& page, const GumboNode* e) const {
    std::smatch found;
    const std::string value = styles_.value(e, "context-menu");
    if (!std::regex_match(value, found, std::regex("selector\\(#([a-z-]+)\\)"))) return nullptr;
    return page.by_id(found[1].str());
  }

  static std::vector<std::string> actions_of(const GumboNode* menu) {
    std::vector<std::string> actions;
    html_tree::walk(menu, [&](const GumboNode* e) {
      if (html_tree::has_attribute(e, "action"))
        actions.push_back(html_tree::attribute(e, "action"));
    });
    return actions;
  }

  std::vector<std::string> sheets_;
  style_rules styles_;
};

TEST_F(MainFormTest, ProvidesTheRegionsTheViewEdits) {
  html_tree page(res_file("mainform.htm"));
  for (const char* id : {"taglist", "thequotelist"}) {
    const GumboNode* table = page.by_id(id);
    ASSERT_NE(table, nullptr) << id;
    EXPECT_EQ(html_tree::tag(table), "table") << id;
    EXPECT_TRUE(html_tree::has_attribute(table, "multiple")) << id;
    EXPECT_TRUE(html_tree::children(table).empty()) << id << " starts empty";
  }
  // The search bar starts exactly as the view leaves it when it empties it.
  const GumboNode* bar = page.by_id("p-searchbar");
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(html_tree::has_attribute(bar, "is_empty"));
  EXPECT_FALSE(html_tree::attribute(bar, "class").empty()) << "a drop target needs a class";
  html_tree caption(kSearchCaptionFragment, GUMBO_TAG_DIV);
  auto expected = html_tree::children(caption.root());
  auto shown = html_tree::children(bar);
  ASSERT_EQ(shown.size(), 1u);
  ASSERT_EQ(expected.size(), 1u);
  EXPECT_EQ(html_tree::tag(shown[0]), html_tree::tag(expected[0]));
  EXPECT_EQ(html_tree::attribute(shown[0], "class"), html_tree::attribute(expected[0], "class"));
  EXPECT_EQ(html_tree::text(shown[0]), html_tree::text(expected[0]));

  const GumboNode* menu = page.by_id("manage-tags");
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(html_tree::children(menu).empty());
  const GumboNode* bin = page.by_id("recycled");
  ASSERT_NE(bin, nullptr);
  EXPECT_FALSE(html_tree::attribute(bin, "class").empty()) << "a drop target needs a class";
  // Ids are unique: the view and the controller find elements by them.
  std::set<std::string> ids;
  for (const GumboNode* e : page.elements()) {
    if (!html_tree::has_attribute(e, "id")) continue;
    EXPECT_TRUE(ids.insert(html_tree::attribute(e, "id")).second) << html_tree::attribute(e, "id");
  }
}

TEST_F(MainFormTest, StyleSheetsUseOnlySelectorsTheEngineMatches) {
  EXPECT_FALSE(sheets_.empty());
  EXPECT_TRUE(styles_.invalid().empty()) << ::testing::PrintToString(styles_.invalid());
  for (const auto& rule : styles_.rules()) {
    auto found = rule.declarations.find("behavior");
    if (found != rule.declarations.end()) {
      EXPECT_TRUE(kBehaviors.count(found->second)) << rule.text << ": " << found->second;
    }
  }
}

TEST_F(MainFormTest, BehavioursSitOnTheirElements) {
  html_tree page(filled_page());
  auto by_id = [&](const char* id) {
    const GumboNode* e = page.by_id(id);
    EXPECT_NE(e, nullptr) << id;
    return e;
  };
  EXPECT_EQ(behavior(first_of_tag(page, "html")), "html");
  EXPECT_EQ(behavior(first_of_tag(page, "body")), "body");
  EXPECT_EQ(behavior(by_id("taglist")), "ceditable_grid");
  EXPECT_EQ(behavior(by_id("thequotelist")), "cquote_grid");
  EXPECT_EQ(behavior(by_id("p-searchbar")), "searchbar");
  EXPECT_EQ(behavior(by_id("manage-tags")), "manage-menu");
  EXPECT_EQ(behavior(by_id("recycled")), "recycled");
  EXPECT_EQ(behavior(by_id("export")), "export");
  EXPECT_EQ(behavior(by_id("about")), "about");
  // The fragments the view inserts get theirs from the same sheets.
  EXPECT_EQ(behavior(by_id("vt-1")), "vtag");
  EXPECT_EQ(behavior(by_id("q-7")), "quote");
  EXPECT_EQ(behavior(by_id("qt-7-2")), "qtag");
  EXPECT_EQ(behavior(first_of_class(page, "managetags")), "managetags");
  html_tree search(stag_fragment(Tag{3, "gamma"}), GUMBO_TAG_DIV);
  EXPECT_EQ(behavior(html_tree::children(search.root()).at(0)), "stag");
  // No other element of the fragments has one of its own.
  EXPECT_EQ(behavior(first_of_class(page, "links")), "");
  EXPECT_EQ(behavior(first_of_class(page, "qtable")), "");
}

TEST_F(MainFormTest, ListHoldersSeeOnlyTheirOwnTableRowsAndButtons) {
  html_tree page(filled_page());
  // The tag list's holder starts a new tag for any button clicked inside,
  // and both holders act on their first table and first checked element.
  const GumboNode* tags = behavior_holder(page.by_id("taglist"), "taglist");
  const GumboNode* quotes = behavior_holder(page.by_id("thequotelist"), "quotelist");
  ASSERT_NE(tags, nullptr);
  ASSERT_NE(quotes, nullptr);
  std::vector<std::string> tag_buttons, tag_tables, quote_tables;
  html_tree::walk(tags, [&](const GumboNode* e) {
    if (html_tree::tag(e) == "button") tag_buttons.push_back(html_tree::attribute(e, "id"));
    if (html_tree::tag(e) == "table") tag_tables.push_back(html_tree::attribute(e, "id"));
    EXPECT_FALSE(html_tree::has_attribute(e, "checked")) << html_tree::attribute(e, "id");
  });
  html_tree::walk(quotes, [&](const GumboNode* e) {
    if (html_tree::tag(e) == "table") quote_tables.push_back(html_tree::attribute(e, "id"));
    EXPECT_FALSE(html_tree::has_attribute(e, "checked")) << html_tree::attribute(e, "id");
  });
  EXPECT_EQ(tag_buttons, std::vector<std::string>{"newtag"});
  ASSERT_FALSE(tag_tables.empty());
  EXPECT_EQ(tag_tables.front(), "taglist");
  ASSERT_FALSE(quote_tables.empty());
  EXPECT_EQ(quote_tables.front(), "thequotelist");
  // Each list scrolls on its own.
  for (const GumboNode* list : {page.by_id("taglist"), page.by_id("thequotelist")}) {
    bool scrolls = false;
    for (const GumboNode* up = list; up && up->type == GUMBO_NODE_ELEMENT; up = up->parent)
      scrolls = scrolls || styles_.value(up, "overflow") == "auto";
    EXPECT_TRUE(scrolls) << html_tree::attribute(list, "id");
  }
}

TEST_F(MainFormTest, MenusAndButtonsNameTheControllersActions) {
  html_tree page(res_file("mainform.htm"));
  int items = 0;
  std::set<std::string> messages;
  for (const GumboNode* e : page.elements()) {
    if (html_tree::has_attribute(e, "action")) {
      ++items;
      EXPECT_TRUE(kActions.count(html_tree::attribute(e, "action")))
          << html_tree::attribute(e, "action");
      EXPECT_EQ(html_tree::tag(e->parent), "menu") << html_tree::attribute(e, "action");
    }
    if (html_tree::has_attribute(e, "message")) {
      // A button passes no element with its action.
      const std::string name = html_tree::attribute(e, "message");
      EXPECT_TRUE(kActions.count(name) && kActions.at(name) == param::none) << name;
      messages.insert(name);
    }
  }
  EXPECT_GT(items, 0);
  EXPECT_EQ(messages, (std::set<std::string>{"set_search_mode_and", "set_search_mode_or",
                                             "clear_search_tags"}));
}

TEST_F(MainFormTest, ListMenusMatchOneEntryOrASelection) {
  // The list behaviours hand a menu's action the entry's div while at most
  // one row is checked and the table while several are ("multiselect").
  struct expectation {
    const char* table;
    const char* attribute;
    param wanted;
  };
  for (const expectation& check : {expectation{"thequotelist", "", param::quote},
                                   expectation{"thequotelist", "multiselect", param::quote_table},
                                   expectation{"taglist", "", param::tag},
                                   expectation{"taglist", "multiselect", param::tag_table}}) {
    html_tree page(filled_page(check.attribute));
    const GumboNode* menu = context_menu(page, page.by_id(check.table));
    ASSERT_NE(menu, nullptr) << check.table << " " << check.attribute;
    std::vector<std::string> actions = actions_of(menu);
    EXPECT_FALSE(actions.empty());
    for (const std::string& action : actions) {
      ASSERT_TRUE(kActions.count(action)) << action;
      EXPECT_EQ(kActions.at(action), check.wanted)
          << check.table << " " << check.attribute << ": " << action;
    }
  }
  // The search bar's menu hands over the bar itself: only actions without
  // an element fit.
  html_tree page(filled_page());
  const GumboNode* menu = context_menu(page, page.by_id("p-searchbar"));
  ASSERT_NE(menu, nullptr);
  for (const std::string& action : actions_of(menu)) EXPECT_EQ(kActions.at(action), param::none);
  // Entries themselves open no menu of their own: the quote and tag
  // behaviours would answer it with their own element for any action.
  for (const char* id : {"q-7", "vt-1", "qt-7-2"})
    EXPECT_EQ(styles_.value(page.by_id(id), "context-menu"), "") << id;
}

TEST_F(MainFormTest, TheSplitterSitsBetweenTwoPanesInAHorizontalFlow) {
  html_tree page(res_file("mainform.htm"));
  const GumboNode* splitter = nullptr;
  for (const GumboNode* e : page.elements())
    if (behavior(e) == "pvlsplitter") splitter = e;
  ASSERT_NE(splitter, nullptr);
  auto siblings = html_tree::children(splitter->parent);
  auto at = std::find(siblings.begin(), siblings.end(), splitter);
  ASSERT_NE(at, siblings.begin());
  ASSERT_NE(at + 1, siblings.end());
  EXPECT_EQ(html_tree::attribute(*(at - 1), "id"), "tagpane");
  EXPECT_EQ(html_tree::attribute(*(at + 1), "id"), "quotepane");
  EXPECT_EQ(styles_.value(splitter->parent, "flow"), "horizontal");
  // The splitter sizes whichever pane is under half the parent and gives the
  // other a flexible width that the renderer cannot read. The tag pane stays
  // under half, so it is always the one sized, and the quote pane's width is
  // fixed to the rest whatever the splitter writes into its style.
  std::smatch percent;
  const std::string max_width = styles_.value(*(at - 1), "max-width");
  ASSERT_TRUE(std::regex_match(max_width, percent, std::regex("([0-9]+)%"))) << max_width;
  EXPECT_LT(std::stoi(percent[1].str()), 50);
  EXPECT_EQ(styles_.value(*(at + 1), "width"), "auto !important");
}

TEST_F(MainFormTest, DragCursorsAndEveryReferencedFileExistByExactName) {
  html_tree quote_drag(std::regex_replace(res_file("mainform.htm"), std::regex("<body>"),
                                          "<body cursor=\"dragquote.cur\">"));
  html_tree tag_drag(std::regex_replace(res_file("mainform.htm"), std::regex("<body>"),
                                        "<body cursor=\"dragtag.cur\">"));
  auto body_cursor = [&](const html_tree& page) {
    return styles_.value(first_of_tag(page, "body"), "cursor");
  };
  EXPECT_EQ(body_cursor(quote_drag), "url(dragquote.cur)");
  EXPECT_EQ(body_cursor(tag_drag), "url(dragtag.cur)");

  // Names in the page and the sheets are looked up exactly, letter case
  // included, among the files of res.
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(kRes))
    files.insert(entry.path().filename().string());
  std::string all = res_file("mainform.htm");
  for (const std::string& sheet : sheets_) all += res_file(sheet);
  std::regex reference("(?:src|href)=\"([^\"#:]+)\"|url\\(([^)]+)\\)");
  int count = 0;
  for (std::sregex_iterator i(all.begin(), all.end(), reference), end; i != end; ++i) {
    std::string name = (*i)[1].matched ? (*i)[1].str() : (*i)[2].str();
    EXPECT_TRUE(files.count(name)) << name;
    ++count;
  }
  EXPECT_GE(count, 6);
  for (const char* needed : {"mainform.htm", "about.png", "dragquote.cur", "dragtag.cur"})
    EXPECT_TRUE(files.count(needed)) << needed;
}

TEST_F(MainFormTest, DragCursorsAreWindowsCursorFiles) {
  for (const char* name : {"dragquote.cur", "dragtag.cur"}) {
    const std::string bytes = res_file(name);
    ASSERT_GE(bytes.size(), 22u) << name;
    auto word = [&](size_t at) {
      return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
             static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    };
    auto dword = [&](size_t at) { return word(at) | word(at + 2) << 16; };
    EXPECT_EQ(word(0), 0u);  // reserved
    EXPECT_EQ(word(2), 2u);  // a cursor, not an icon
    ASSERT_EQ(word(4), 1u);  // one image
    const unsigned width = static_cast<unsigned char>(bytes[6]);
    const unsigned height = static_cast<unsigned char>(bytes[7]);
    EXPECT_EQ(width, 32u);
    EXPECT_EQ(height, 32u);
    EXPECT_LT(word(10), width);  // hot spot inside the image
    EXPECT_LT(word(12), height);
    const unsigned size = dword(14), offset = dword(18);
    EXPECT_EQ(offset + size, bytes.size());
    EXPECT_EQ(dword(offset), 40u);             // a BITMAPINFOHEADER
    EXPECT_EQ(dword(offset + 8), 2 * height);  // image and mask
  }
}

}  // namespace
}  // namespace pvl
