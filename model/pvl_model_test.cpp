// The model's event entry: for every model event, the view events in their
// order with their data, the log lines, the copy texts and the errors.
#include "model/pvl_model.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <optional>

#include "fml/app_errors.h"
#include "fml/text.h"
#include "model/export_texts.h"
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
  ModelEventTest() {
    model_ = std::make_unique<pvlModel>();
    model_->set_view(&view_);
    model_->set_clipboard([this](const std::wstring& text) {
      clipboard_.push_back(text);
      return true;
    });
    collection_.mark_logs();
  }

  void send(const model_event& event) { model_->on_model_event(event); }
  // Puts tags into the search and forgets the view events that caused.
  void search_for(const Ids& tags) {
    for (int32_t tag : tags) send(me::add_search_tag{tag});
    view_.clear();
    collection_.mark_logs();
  }

  Lines model_lines() const { return collection_.new_lines("model"); }
  const model_testing::recorded_event& event(size_t index) const { return view_.events.at(index); }

  model_testing::test_collection collection_;
  model_testing::view_recorder view_;
  std::vector<std::wstring> clipboard_;
  std::unique_ptr<pvlModel> model_;
};

TEST_F(ModelEventTest, EveryEventIsLoggedAndUnknownIdsAreRefused) {
  EXPECT_EQ(model_->name(), "model");
  for (int32_t id : {0, 14, 19, 21, 29, 34, 39, 46, -1}) {
    collection_.mark_logs();
    try {
      send(model_event(id));
      FAIL() << "event " << id << " was taken";
    } catch (const wrong_event_id& error) {
      EXPECT_EQ(error.what(), std::to_string(id));
    }
    EXPECT_EQ(collection_.new_lines("debug"), (Lines{"model event " + std::to_string(id)}));
  }
  EXPECT_TRUE(view_.events.empty());
  // An id that needs a payload, sent without it.
  EXPECT_THROW(send(model_event(me::delete_quote::id)), fml::exception);
}

TEST_F(ModelEventTest, InitialLoadSendsAllTagsThenAllQuotes) {
  send(me::initial_load{});
  ASSERT_EQ(view_.ids(), (Ids{ve::vupdate_tags::id, ve::vupdate_quotes::id}));
  ASSERT_EQ(event(0).tags.size(), 3u);
  EXPECT_EQ(event(0).tags[2].m_utfname, "gamma");
  EXPECT_EQ(quote_ids(event(1).quotes), (Ids{1, 2, 3, 4}));
  EXPECT_EQ(event(1).quotes[1].m_tags.size(), 2u);
  EXPECT_EQ(collection_.new_lines("logic"), (Lines{"tags", "quotes"}));
  EXPECT_TRUE(model_lines().empty());
}

TEST_F(ModelEventTest, AddQuoteSendsTheStoredRecord) {
  std::string text = "caf\u00e9 <b>";
  send(me::add_quote{text});
  ASSERT_EQ(view_.ids(), (Ids{ve::vadd_quote::id}));
  ASSERT_TRUE(event(0).quote);
  EXPECT_EQ(event(0).quote->m_id, 5);
  EXPECT_EQ(event(0).quote->m_utftext, text);
  EXPECT_TRUE(event(0).quote->m_tags.empty());
  EXPECT_EQ(model_lines(), (Lines{"add_quote complete; id: 5"}));
}

TEST_F(ModelEventTest, DeleteQuoteAnnouncesTheQuoteBeforeRemovingIt) {
  send(me::delete_quote{2});
  EXPECT_EQ(view_.ids(), (Ids{ve::vdelete_quote::id, ve::vrefresh_quotes::id, ve::vundo_note::id}));
  EXPECT_EQ(event(0).number, 2);
  EXPECT_EQ(model_lines(), (Lines{"delete_quote complete; id: 2"}));

  view_.clear();
  EXPECT_THROW(send(me::delete_quote{2}), wrong_quote_id);
  EXPECT_EQ(view_.ids(), (Ids{ve::vdelete_quote::id}));
}

