// The owner of the program's objects: their order, accessors and connections.
#include "view/program.h"

#include <gtest/gtest.h>

#include "controller/controller_instance.h"
#include "fml/app_errors.h"
#include "view/testing/program_window.h"
#include "view/view_instance.h"

namespace pvl {
namespace {

using Lines = std::vector<std::string>;

// One whose view cannot load its page deletes what it had made, in reverse, and raises.
TEST(ProgramObjectsTest, CreatesInOrderAndDeletesInReverse) {
  const testing_support::temp_dir empty;
  const struct { std::filesystem::path res; Lines app, debug; } cases[] = {
      {std::filesystem::path(PARVELA_SOURCE_DIR) / "res",
       {"model - created.", "controller - created.", "ResourceMgr - created.",
        "taglist::init successfull.", "thequotelist::init successfull.", "view - created.",
        "view - deleted.", "ResourceMgr - deleted.", "controller - deleted.", "model - deleted."},
       {"Model init", "Controller init", "ResourceMgr init", "view init", "veiw destruct",
        "ResourceMgr destruct", "Controller destruct", "Model destruct"}},
      {empty.path(),
       {"model - created.", "controller - created.", "ResourceMgr - created.",
        "ResourceMgr - deleted.", "controller - deleted.", "model - deleted."},
       {"Model init", "Controller init", "ResourceMgr init", "ResourceMgr destruct",
        "Controller destruct", "Model destruct"}},
  };
  for (const auto& c : cases) {
    controller_testing::program_folders env;
    try {
      program objects(nullptr, c.res.wstring());
      EXPECT_EQ(&model(), &objects.model());
      EXPECT_EQ(&controller(), &objects.controller());
      EXPECT_EQ(&resource_mgr(), &objects.resources());
      EXPECT_EQ(&view(), &objects.view());
      model().on_model_event(model_events::initial_load{});
      EXPECT_TRUE(view().document().root().select_first("[id='q-2']"));  // the page shows it
    } catch (const resource_not_found_error&) {
      EXPECT_EQ(c.res, empty.path());
    }
    EXPECT_THROW(model(), fml::exception);
    EXPECT_THROW(view(), fml::exception);
    Lines app, debug;
    for (const std::string& line : env.collection.new_lines("app"))
      if (line.starts_with("Singleton: ") || line.ends_with("::init successfull."))
        app.push_back(line.substr(line.starts_with("Singleton: ") ? 11 : 0));
    for (const std::string& line : env.collection.new_lines("debug"))
      if (line.ends_with(" init") || line.ends_with(" destruct")) debug.push_back(line);
    EXPECT_EQ(app, c.app) << c.res;
    EXPECT_EQ(debug, c.debug) << c.res;
  }
}

// Quotes 101 to 400 ("number N") after those of a new collection.
void add_300_quotes(testing::program_window& w) {
  SQLite::Database(w.env.collection.db_file().string(), SQLite::OPEN_READWRITE)
      .exec("WITH RECURSIVE n(id) AS (SELECT 101 UNION ALL SELECT id + 1 FROM n WHERE id < 400) "
            "INSERT INTO quote (m_id, m_utftext, m_stamp) SELECT id, 'number ' || id, 1 FROM n");
}

TEST(ProgramObjectsTest, CardsOfALongListAreBuiltWhereNeeded) {
  testing::program_window w;
  add_300_quotes(w);
  model().on_model_event(model_events::initial_load{});
  w.screen().view().update();
  const auto built = [&] {
    return std::ranges::count_if(w.root().select_all("div.quote"), &htmlayout::dom::element::content_built);
  };
  const auto in_view = built();
  EXPECT_GT(in_view, 3);
  EXPECT_LT(in_view, 60);
  EXPECT_FALSE(w.by_id("q-101").content_built());
  model().on_model_event(model_events::mark_quote{{101, 1}});
  EXPECT_EQ(w.ids("[id='q-101'] div.qtag"), Lines{"qt-101-1"});  // built by the event
  testing_support::temp_dir dir;
  view().dump((dir.path() / "missing" / "page.htm").string());  // no folder: nothing written
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
  view().dump((dir.path() / "page.htm").string());
  const std::string page = testing_support::read_file(dir.path() / "page.htm");
  for (int id : {1, 4, 102, 250, 400})
    EXPECT_NE(page.find("id=\"q-" + std::to_string(id) + "\"><table"), std::string::npos) << id;
  EXPECT_NE(page.find("number 250"), std::string::npos);
  EXPECT_EQ(built(), in_view + 1);
}

// At start-up the list holds back the rows beyond a first screenful until
// the window asks for them, an event arrives or the page is written out.
TEST(ProgramObjectsTest, ALongListHeldBackAtStartIsCompletedWhole) {
  enum class completion { asked, by_event, by_dump };
  for (completion how : {completion::asked, completion::by_event, completion::by_dump}) {
    testing::program_window w;
    add_300_quotes(w);
    view().hold_back_rows_of_next_list();
    model().on_model_event(model_events::initial_load{});
    const auto rows = [&] { return w.root().select_all("div.quote").size(); };
    EXPECT_EQ(rows(), pvview::kFirstRows);
    EXPECT_EQ(w.by_id("quote-count").text(), L"304 quotes");  // the rows held back count
    EXPECT_FALSE(w.by_id("q-1"));
    testing_support::temp_dir dir;
    if (how == completion::asked) view().complete_quote_list();
    if (how == completion::by_event) model().on_model_event(model_events::mark_quote{{1, 2}});
    if (how == completion::by_dump) view().dump((dir.path() / "page.htm").string());
    EXPECT_EQ(rows(), 304u);
    const std::vector<htmlayout::dom::element> cards = w.root().select_all("div.quote");
    EXPECT_EQ(cards.front().get_attribute_utf8("id"), "q-400");
    EXPECT_EQ(cards.back().get_attribute_utf8("id"), "q-1");
    if (how == completion::by_event) {
      EXPECT_EQ(w.ids("[id='q-1'] div.qtag"), Lines{"qt-1-2"});
    }
    if (how == completion::by_dump) {
      EXPECT_NE(testing_support::read_file(dir.path() / "page.htm").find("id=\"q-1\""),
                std::string::npos);
    }
    EXPECT_EQ(w.by_id("quote-count").text(), L"304 quotes");
  }
}

}  // namespace
}  // namespace pvl
