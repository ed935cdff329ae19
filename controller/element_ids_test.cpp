#include "controller/element_ids.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "controller/testing/controller_env.h"
#include "fml/app_errors.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "model/testing/test_collection.h"

namespace pvl {
namespace {

using controller_testing::quote_html;
using controller_testing::row_html;
using htmlayout::dom::element;

// Ids as the program writes them give their number; anything else after the
// last "-" raises, with the id as the message.
TEST(ParseElementIdTest, ReadsTheNumberAfterTheLastSeparator) {
  const struct {
    const char* id;
    std::optional<int32_t> number;  // none: raises
  } cases[] = {
      {"q-7", 7},
      {"qt-12-7", 7},
      {"mtmcheck-31", 31},
      {"q-0042", 42},
      {"q-2147483647", INT32_MAX},
      {"vt-", 0},
      {"q-5x", 5},
      {"q-x5", 0},
      {"q-+8", 8},
      {"q- 17", 17},
      {"q-2147483648", INT32_MAX},
      {"q-99999999999999999999999", INT32_MAX},
      {"tag7", std::nullopt},
      {"étiquette", std::nullopt},
  };
  htmlayout::document doc;
  for (const auto& c : cases) {
    doc.load_html("<html><body><div id=\"" + std::string(c.id) + "\"></div></body></html>");
    const element div = doc.root().select_first("div");
    try {
      const int32_t number = parse_element_id(div);
      EXPECT_EQ(std::optional<int32_t>(number), c.number) << c.id;
    } catch (const detail::wrong_id_format& error) {
      EXPECT_FALSE(c.number) << c.id;
      EXPECT_STREQ(error.what(), c.id);
    }
  }

  doc.load_html("<html><body><p>no id</p></body></html>");
  try {
    parse_element_id(doc.root().select_first("p"));
    FAIL() << "no error";
  } catch (const detail::wrong_id_format& error) {
    EXPECT_STREQ(error.what(), "<p> without id");
  }
  EXPECT_THROW(parse_element_id(element()), detail::wrong_id_format);
}

class CheckedIdsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Row order deliberately differs from id order.
    std::string rows;
    for (int id : {9, 2, 7, 5}) rows += row_html(quote_html(id, {1}));
    doc.load_html("<html><body><table id=quotes>" + rows + "</table></body></html>");
    table = doc.root().select_first("#quotes");
  }
  void check_row(size_t index) const { table.child(index).set_state(htmlayout::state::checked); }

  htmlayout::document doc;
  element table;
};

TEST_F(CheckedIdsTest, ChecksRowsInRowOrder) {
  check_row(3);
  check_row(0);
  check_row(2);
  EXPECT_EQ(checked_ids(table), (std::vector<int32_t>{9, 7, 5}));
}

TEST_F(CheckedIdsTest, NoCheckedRowGivesAnEmptyList) {
  table.child(1).set_state(htmlayout::state::current);
  EXPECT_TRUE(checked_ids(table).empty());
}

TEST_F(CheckedIdsTest, OnlyTablesHaveCheckedRows) {
  check_row(0);
  try {
    checked_ids(table.select_first("div"));
    FAIL() << "no error";
  } catch (const wrong_he_type& error) {
    EXPECT_STREQ(error.what(), "div");
  }
}

TEST_F(CheckedIdsTest, CheckedRowWithoutIdRaises) {
  table.append(element::create("tr"));
  check_row(0);
  check_row(4);
  EXPECT_THROW(checked_ids(table), detail::wrong_id_format);
}

TEST(QuoteOfQtagTest, IsTheQuoteHoldingTheTagAtAnyDepth) {
  htmlayout::document doc;
  doc.load_html("<html><body>" + quote_html(12, {3, 7}) + quote_html(13, {7}) +
                "<div class=\"quote\" id=\"q-14\"><div class=\"qtag\" id=\"qt-14-2\"></div>"
                "</div><div class=\"quote\" id=\"q-15\"><table><tr><td><div><span><div "
                "class=\"qtag\" id=\"qt-15-4\"></div></span></div></td></tr></table></div>"
                "</body></html>");
  const struct {
    const char* tag;
    const char* quote;
  } cases[] = {
      {"#qt-13-7", "q-13"}, {"#qt-12-3", "q-12"}, {"#qt-14-2", "q-14"}, {"#qt-15-4", "q-15"}};
  for (const auto& c : cases) {
    element tag = doc.root().select_first(c.tag);
    ASSERT_TRUE(tag) << c.tag;
    EXPECT_EQ(quote_of_qtag(tag).get_attribute_utf8("id"), c.quote) << c.tag;
  }
  EXPECT_FALSE(quote_of_qtag(doc.root().select_first("body")));
}

TEST(LogElementTest, WritesPrefixAndIdAsOneLine) {
  model_testing::test_collection collection;
  htmlayout::document doc;
  doc.load_html("<html><body><div id=\"vt-4\"></div><p></p></body></html>");
  log_element("dnd ready: ", doc.root().select_first("div"));
  log_element("dnd stop: ", doc.root().select_first("p"));
  log_element("dnd start: ", element());
  EXPECT_EQ(collection.new_lines("cntrl"),
            (std::vector<std::string>{"dnd ready: vt-4", "dnd stop: ", "dnd start: "}));
}

}  // namespace
}  // namespace pvl
