// Random gestures and captures for `make soak` under the sanitizers: the file ends up holding
// what a plain model of them holds. SOAK_GESTURES (10000) and SOAK_SEED (1) vary the run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <map>
#include <random>

#include "view/testing/program_window.h"

namespace pvl {
namespace {

TEST(SoakTest, RandomGesturesAndCapturesKeepTheCollectionAsExpected) {
  const int gestures = std::atoi(std::getenv("SOAK_GESTURES") ?: "10000");
  const int seed = std::atoi(std::getenv("SOAK_SEED") ?: "1");
  SCOPED_TRACE("SOAK_SEED=" + std::to_string(seed));
  std::mt19937 random(seed);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  static const char* const kPieces[] = {"word", " ",      "<b>",        "&amp;", "\n", "\t", "\"",
                                        "é",    "\u263a", "\U0001F600", "</td>", "'",  "x"};
  testing::program_window w;
  // Quotes by id with their tags in order; what Ctrl+Z gives back, as deep as the journal.
  using quotes_by_id = std::map<int, std::pair<std::string, std::vector<int>>>;
  quotes_by_id expected = {
      {1, {"one", {}}}, {2, {"two", {3, 1}}}, {3, {"three", {2}}}, {4, {"four", {}}}};
  std::deque<quotes_by_id> deleted;
  int next_id = 5;
  auto shown = [&](const htmlayout::dom::element& e) {
    w.screen().view().scroll_to_view(e);
    return e;
  };
  for (int step = 0; step < gestures && !::testing::Test::HasFailure(); ++step) {
    std::vector<std::string> visible = w.ids("div.quote");
    const bool searching = !w.ids("div.stag").empty();
    const size_t kind = pick(20);
    if (visible.empty() || kind < 5 || (expected.size() < 3 && kind < 10)) {
      std::string text = "q" + std::to_string(step);
      for (size_t i = 0, n = pick(8); i < n; ++i) text += kPieces[pick(std::size(kPieces))];
      model().on_model_event(model_events::add_quote{text});
      expected[next_id++] = {text, {}};
    } else if (kind < 10 && expected.size() < 40) {
      const std::string quote = visible[pick(visible.size())];
      const int tag = 1 + int(pick(3));
      w.drag(shown(w.by_id("vt-" + std::to_string(tag))), shown(w.by_id(quote)));
      std::vector<int>& tags = expected.at(std::stoi(quote.substr(2))).second;
      if (std::ranges::find(tags, tag) == tags.end()) tags.push_back(tag);
    } else if (kind < 15) {
      const std::string quote = visible[pick(visible.size())];
      w.click(shown(w.by_id(quote)));
      w.key(htmlayout::vk::del);
      const int id = std::stoi(quote.substr(2));
      deleted.push_back({{id, expected.at(id)}});
      if (deleted.size() > 20) deleted.pop_front();
      expected.erase(id);
    } else if (kind < 17) {
      w.key(htmlayout::vk::key_z, htmlayout::keyboard::control);
      if (!deleted.empty()) expected.merge(deleted.back()), deleted.pop_back();
    } else if (kind < 19 || !searching) {
      w.double_click(shown(w.by_id("vt-" + std::to_string(1 + pick(3)))));
    } else {
      w.click(w.by_id("clear-search"));
    }
    for (int i = 0; i < 10 && w.in().next_timer_due(); ++i)
      w.in().advance_clock(*w.in().next_timer_due());
  }
  std::vector<std::string> rows;  // "id text tags", by id
  for (const auto& [id, quote] : expected) {
    std::string tags;
    for (int tag : quote.second) tags += (tags.empty() ? "" : ",") + std::to_string(tag);
    rows.push_back(std::to_string(id) + " " + quote.first + " " + tags);
  }
  EXPECT_EQ(w.stored("SELECT m_id || ' ' || m_utftext || ' ' || ifnull((SELECT "
                     "group_concat(tag, ',') FROM (SELECT tag FROM quote_tag WHERE quote = m_id "
                     "ORDER BY pos)), '') FROM quote ORDER BY m_id"),
            rows);
  EXPECT_EQ(w.stored("PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

}  // namespace
}  // namespace pvl
