#include "controller/element_ids.h"

#include <gtest/gtest.h>

#include "controller/testing/controller_env.h"
#include "fml/app_errors.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"

namespace pvl {
namespace {

using htmlayout::dom::element;

// The quote list shows quotes 4, 3, 2, 1: row order differs from id order.
TEST(CheckedIdsTest, ChecksRowsInRowOrderOfTablesOnly) {
  htmlayout::document doc;
  doc.load_html(controller_testing::window_page());
  element table = doc.root().select_first("#thequotelist");
  table.child(1).set_state(htmlayout::state::current);
  EXPECT_TRUE(checked_ids(table).empty());
  for (size_t row : {3, 0, 2}) table.child(row).set_state(htmlayout::state::checked);
  EXPECT_EQ(checked_ids(table), (std::vector<int32_t>{4, 2, 1}));
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