TEST_F(ModelEventTest, DeleteQuotesEndsWithTheSearchResult) {
  send(me::delete_quotes{{}});
  EXPECT_EQ(view_.ids(), (Ids{ve::vupdate_quotes::id}));
  EXPECT_EQ(quote_ids(event(0).quotes), (Ids{1, 2, 3, 4}));

  view_.clear();
  send(me::delete_quotes{{3, 1}});
  EXPECT_EQ(view_.ids(), (Ids{ve::vdelete_quote::id, ve::vdelete_quote::id, ve::vupdate_quotes::id,
                              ve::vundo_note::id}));
  EXPECT_EQ(event(0).number, 3);
  EXPECT_EQ(event(1).number, 1);
  EXPECT_EQ(quote_ids(event(2).quotes), (Ids{2, 4}));
  EXPECT_TRUE(model_lines().empty());

  // A missing id stops the list; the ones before it stay deleted.
  view_.clear();
  EXPECT_THROW(send(me::delete_quotes{{4, 9, 2}}), wrong_quote_id);
  EXPECT_EQ(view_.ids(), (Ids{ve::vdelete_quote::id, ve::vdelete_quote::id}));
  send(me::initial_load{});
  EXPECT_EQ(quote_ids(view_.events.back().quotes), (Ids{2}));
}

TEST_F(ModelEventTest, AddTagAnswersWithTheIdOrRefusesATakenName) {
  send(me::add_tag{L"delta"});
  send(me::add_tag{L"alpha"});
  send(me::add_tag{L"epsilon"});
  EXPECT_EQ(view_.ids(),
            (Ids{ve::vadd_tag_id::id, ve::vdelete_wrong_tag::id, ve::vadd_tag_id::id}));
  EXPECT_EQ(event(0).number, 4);
  EXPECT_FALSE(event(1).had_data);
  EXPECT_EQ(event(2).number, 5);  // the refused name used no id
  EXPECT_EQ(model_lines(), (Lines{"add_tag complete; id: 4", "add_tag complete; id: -1",
                                  "add_tag complete; id: 5"}));
}

TEST_F(ModelEventTest, DeleteTagOfASearchTagLeavesTheSearchFirst) {
  search_for({3, 1});
  send(me::delete_tag{3});
  ASSERT_EQ(view_.ids(), (Ids{ve::vdelete_search_tag::id, ve::vdelete_tag::id,
                              ve::vupdate_quotes::id, ve::vundo_note::id}));
  EXPECT_EQ(event(0).number, 3);
  EXPECT_EQ(event(1).number, 3);
  EXPECT_EQ(quote_ids(event(2).quotes), (Ids{2}));  // the search for tag 1 alone
  EXPECT_EQ(event(2).quotes[0].m_tags.size(), 1u);
  EXPECT_EQ(model_lines(), (Lines{"delete_tag complete; id: 3"}));

  view_.clear();
  send(me::delete_tag{2});  // not in the search
  EXPECT_EQ(view_.ids(), (Ids{ve::vdelete_tag::id, ve::vupdate_quotes::id, ve::vundo_note::id}));
  EXPECT_THROW(send(me::delete_tag{2}), wrong_tag_id);
}

TEST_F(ModelEventTest, DeleteTagsRemovesAllThenAnnouncesAllThenSendsTheListOnce) {
  search_for({1});
  send(me::delete_tags{{2, 1}});
  EXPECT_EQ(view_.ids(), (Ids{ve::vdelete_search_tag::id, ve::vdelete_tag::id, ve::vdelete_tag::id,
                              ve::vupdate_quotes::id, ve::vundo_note::id}));
  EXPECT_EQ(event(0).number, 1);
  EXPECT_EQ(event(1).number, 2);
  EXPECT_EQ(event(2).number, 1);
  EXPECT_EQ(quote_ids(event(3).quotes), (Ids{1, 2, 3, 4}));  // the search is empty now
  EXPECT_EQ(model_lines(), (Lines{"delete_tags complete; id: "}));
}

