// The model's event entry: the view events each model event sends, its log lines and errors.
#include "model/pvl_model.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include "fml/app_errors.h"
#include "fml/text.h"
#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"

namespace pvl {
namespace {

using model_testing::quote_ids;
using Ids = std::vector<int32_t>;
using Lines = std::vector<std::string>;
namespace me = model_events;
namespace ve = view_events;

// The default collection of test_collection: tags 1 alpha, 2 beta, 3 gamma;
// quotes 1 "one", 2 "two" (tags 3, 1), 3 "three" (tag 2), 4 "four".
class ModelEventTest : public ::testing::Test {
 protected:
  ModelEventTest() { model_.set_view(&view_); }
  void send(const model_event& event) { model_.on_model_event(event); }
  const model_testing::recorded_event& event(size_t index) const { return view_.events.at(index); }

  model_testing::test_collection collection_;
  model_testing::view_recorder view_;
  pvlModel model_;
};

// Each row starts on a fresh default collection with the tags of `search` searched for.
TEST(ModelEventsTest, EachEventSendsItsViewEventsInOrder) {
  const std::string all = "update_quotes 1 2(gamma,alpha) 3(beta) 4";
  const Ids missing_among{4, 9, 2}, two_one{2, 1}, two_one_three{2, 1, 3}, three_one{3, 1};
  const tag_rename taken{2, L"gamma"}, fresh{2, L"b\u00eata"};
  testing_support::temp_dir folder;
  const std::string file = (folder.path() / "quotes.html").string(), nowhere = folder.str() + "/no/q.html";
  const std::wstring to_file = fml::utf82wchar(file), to_nowhere = fml::utf82wchar(nowhere);
  const std::string exported = "notice: Exported 1 quote to " + file;
  const std::string failed =
      "The export failed: " + nowhere + " could not be written (No such file or directory).";
  const struct {
    const char* name;
    Ids search;
    std::vector<model_event> sent;
    Lines events, log;
  } rows[] = {
      {"add quote", {}, {me::add_quote{"caf\u00e9 <b>"}}, {"add_quote 5 caf\u00e9 <b>"},
       {"add_quote complete; id: 5"}},
      {"delete quote: announced before it goes", {}, {me::delete_quote{2}, me::delete_quote{2}},
       {"delete_quote 2", "refresh_quotes", "undo_note", "delete_quote 2", "wrong quote"},
       {"delete_quote complete; id: 2"}},
      {"a missing id stops the list, the ones before stay deleted", {},
       {me::delete_quotes{missing_among}, me::initial_load{}},
       {"delete_quote 4", "delete_quote 9", "wrong quote", "update_tags alpha,beta,gamma",
        "update_quotes 1 2(gamma,alpha) 3(beta)"},
       {}},
      {"add tag: a taken name uses no id", {}, {me::add_tag{L"alpha"}, me::add_tag{L"delta"}},
       {"wrong_tag", "add_tag_id 4"}, {"add_tag complete; id: -1", "add_tag complete; id: 4"}},
      {"delete a search tag: leaves the search first", {3, 1}, {me::delete_tag{3}},
       {"delete_search_tag 3", "delete_tag 3", "update_quotes 2(alpha)", "undo_note"},
       {"delete_tag complete; id: 3"}},
      {"delete tags: all go, then the list once", {1}, {me::delete_tags{two_one}},
       {"delete_search_tag 1", "delete_tag 2", "delete_tag 1", "update_quotes 1 2(gamma) 3 4", "undo_note"},
       {"delete_tags complete; id: "}},
      {"rename to a taken name: the old one stays", {}, {me::rename_tag{taken}}, {"rename_tag 2 beta", all},
       {"rename_tag complete; id: 2"}},
      {"rename a search tag", {2}, {me::rename_tag{fresh}},
       {"rename_tag 2 b\u00eata", "rename_stag 2 b\u00eata", "update_quotes 3(b\u00eata)"},
       {"rename_tag complete; id: 2"}},
      {"marking twice sends the mark once", {},
       {me::mark_quote{{4, 2}}, me::mark_quote{{4, 2}}, me::mark_quote{{4, 9}}, me::mark_quote{{9, 2}}},
       {"mark_quote 4 beta", "wrong tag", "wrong quote"},
       {"mark_quote complete; quote: 4; tag: 2", "mark_quote complete; quote: 4; tag: 2"}},
      {"delete a mark", {}, {me::delete_mark{{2, 3}}}, {"delete_mark 2/3"},
       {"delete_mark complete; quote: 2; tag: 3"}},
      {"delete a mark during a search: the list again", {1}, {me::delete_mark{{2, 1}}, me::delete_mark{{2, 1}}},
       {"delete_mark 2/1", "update_quotes", "wrong tag"}, {"delete_mark complete; quote: 2; tag: 1"}},
      {"a search tag twice", {}, {me::add_search_tag{2}, me::add_search_tag{2}},
       {"add_search_tag beta", "update_quotes 3(beta)"},
       {"add_search_tag complete; id: 2", "add_search_tag complete; id: 2"}},
      {"search tags: the new ones, then the list", {2}, {me::add_search_tags{two_one_three}},
       {"add_search_tag alpha", "add_search_tag gamma", "update_quotes"}, {}},
      {"search tags already there", {3, 1}, {me::add_search_tags{three_one}}, {}, {}},
      {"delete a search tag", {2, 1, 3}, {me::delete_search_tag{2}, me::delete_search_tag{2}},
       {"delete_search_tag 2", "update_quotes 2(gamma,alpha)", "wrong tag"},
       {"delete_search_tag complete; id: 2"}},
      {"mode and clear on an empty search", {}, {me::set_search_mode_or{}, me::clear_search_tags{}}, {}, {}},
      {"export the search", {1}, {me::export_data{to_file}}, {exported}, {exported}},
      {"a failed export is reported, not raised", {}, {me::export_data{to_nowhere}}, {"error: " + failed},
       {"export_data failed: " + nowhere + ": Error code: 2 No such file or directory", "notice: " + failed}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    model_testing::test_collection collection;
    model_testing::view_recorder view;
    pvlModel model;
    model.set_view(&view);
    for (int32_t tag : r.search) model.on_model_event(me::add_search_tag{tag});
    view.clear();
    collection.mark_logs();
    Lines seen;
    for (const model_event& event : r.sent) {
      std::string raised;
      try {
        model.on_model_event(event);
      } catch (const wrong_quote_id&) {
        raised = "wrong quote";
      } catch (const wrong_tag_id&) {
        raised = "wrong tag";
      }
      for (const std::string& line : view.described()) seen.push_back(line);
      if (!raised.empty()) seen.push_back(raised);
      view.clear();
    }
    EXPECT_EQ(seen, r.events);
    EXPECT_EQ(collection.new_lines("model"), r.log);
  }
  const std::string page = testing_support::read_file(file);
  EXPECT_NE(page.find("two<br>Tags: gamma, alpha<br><br>"), std::string::npos) << page;
}

// Later changes take the deleted ids, mark positions and tag name; undo must restore around them.
TEST_F(ModelEventTest, UndoRestoresTheLastDeletionAroundLaterChanges) {
  send(me::initial_load{});
  const std::vector<Quote> before = view_.events.back().quotes;
  send(me::delete_quote{4});
  send(me::delete_quote_also{3});  // the same step
  send(me::add_quote{"five"});     // stored after quote 2, in the deleted places
  send(me::delete_tag{1});         // quote 2 keeps tag 3 at position 1
  send(me::mark_quote{{2, 2}});    // and gets tag 2 at position 2, where tag 1 was
  send(me::add_tag{L"alpha"});     // tag 4, with the deleted tag's name
  EXPECT_EQ(view_.events.back().id, ve::vadd_tag_id::id);
  view_.clear();
  send(me::undo_delete{});
  EXPECT_EQ(view_.ids(), (Ids{ve::vupdate_tags::id, ve::vupdate_quotes::id, ve::vundo_note::id}));
  EXPECT_EQ(event(2).note.tags, Lines{"alpha (2)"});
  EXPECT_TRUE(event(2).note.restored);
  std::vector<std::string> names;
  for (const Tag& tag : event(0).tags) names.push_back(std::to_string(tag.m_id) + tag.m_utfname);
  EXPECT_EQ(names, (Lines{"1alpha (2)", "2beta", "3gamma", "4alpha"}));
  // The lookup the manage popup reads: the stored marks in their order.
  EXPECT_EQ(model_testing::tag_names(model_.quote(2)->m_tags), "gamma,alpha (2),beta");
  EXPECT_FALSE(model_.quote(9));
  view_.clear();
  send(me::undo_delete{});
  EXPECT_EQ(event(1).note.quotes, 2);
  send(me::initial_load{});
  const std::vector<Quote> after = view_.events.back().quotes;
  EXPECT_EQ(quote_ids(after), (Ids{1, 2, 3, 4, 5}));
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].m_utftext, before[i].m_utftext);
    EXPECT_EQ(after[i].m_stamp, before[i].m_stamp);
  }
  view_.clear();
  send(me::undo_delete{});  // nothing left: says so and changes nothing
  EXPECT_EQ(view_.ids(), Ids{ve::vundo_note::id});
  EXPECT_TRUE(event(0).note.restored && event(0).note.quotes == 0 && event(0).note.tags.empty());
}

