// The tag search on a real collection: AND and OR selection, the order of
// the results and the rules of the search list.
#include <gtest/gtest.h>

#include "fml/app_errors.h"
#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"

namespace pvl {
namespace {

using model_testing::quote_ids;
using Ids = std::vector<int32_t>;

// Quotes in table order 8, 3, 5, 1, 6, 2 (not id order) with tags:
// 8: 1 2 3, 3: 2, 5: 1 2, 1: none, 6: 3 1, 2: 3.
class SearchTest : public ::testing::Test {
 protected:
  SearchTest() {
    collection_.write_defaults(
        "<tags><tag id=\"1\" name=\"a\"/><tag id=\"2\" name=\"b\"/><tag id=\"3\" name=\"c\"/>"
        "<tag id=\"4\" name=\"unused\"/></tags>",
        "<quotes>"
        "<quote id=\"8\" text=\"eight\"><t id=\"1\"/><t id=\"2\"/><t id=\"3\"/></quote>"
        "<quote id=\"3\" text=\"three\"><t id=\"2\"/></quote>"
        "<quote id=\"5\" text=\"five\"><t id=\"1\"/><t id=\"2\"/></quote>"
        "<quote id=\"1\" text=\"one\"/>"
        "<quote id=\"6\" text=\"six\"><t id=\"3\"/><t id=\"1\"/></quote>"
        "<quote id=\"2\" text=\"two\"><t id=\"3\"/></quote>"
        "</quotes>");
    store_ = std::make_unique<logic>();
  }

  Ids search(int32_t mode, const Ids& tags) {
    store_->clearSearchTags();
    store_->setSearchMode(mode);
    for (int32_t tag : tags) store_->addSearchTag(tag);
    Ids found = quote_ids(store_->search());
    EXPECT_EQ(store_->searchIds(), found) << "the ids alone, mode " << mode;
    return found;
  }

  model_testing::test_collection collection_;
  std::unique_ptr<logic> store_;
};

TEST_F(SearchTest, AnEmptySearchYieldsAllQuotesInTableOrderInBothModes) {
  Ids all{8, 3, 5, 1, 6, 2};
  EXPECT_TRUE(store_->isSearchEmpty());
  EXPECT_EQ(quote_ids(store_->search()), all);  // AND at the start
  EXPECT_EQ(search(logic::kSearchOr, {}), all);
}

TEST_F(SearchTest, AndNeedsEveryTagOrNeedsOne) {
  EXPECT_EQ(search(logic::kSearchAnd, {1, 2}), (Ids{8, 5}));
  EXPECT_EQ(search(logic::kSearchOr, {1, 2}), (Ids{8, 3, 5, 6}));  // each quote once
  EXPECT_EQ(search(logic::kSearchAnd, {3, 1, 2}), (Ids{8}));
  EXPECT_EQ(search(logic::kSearchOr, {3, 2}), (Ids{8, 3, 5, 6, 2}));
  EXPECT_EQ(search(logic::kSearchAnd, {2, 4}), (Ids{}));
  EXPECT_EQ(search(logic::kSearchOr, {4}), (Ids{}));
}

TEST_F(SearchTest, OneTagSelectsTheSameQuotesInBothModes) {
  for (int32_t tag : {1, 2, 3}) {
    EXPECT_EQ(search(logic::kSearchAnd, {tag}), search(logic::kSearchOr, {tag})) << tag;
  }
  EXPECT_EQ(search(logic::kSearchAnd, {3}), (Ids{8, 6, 2}));
}

TEST_F(SearchTest, ResultsCarryTheirTagsInAttachmentOrder) {
  search(logic::kSearchAnd, {3, 1});
  std::vector<Quote> found = store_->search();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[1].m_id, 6);
  EXPECT_EQ(found[1].m_utftext, "six");
  ASSERT_EQ(found[1].m_tags.size(), 2u);
  EXPECT_EQ(found[1].m_tags[0].m_id, 3);
  EXPECT_EQ(found[1].m_tags[0].m_utfname, "c");
  EXPECT_EQ(found[1].m_tags[1].m_utfname, "a");
}

TEST_F(SearchTest, TheModeAppliesToTheNextSearch) {
  store_->setSearchMode(logic::kSearchOr);
  store_->addSearchTag(1);
  store_->addSearchTag(2);
  EXPECT_EQ(quote_ids(store_->search()), (Ids{8, 3, 5, 6}));
  store_->setSearchMode(logic::kSearchAnd);
  EXPECT_EQ(quote_ids(store_->search()), (Ids{8, 5}));
}

TEST_F(SearchTest, TheListKeepsEachTagOnceInTheOrderAdded) {
  EXPECT_TRUE(store_->addSearchTag(3));
  EXPECT_TRUE(store_->addSearchTag(1));
  EXPECT_TRUE(store_->addSearchTag(2));
  EXPECT_FALSE(store_->addSearchTag(1));
  EXPECT_EQ(store_->searchTags(), (Ids{3, 1, 2}));
  EXPECT_TRUE(store_->isTagUsedInSearch(2));
  EXPECT_FALSE(store_->isTagUsedInSearch(4));

  store_->removeSearchTag(3);
  EXPECT_EQ(store_->searchTags(), (Ids{1, 2}));
  try {
    store_->removeSearchTag(7);
    FAIL() << "removing a tag that is not in the search";
  } catch (const wrong_tag_id& error) {
    EXPECT_STREQ(error.what(), "wrong removeSearchTag:7");
  }
  EXPECT_EQ(store_->searchTags(), (Ids{1, 2}));

  EXPECT_THROW(store_->addSearchTag(42), wrong_tag_id);
  EXPECT_THROW(store_->isTagUsedInSearch(42), wrong_tag_id);
  EXPECT_EQ(store_->searchTags(), (Ids{1, 2}));
  store_->clearSearchTags();
  EXPECT_TRUE(store_->isSearchEmpty());
}

TEST_F(SearchTest, AnAndSearchOverATagNoLongerStoredFails) {
  store_->addSearchTag(1);
  store_->addSearchTag(2);
  store_->removeTag(2);
  try {
    store_->search();
    FAIL() << "searching for a removed tag";
  } catch (const wrong_tag_id& error) {
    EXPECT_STREQ(error.what(), "2");
  }
  EXPECT_THROW(store_->searchIds(), wrong_tag_id);
  store_->setSearchMode(logic::kSearchOr);
  EXPECT_EQ(quote_ids(store_->search()), (Ids{8, 5, 6}));
}

TEST_F(SearchTest, SearchOperationsLogTheirIds) {
  collection_.mark_logs();
  store_->addSearchTag(2);
  store_->isTagUsedInSearch(2);
  store_->removeSearchTag(2);
  store_->search();
  EXPECT_EQ(collection_.new_lines("logic"),
            (std::vector<std::string>{"addSearchTag: 2", "isTagUsedInSearch: 2",
                                      "remove search tag: 2"}));
}

}  // namespace
}  // namespace pvl
