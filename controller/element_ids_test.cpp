#include "controller/element_ids.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "controller/testing/controller_env.h"
#include "fml/app_errors.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"

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
      {"q-7", 7},          {"qt-12-7", 7},      {"mtmcheck-31", 31},  {"q-0042", 42},
      {"q-2147483647", INT32_MAX},              {"vt-", 0},           {"q-5x", 5},
      {"q-x5", 0},         {"q-+8", 8},         {"q- 17", 17},        {"q-2147483648", INT32_MAX},
      {"q-99999999999999999999999", INT32_MAX}, {"tag7", std::nullopt}, {"étiquette", std::nullopt},
  };
  htmlayout::document doc;
  for (const auto& c : cases) {
    doc.load_html("<html><body><div id=\"" + std::string(c.id) + "\"></div></body></html>");
    try {
      EXPECT_EQ(std::optional<int32_t>(parse_element_id(doc.root().select_first("div"))), c.number)
          << c.id;
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

TEST(CheckedIdsTest, ChecksRowsInRowOrderOfTablesOnly) {
  // Row order deliberately differs from id order.
  std::string rows;
  for (int id : {9, 2, 7, 5}) rows += row_html(quote_html(id, {1}));
  htmlayout::document doc;
  doc.load_html("<html><body><table id=quotes>" + rows + "</table></body></html>");
  element table = doc.root().select_first("#quotes");
  table.child(1).set_state(htmlayout::state::current);
  EXPECT_TRUE(checked_ids(table).empty());
  for (size_t row : {3, 0, 2}) table.child(row).set_state(htmlayout::state::checked);
  EXPECT_EQ(checked_ids(table), (std::vector<int32_t>{9, 7, 5}));
  try {
    checked_ids(table.select_first("div"));
    FAIL() << "no error";
  } catch (const wrong_he_type& error) {
    EXPECT_STREQ(error.what(), "div");
  }
  table.append(element::create("tr"));  // a checked row without id
  table.child(4).set_state(htmlayout::state::checked);
  EXPECT_THROW(checked_ids(table), detail::wrong_id_format);
}

}  // namespace
}  // namespace pvl