// Undo puts the last deletion back as it was, around what changed since: a
// new quote in the place of a deleted one, a link at a deleted link's
// position, a new tag with a deleted tag's name.
TEST_F(ModelEventTest, UndoRestoresTheLastDeletionAroundLaterChanges) {
  send(me::initial_load{});
  const std::vector<Quote> before = view_.events.back().quotes;
  send(me::delete_quote{4});
  send(me::delete_quote_also{3});  // the same step
  const std::string five = "five";
  send(me::add_quote{five});     // stored after quote 2, in the deleted places
  send(me::delete_tag{1});       // quote 2 keeps tag 3 at position 1
  send(me::mark_quote{{2, 2}});  // and gets tag 2 at position 2, where tag 1 was
  send(me::add_tag{L"alpha"});   // tag 4, with the deleted tag's name
  EXPECT_EQ(view_.events.back().id, ve::vadd_tag_id::id);

  view_.clear();
  send(me::undo_delete{});
  EXPECT_EQ(view_.ids(), (Ids{ve::vupdate_tags::id, ve::vupdate_quotes::id, ve::vundo_note::id}));
  EXPECT_EQ(event(2).note.tags, Lines{"alpha (2)"});
  EXPECT_TRUE(event(2).note.restored);
  std::vector<std::string> names;
  for (const Tag& tag : event(0).tags) names.push_back(std::to_string(tag.m_id) + tag.m_utfname);
  EXPECT_EQ(names, (Lines{"1alpha (2)", "2beta", "3gamma", "4alpha"}));
  std::vector<int32_t> marks;
  const std::optional<Quote> two = model_->quote(2);
  for (const Tag& tag : two->m_tags) marks.push_back(tag.m_id);
  EXPECT_EQ(marks, (Ids{3, 1, 2}));

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

TEST_F(ModelEventTest, RenameTagAnswersWithTheNameInEffect) {
  tag_rename taken{2, L"gamma"};
  send(me::rename_tag{taken});
  EXPECT_EQ(view_.ids(), (Ids{ve::vrename_tag::id, ve::vupdate_quotes::id}));
  EXPECT_EQ(event(0).rename.tag, 2);
  EXPECT_EQ(event(0).rename.name, L"beta");

  search_for({2});
  tag_rename fresh{2, L"b\u00eata"};
  send(me::rename_tag{fresh});
  EXPECT_EQ(view_.ids(), (Ids{ve::vrename_tag::id, ve::vrename_stag::id, ve::vupdate_quotes::id}));
  EXPECT_EQ(event(1).rename.name, L"b\u00eata");
  EXPECT_EQ(quote_ids(event(2).quotes), (Ids{3}));
  EXPECT_EQ(event(2).quotes[0].m_tags[0].m_utfname, "b\u00eata");
  EXPECT_EQ(model_lines(), (Lines{"rename_tag complete; id: 2"}));
}

TEST_F(ModelEventTest, QuoteLookupReadsTheStoredMarksAndSendsNothing) {
  std::optional<Quote> two = model_->quote(2);
  ASSERT_TRUE(two);
  EXPECT_EQ(two->m_utftext, "two");
  Ids tags;
  for (const Tag& tag : two->m_tags) tags.push_back(tag.m_id);
  EXPECT_EQ(tags, (Ids{3, 1}));
  send(me::delete_mark{{2, 3}});
  view_.clear();
  ASSERT_TRUE(model_->quote(2));
  EXPECT_EQ(model_->quote(2)->m_tags.size(), 1u);
  EXPECT_FALSE(model_->quote(9));
  EXPECT_TRUE(view_.events.empty());
}

TEST_F(ModelEventTest, MarkingTwiceSendsTheMarkOnce) {
  send(me::mark_quote{{4, 2}});
  send(me::mark_quote{{4, 2}});
  ASSERT_EQ(view_.ids(), (Ids{ve::vmark_quote::id}));
  EXPECT_EQ(event(0).pair.quote, 4);
  ASSERT_TRUE(event(0).tag);
  EXPECT_EQ(event(0).tag->m_id, 2);
  EXPECT_EQ(event(0).tag->m_utfname, "beta");
  EXPECT_EQ(model_lines(), (Lines{"mark_quote complete; quote: 4; tag: 2",
                                  "mark_quote complete; quote: 4; tag: 2"}));
  EXPECT_THROW(send(me::mark_quote{{4, 9}}), wrong_tag_id);
  EXPECT_THROW(send(me::mark_quote{{9, 2}}), wrong_quote_id);
}

TEST_F(ModelEventTest, DeleteMarkResendsTheListOnlyDuringASearch) {
  send(me::delete_mark{{2, 3}});
  EXPECT_EQ(view_.ids(), (Ids{ve::vdelete_mark::id}));
  EXPECT_EQ(event(0).pair.quote, 2);
  EXPECT_EQ(event(0).pair.tag, 3);

  search_for({1});
  send(me::delete_mark{{2, 1}});
  EXPECT_EQ(view_.ids(), (Ids{ve::vdelete_mark::id, ve::vupdate_quotes::id}));
  EXPECT_TRUE(event(1).quotes.empty());  // quote 2 no longer matches
  EXPECT_EQ(model_lines(), (Lines{"delete_mark complete; quote: 2; tag: 1"}));
  EXPECT_THROW(send(me::delete_mark{{2, 1}}), wrong_tag_id);
}

TEST_F(ModelEventTest, SearchTagsComeAndGo) {
  send(me::add_search_tag{2});
  ASSERT_EQ(view_.ids(), (Ids{ve::vadd_search_tag::id, ve::vupdate_quotes::id}));
  EXPECT_EQ(event(0).tag->m_utfname, "beta");
  EXPECT_EQ(quote_ids(event(1).quotes), (Ids{3}));
  send(me::add_search_tag{2});  // already there: only the log line
  EXPECT_EQ(view_.events.size(), 2u);
  EXPECT_EQ(model_lines(),
            (Lines{"add_search_tag complete; id: 2", "add_search_tag complete; id: 2"}));

  view_.clear();
  send(me::add_search_tags{{2, 1, 3}});
  EXPECT_EQ(view_.ids(),
            (Ids{ve::vadd_search_tag::id, ve::vadd_search_tag::id, ve::vupdate_quotes::id}));
  EXPECT_EQ(event(0).tag->m_id, 1);
  EXPECT_EQ(event(1).tag->m_id, 3);
  EXPECT_EQ(quote_ids(event(2).quotes), (Ids{}));  // AND of 2, 1, 3

  view_.clear();
  send(me::add_search_tags{{3, 1}});
  EXPECT_TRUE(view_.events.empty());

  send(me::delete_search_tag{2});
  EXPECT_EQ(view_.ids(), (Ids{ve::vdelete_search_tag::id, ve::vupdate_quotes::id}));
  EXPECT_EQ(quote_ids(event(1).quotes), (Ids{2}));
  EXPECT_THROW(send(me::delete_search_tag{2}), wrong_tag_id);
}

TEST_F(ModelEventTest, ModeAndClearActOnlyOnANonEmptySearch) {
  send(me::set_search_mode_or{});
  send(me::clear_search_tags{});
  EXPECT_TRUE(view_.events.empty());

  search_for({1, 2});  // taken in OR mode now
  send(me::set_search_mode_and{});
  send(me::set_search_mode_or{});
  ASSERT_EQ(view_.ids(), (Ids{ve::vupdate_quotes::id, ve::vupdate_quotes::id}));
  EXPECT_EQ(quote_ids(event(0).quotes), (Ids{}));
  EXPECT_EQ(quote_ids(event(1).quotes), (Ids{2, 3}));

  view_.clear();
  send(me::clear_search_tags{});
  EXPECT_EQ(view_.ids(), (Ids{ve::vclear_search_tags::id, ve::vupdate_quotes::id}));
  EXPECT_EQ(quote_ids(event(1).quotes), (Ids{1, 2, 3, 4}));
  EXPECT_TRUE(model_lines().empty());
}

TEST_F(ModelEventTest, ExportWritesTheCurrentSearchAndSaysHowItWent) {
  testing_support::temp_dir folder;
  std::string file = (folder.path() / "quotes.html").string();
  std::wstring path = fml::utf82wchar(file);
  search_for({1});
  send(me::export_data{path});
  EXPECT_EQ(view_.ids(), Ids{ve::vnotice::id});
  EXPECT_EQ(event(0).notice.text, "Exported 1 quote to " + file);
  EXPECT_FALSE(event(0).notice.error);

  std::string page = testing_support::read_file(folder.path() / "quotes.html");
  EXPECT_NE(page.find("two<br>Tags: gamma, alpha<br><br>"), std::string::npos) << page;
  EXPECT_EQ(page.find("one<br>"), std::string::npos);

  // A file that cannot be written is logged and reported, not raised.
  view_.clear();
  collection_.mark_logs();
  std::string nowhere = (folder.path() / "no" / "q.html").string();
  std::wstring nowhere_path = fml::utf82wchar(nowhere);
  send(me::export_data{nowhere_path});
  Lines lines = model_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("export_data failed: " + nowhere + ": Error code: 2 ", 0), 0u)
      << lines[0];
  ASSERT_EQ(view_.ids(), Ids{ve::vnotice::id});
  EXPECT_EQ(event(0).notice.text,
            "The export failed: " + nowhere + " could not be written (No such file or directory).");
  EXPECT_TRUE(event(0).notice.error);
}

