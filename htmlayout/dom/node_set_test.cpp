// The state index's pointer set against std::set over random insertions and
// removals: growth, erased slots reused, emptied and filled again.
#include "htmlayout/dom/node_set.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace htmlayout {
namespace {

TEST(NodeSetTest, HoldsWhatAStdSetHoldsThroughGrowthAndErasure) {
  // Addresses as the node pools hand them out: 128 bytes apart (never read).
  const auto node = [](size_t n) { return reinterpret_cast<element_node*>(0x10000 + n * 128); };
  std::mt19937 random(7);
  node_set set;
  std::set<element_node*> expected;
  // Rounds of mostly insertions, then mostly removals down to nothing.
  for (const auto& [steps, insert_share] : {std::pair{20000, 0.8}, {30000, 0.3}, {5000, 0.9}}) {
    for (int step = 0; step < steps; ++step) {
      element_node* e = node(random() % 4000);
      const bool insert = std::uniform_real_distribution<>()(random) < insert_share;
      if (insert)
        ASSERT_EQ(set.insert(e), expected.insert(e).second);
      else
        ASSERT_EQ(set.erase(e), expected.erase(e) == 1);
      ASSERT_EQ(set.size(), expected.size());
    }
    EXPECT_EQ(std::set<element_node*>(set.begin(), set.end()), expected);
    for (size_t n = 0; n < 4000; ++n)
      ASSERT_EQ(set.contains(node(n)), expected.count(node(n)) == 1);
  }
  set.reserve(100000);
  EXPECT_EQ(std::set<element_node*>(set.begin(), set.end()), expected);
}

}  // namespace
}  // namespace htmlayout
