// "select-buddy", "select-checkmark" and "editable-select" through real
// presses and keys.
#include <gtest/gtest.h>

#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/testing/stock_window.h"

namespace htmlayout {
namespace {

// The ids of the element children of `list`, joined.
std::string ids_in(const dom::element& list) {
  std::string ids;
  for (size_t i = 0; i < list.children_count(); ++i) ids += testing::name_of_element(list.child(i));
  return ids;
}

constexpr const char* buddy_page = R"(<html><head><style>
  #buddy { behavior: select-buddy; }
</style></head><body><div id=buddy>
<select id=src role=source multiple><option id=a>A<option id=b>B<option id=c>C<option id=d>D
  <option id=e>E</select>
<select id=dst role=destination multiple><option id=z>Z</select>
<button id=select-all action=select-all>all</button>
<button id=clear-all action=clear-all>none</button>
<button id=move-all action=move-all>&gt;&gt;</button>
<button id=move-selected action=move-selected>&gt;</button>
<button id=revoke-all action=revoke-all>&lt;&lt;</button>
<button id=revoke-selected action=revoke-selected>&lt;</button>
</div></body></html>)";

TEST(SelectBuddyTest, MovedOptionsComeBackToTheirFormerPlaces) {
  testing::stock_window w(buddy_page);
  int left = 0;
  for (const char* id :
       {"select-all", "clear-all", "move-all", "move-selected", "revoke-all", "revoke-selected"})
    w.place(id, {left, 100, left += 40, 120});
  w.click("select-all");
  EXPECT_EQ(w.doc.root().select_all("option:checked").size(), 5u);
  w.click("clear-all");
  EXPECT_TRUE(w.doc.root().select_all("option:checked").empty());
  // Checks the options given, clicks the button and unchecks them again.
  auto move = [&](const char* button, std::initializer_list<const char*> checked) {
    for (const char* id : checked) w[id].set_state(state::checked);
    w.click(button);
    for (const char* id : checked) w[id].set_state(0, state::checked);
  };
  const struct {
    const char* button;
    std::initializer_list<const char*> checked;
    const char *source, *destination;
  } steps[] = {
      {"move-selected", {"b", "d"}, "ace", "zbd"},
      {"move-selected", {"c"}, "ae", "zbdc"},  // c now stands where b stood, at index 1
      {"move-selected", {"a"}, "e", "zbdca"},
      // Back one at a time, in an order unlike the one they left in.
      {"revoke-selected", {"c"}, "ce", "zbda"},
      {"revoke-selected", {"d"}, "cde", "zba"},
      {"revoke-all", {}, "abcdez", ""},  // z never stood in the source: it goes to its end
      {"move-selected", {"c"}, "abdez", "c"},
      {"move-all", {}, "", "cabdez"},
      {"revoke-selected", {"d", "a"}, "ad", "cbez"},
      {"revoke-all", {}, "abcdez", ""},
  };
  for (const auto& step : steps) {
    move(step.button, step.checked);
    EXPECT_EQ(ids_in(w["src"]) + "|" + ids_in(w["dst"]),
              std::string(step.source) + "|" + step.destination)
        << step.button;
  }
  EXPECT_TRUE(w.doc.root().select_all("[-srcindex]").empty());
}

constexpr const char* checkmark_page = R"(<html><head><style>
  #tree { behavior: select-checkmark; }
</style></head><body><div id=tree>
<options id=all><span class=caption id=c-all>All</span>
  <option id=x check=on><span class=caption id=c-x>X</span></option>
  <options id=g><span class=caption id=c-g>G</span>
    <option id=g1 check=off><span class=caption id=c-g1>g1</span></option>
    <option id=g2 check=off><span class=caption id=c-g2>g2</span>
      <span id=g2-note>note</span></option>
  </options>
</options></div></body></html>)";