// Another program holds the file's write lock: a capture waits in memory
// with its stamp, later ones wait behind it, other changes are reported and
// the view is given the collection as the file holds it; once the lock is
// gone the waiting quotes are stored in the order they came.
TEST_F(ModelEventTest, ChangesTheFileRefusesAreReportedAndCapturesWaitInOrder) {
  int starts = 0;
  model_->set_retry_starter([&] { ++starts; });
  SQLite::Database other(collection_.db_file().string(), SQLite::OPEN_READWRITE);
  other.exec("BEGIN IMMEDIATE");

  int64_t before = current_stamp();
  const std::string first = "first", second = "second";
  send(me::add_quote{first});
  send(me::add_quote{second});
  EXPECT_EQ(model_->waiting_quotes(), 2u);
  EXPECT_EQ(starts, 1);
  ASSERT_EQ(view_.ids(), (Ids{ve::vnotice::id, ve::vnotice::id}));
  EXPECT_EQ(event(0).notice.text,
            "A new quote could not be saved yet: the collection is busy (another program is "
            "using its file). It is kept and saved as soon as the collection can take it.");
  EXPECT_TRUE(event(0).notice.error);
  model_->retry_waiting_quotes();
  EXPECT_EQ(model_->waiting_quotes(), 2u);

  view_.clear();
  send(me::delete_quote{1});
  ASSERT_EQ(view_.ids(), (Ids{ve::vdelete_quote::id, ve::vnotice::id, ve::vupdate_tags::id,
                              ve::vupdate_quotes::id}));
  EXPECT_EQ(event(1).notice.text,
            "The quotes could not be deleted: the collection is busy (another program is using "
            "its file).");
  EXPECT_EQ(quote_ids(event(3).quotes), (Ids{1, 2, 3, 4}));

  other.exec("ROLLBACK");
  view_.clear();
  int64_t retried = current_stamp();
  model_->retry_waiting_quotes();
  EXPECT_EQ(model_->waiting_quotes(), 0u);
  ASSERT_EQ(view_.ids(), (Ids{ve::vadd_quote::id, ve::vadd_quote::id, ve::vnotice::id}));
  EXPECT_EQ(event(0).quote->m_id, 5);
  EXPECT_EQ(event(0).quote->m_utftext, "first");
  EXPECT_EQ(event(1).quote->m_utftext, "second");
  EXPECT_GE(event(0).quote->m_stamp, before);
  EXPECT_LE(event(0).quote->m_stamp, event(1).quote->m_stamp);
  EXPECT_LT(event(1).quote->m_stamp, retried);  // the delete waited 3 s in between
  EXPECT_EQ(event(2).notice.text.rfind("The 2 waiting quotes were saved at ", 0), 0u);
  EXPECT_FALSE(event(2).notice.error);
}

