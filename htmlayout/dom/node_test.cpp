#include "htmlayout/dom/node.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace htmlayout {
namespace {

// Random inserts and erases, mostly at the ends as a list view makes them,
// against a vector: the order and each child's own position stay right.
TEST(ChildListTest, RandomInsertsAndErasesKeepOrderAndPositions) {
  std::mt19937 random(42);
  std::vector<std::unique_ptr<text_node>> pool;
  child_list list;
  std::vector<node*> model;
  auto expect_same = [&] {
    ASSERT_EQ(list.size(), model.size());
    for (size_t i = 0; i < model.size(); ++i) {
      ASSERT_EQ(list[i], model[i]) << "at " << i;
      ASSERT_EQ(list.index_of(model[i]), i) << "at " << i;
    }
  };
  for (int step = 0; step < 5000; ++step) {
    const bool erase = !model.empty() && random() % 3 == 0;
    const uint32_t end = random() % 4;
    size_t where = end == 0 ? 0 : end == 1 ? model.size() : random() % (model.size() + 1);
    if (erase) {
      if (where == model.size()) --where;
      list.erase(where);
      model.erase(model.begin() + where);
    } else {
      pool.push_back(std::make_unique<text_node>("x"));
      list.insert(where, pool.back().get());
      model.insert(model.begin() + where, pool.back().get());
    }
    if (step % 97 == 0) expect_same();
  }
  expect_same();
  EXPECT_EQ(list.text_count(), model.size());
  list.clear();
}

}  // namespace
}  // namespace htmlayout
