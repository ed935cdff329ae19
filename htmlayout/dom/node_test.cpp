#include "htmlayout/dom/node.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace htmlayout {
namespace {

// Checks that the list holds `expected` in order and that every child knows
// its own position.
void expect_same(const child_list& list, const std::vector<node*>& expected) {
  ASSERT_EQ(list.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(list[i], expected[i]) << "at " << i;
    ASSERT_EQ(list.index_of(expected[i]), i) << "at " << i;
  }
}

TEST(ChildListTest, RandomInsertsAndErasesKeepOrderAndPositions) {
  std::mt19937 random(42);
  std::vector<std::unique_ptr<text_node>> pool;
  child_list list;
  std::vector<node*> model;
  for (int step = 0; step < 5000; ++step) {
    bool erase = !model.empty() && random() % 3 == 0;
    size_t where;
    switch (random() % 4) {
      case 0:
        where = 0;
        break;  // the front, as a list view adds entries
      case 1:
        where = model.size();
        break;  // the back
      default:
        where = random() % (model.size() + 1);
    }
    if (erase) {
      if (where == model.size()) --where;
      list.erase(where);
      model.erase(model.begin() + where);
    } else {
      pool.push_back(std::make_unique<text_node>("x"));
      list.insert(where, pool.back().get());
      model.insert(model.begin() + where, pool.back().get());
    }
    if (step % 97 == 0) expect_same(list, model);
  }
  expect_same(list, model);
  EXPECT_EQ(list.text_count(), model.size());
  list.clear();
}

TEST(ChildListTest, ManyFrontInsertsStayCheap) {
  // 200,000 inserts at the front: quadratic copying would take minutes.
  std::vector<std::unique_ptr<text_node>> pool;
  child_list list;
  for (int i = 0; i < 200000; ++i) {
    pool.push_back(std::make_unique<text_node>(""));
    list.insert(0, pool.back().get());
  }
  EXPECT_EQ(list[0], pool.back().get());
  EXPECT_EQ(list.index_of(pool.front().get()), 199999u);
  list.clear();
}

TEST(ElementNodeTest, ElementChildrenSkipText) {
  element_node parent(names::div);
  text_node a("a"), b("b");
  element_node first(names::span), second(names::b);
  parent.children.insert(0, &a);
  parent.children.insert(1, &first);
  parent.children.insert(2, &b);
  parent.children.insert(3, &second);
  first.parent = second.parent = &parent;
  a.parent = b.parent = &parent;
  EXPECT_EQ(parent.element_count(), 2u);
  EXPECT_EQ(parent.element_child(0), &first);
  EXPECT_EQ(parent.element_child(1), &second);
  EXPECT_EQ(parent.element_child(2), nullptr);
  EXPECT_EQ(first.element_index(), 0u);
  EXPECT_EQ(second.element_index(), 1u);
  parent.children.clear();
}

}  // namespace
}  // namespace htmlayout