// The disk fills up: in a child process, the collection lives on a small
// file system of its own (a tmpfs, so this needs root), which a filler file
// then fills. The quote waits, the notice says the disk is full, and the
// quote is stored once the filler is gone.
TEST(ModelFullDiskTest, ACaptureWaitsForRoomAndIsStoredAfterwards) {
  model_testing::test_collection collection;
  const std::filesystem::path folder = collection.data_dir();
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") != 0) {
      _exit(77);
    }
    collection.write_defaults(model_testing::kTagsXml, model_testing::kQuotesXml);
    pvlModel model;
    model_testing::view_recorder view;
    model.set_view(&view);
    {
      std::ofstream filler(folder / "filler");
      std::string block(4096, 'f');
      while (filler.write(block.data(), block.size())) {
      }
    }
    std::string text(64 * 1024, 'q');
    model.on_model_event(me::add_quote{text});
    bool waited = model.waiting_quotes() == 1 && view.events.size() == 1 &&
                  view.events[0].notice.text.find(": the disk is full.") != std::string::npos;
    std::filesystem::remove(folder / "filler");
    model.retry_waiting_quotes();
    bool stored = model.waiting_quotes() == 0 && view.events.size() == 3 && view.events[1].quote &&
                  view.events[1].quote->m_whole_chars == static_cast<int64_t>(text.size());
    _exit(waited && stored ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no private tmpfs can be mounted here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ModelEventTest, CopyEventsPutTheirTextsOnTheClipboard) {
  send(me::copy_quote{2});
  send(me::copy_quote_with_data{2});
  send(me::copy_quotes{{3, 1}});
  send(me::copy_quotes_with_data{{3, 2}});
  EXPECT_EQ(clipboard_,
            (std::vector<std::wstring>{L"two", L"two\n\ngamma, alpha", L"three\n\none\n\n",
                                       L"three\nTags: beta\n\ntwo\nTags: gamma, alpha\n\n"}));
  EXPECT_TRUE(view_.events.empty());
  EXPECT_TRUE(model_lines().empty());
}

TEST_F(ModelEventTest, CopyingQuotesThatAreNotStoredSkipsThem) {
  send(me::copy_quotes{{7, 1, 8}});
  EXPECT_EQ(clipboard_, (std::vector<std::wstring>{L"one\n\n"}));
  send(me::copy_quote{7});
  send(me::copy_quotes_with_data{{}});
  EXPECT_EQ(clipboard_.size(), 1u);  // nothing found: the clipboard keeps its text
  EXPECT_EQ(model_lines(),
            (Lines{"copy skips quote 7: not stored", "copy skips quote 8: not stored",
                   "copy skips quote 7: not stored"}));
}

}  // namespace
}  // namespace pvl