TEST(SelectCheckmarkTest, ACaptionOrSpaceTogglesItsOptionWithEverythingBelowAndTheGroupsAbove) {
  testing::stock_window w(checkmark_page);
  int top = 0;
  for (const char* id : {"c-all", "c-x", "c-g", "c-g1", "c-g2", "g2-note"})
    w.place(id, {0, top, 100, top += 10});
  auto checks = [&] {
    std::string out;
    for (const char* id : {"all", "x", "g", "g1", "g2"})
      out += w[id].get_attribute_utf8("check").value_or("-") + " ";
    return out;
  };
  // Groups show what their children are from the start.
  EXPECT_EQ(checks(), "mixed on off off off ");
  // Outside a caption nothing changes, and nothing is current for Space.
  w.click("g2-note");
  ASSERT_EQ(w.doc.focused(), w["tree"]);
  w.in.key_down(vk::space, 0);
  EXPECT_EQ(checks(), "mixed on off off off ");
  const std::pair<const char*, const char*> clicks[] = {
      {"c-g1", "mixed on mixed on off "},
      {"c-g2", "on on on on on "},
      // A mixed group turns on as a whole, then off as a whole.
      {"c-x", "mixed off on on on "},
      {"c-g1", "mixed off mixed off on "},
      {"c-all", "on on on on on "},
      {"c-all", "off off off off off "},
      {"c-g", "mixed off on on on "}};
  for (auto [id, after] : clicks) {
    w.click(id);
    EXPECT_EQ(checks(), after) << id;
  }
  EXPECT_TRUE(w["g"].get_state() & state::current);
  EXPECT_FALSE(w["g1"].get_state() & state::current);
  w.in.key_down(vk::space, 0);
  EXPECT_EQ(checks(), "off off off off off ");
}

constexpr const char* editable_page = R"(<html><head><style>
  #editor { behavior: editable-select; }
</style></head><body><div id=editor>
<select id=list><option id=o1>one</option><option id=o2>two</option><option id=o3>three</option>
</select><button id=edit action=edit-list>Modify</button>
<button id=early-save action=save-list>Save</button></div></body></html>)";

TEST(EditableSelectTest, EditAddSaveAndTheKeysBetweenOptions) {
  testing::stock_window w(editable_page);
  w.place("edit", {0, 100, 50, 120});
  w.place("early-save", {60, 100, 110, 120});
  w.click("early-save");  // saving when not editing keeps every option
  EXPECT_EQ(ids_in(w["list"]), "o1o2o3");
  w.click("edit");
  EXPECT_TRUE(w["list"].has_attribute("editable"));
  EXPECT_EQ(w["edit"].text() + L" " + *w["edit"].get_attribute("action"), L"Save save-list");
  dom::element add_new = w.doc.root().select_first("text > button[action='add-new']");
  EXPECT_EQ(add_new.text(), L"Add new item here...");
  EXPECT_EQ(ids_in(w["list"]), "o1o2o3text");
  w.layout.place(add_new, {0, 60, 100, 80});
  w.click_at({50, 70});
  EXPECT_EQ(ids_in(w["list"]), "o1o2o3optiontext");
  EXPECT_EQ(w.doc.focused(), w["list"].child(3));
  EXPECT_TRUE(w["list"].child(3).get_state() & state::current);
  w.click("edit");
  EXPECT_FALSE(w["list"].has_attribute("editable"));
  EXPECT_EQ(w["edit"].text() + L" " + *w["edit"].get_attribute("action"), L"Modify edit-list");
  EXPECT_EQ(ids_in(w["list"]), "o1o2o3option");

  // Up, Down and Enter move the focus and the current option; the ends stay.
  w["o1"].set_state(state::focus);
  EXPECT_TRUE(w["o1"].get_state() & state::current);
  const std::pair<uint32_t, const char*> keys[] = {{vk::down, "o2"},
                                                   {vk::enter, "o3"},
                                                   {vk::down, "option"},
                                                   {vk::down, "option"},
                                                   {vk::up, "o3"}};
  for (auto [key, focused] : keys) {
    w.in.key_down(key, 0);
    EXPECT_EQ(testing::name_of_element(w.doc.focused()), focused);
  }
  EXPECT_TRUE(w["o3"].get_state() & state::current);
  EXPECT_FALSE(w["o1"].get_state() & state::current);
}

}  // namespace
}  // namespace htmlayout