// One Delete of most of the collection: read for the undo and removed by whole-table passes, with
// the foreign key checks paused. The file must keep its indexes, links and checks, and undo all.
TEST_F(ModelEventTest, DeletingMostQuotesInOneBatchKeepsTheFileWholeAndUndoesIt) {
  send(me::initial_load{});
  SQLite::Database file(collection_.db_file().string(), SQLite::OPEN_READWRITE);
  file.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
            "INSERT INTO quote (m_id, m_utftext, m_stamp) SELECT 100 + i, 'text ' || i, i FROM n;"
            "INSERT INTO quote_tag (quote, pos, tag) SELECT m_id, 1, 2 FROM quote WHERE m_id > 100 AND m_id % 3 = 0");
  const auto count = [&](const char* sql) { return file.execAndGet(sql).getInt64(); };
  const char kLinks[] = "SELECT count(*) || ' ' || sum(quote * pos * tag) FROM quote_tag";
  const std::string links_before = file.execAndGet(kLinks).getString();
  model_.begin_deletions();
  send(me::delete_quote{2});  // tags 3 and 1
  for (int32_t id = 101; id <= 1600; ++id) send(me::delete_quote_also{id});
  EXPECT_THROW(send(me::delete_quote_also{9999}), wrong_quote_id);
  model_.end_deletions();
  EXPECT_EQ(count("SELECT count(*) FROM quote"), 2004 - 1501);
  EXPECT_EQ(count("SELECT count(*) FROM quote_tag WHERE quote = 2 OR quote BETWEEN 101 AND 1600"), 0);
  EXPECT_EQ(count("SELECT count(*) FROM quote_tag"), 1 + 167);  // quote 3; 1602, 1605 ... 2100
  EXPECT_EQ(count("SELECT count(*) FROM sqlite_master WHERE name IN ('quote_tag_by_tag', "
                  "'quote_by_stamp', 'quote_words_delete', 'quote_chars_delete')"),
            4);
  EXPECT_EQ(file.execAndGet("PRAGMA integrity_check").getString(), "ok");
  EXPECT_EQ(count("SELECT count(*) FROM pragma_foreign_key_check"), 0);
  EXPECT_EQ(event(view_.events.size() - 1).note.quotes, 1501);
  send(me::undo_delete{});
  EXPECT_EQ(count("SELECT count(*) FROM quote"), 2004);
  EXPECT_EQ(file.execAndGet(kLinks).getString(), links_before);
  EXPECT_EQ(file.execAndGet("SELECT m_utftext || m_stamp FROM quote WHERE m_id = 1600").getString(),
            "text 15001500");
  // Every quote at once: the tables are emptied whole, and all comes back.
  std::vector<int32_t> every;
  for (SQLite::Statement ids(file, "SELECT m_id FROM quote"); ids.executeStep();)
    every.push_back(ids.getColumn(0).getInt());
  model_.begin_deletions();
  for (int32_t id : every) send(me::delete_quote_also{id});
  model_.end_deletions();
  EXPECT_EQ(count("SELECT (SELECT count(*) FROM quote) + (SELECT count(*) FROM quote_tag)"), 0);
  EXPECT_EQ(file.execAndGet("PRAGMA integrity_check").getString(), "ok");
  send(me::undo_delete{});
  EXPECT_EQ(count("SELECT count(*) FROM quote"), 2004);
  EXPECT_EQ(file.execAndGet(kLinks).getString(), links_before);
  // The model's checks are on again: a deleted tag takes its links along.
  send(me::delete_tag{2});
  EXPECT_EQ(count("SELECT count(*) FROM quote_tag WHERE tag = 2"), 0);
}

