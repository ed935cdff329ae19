#include "controller/element_ids.h"

#include <gtest/gtest.h>

#include <cstdint>
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