// Another program holds the write lock: captures wait in memory, in order, with their stamps.
TEST_F(ModelEventTest, ChangesTheFileRefusesAreReportedAndCapturesWaitInOrder) {
  int starts = 0;
  model_.set_retry_starter([&] { ++starts; });
  SQLite::Database other(collection_.db_file().string(), SQLite::OPEN_READWRITE);
  other.exec("BEGIN IMMEDIATE");
  int64_t before = current_stamp();
  send(me::add_quote{"first"});
  send(me::add_quote{"second"});
  EXPECT_EQ(model_.waiting_quotes(), 2u);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(view_.described(),
            (Lines{"error: A new quote could not be saved yet: the collection is busy (another program is "
                   "using its file). It is kept and saved as soon as the collection can take it.",
                   "error: 2 new quotes wait to be saved; they are kept and saved as soon as the collection "
                   "can take them."}));
  model_.retry_waiting_quotes();
  EXPECT_EQ(model_.waiting_quotes(), 2u);
  view_.clear();
  send(me::delete_quote{1});
  EXPECT_EQ(view_.described(),
            (Lines{"delete_quote 1",
                   "error: The quotes could not be deleted: the collection is busy (another "
                   "program is using its file).",
                   "update_tags alpha,beta,gamma", "update_quotes 1 2(gamma,alpha) 3(beta) 4"}));
  other.exec("ROLLBACK");
  view_.clear();
  int64_t retried = current_stamp();
  model_.retry_waiting_quotes();
  EXPECT_EQ(model_.waiting_quotes(), 0u);
  ASSERT_EQ(view_.ids(), (Ids{ve::vadd_quote::id, ve::vadd_quote::id, ve::vnotice::id}));
  EXPECT_EQ(event(0).text, "add_quote 5 first");
  EXPECT_EQ(event(1).text, "add_quote 6 second");
  EXPECT_GE(event(0).quote->m_stamp, before);
  EXPECT_LE(event(0).quote->m_stamp, event(1).quote->m_stamp);
  EXPECT_LT(event(1).quote->m_stamp, retried);  // the delete waited 3 s in between
  EXPECT_EQ(event(2).text.rfind("notice: The 2 waiting quotes were saved at ", 0), 0u);
}

}  // namespace
}  // namespace pvl
