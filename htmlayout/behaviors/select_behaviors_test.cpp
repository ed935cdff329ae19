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

struct buddy_window : testing::stock_window {
  buddy_window() : stock_window(buddy_page) {
    int left = 0;
    for (const char* id : {"select-all", "clear-all", "move-all", "move-selected", "revoke-all",
                           "revoke-selected"}) {
      place(id, {left, 100, left + 40, 120});
      left += 50;
    }
  }
  // Checks the options given and clicks the button.
  void move(const char* button, std::initializer_list<const char*> checked = {}) {
    for (const char* id : checked) (*this)[id].set_state(state::checked);
    click(button);
  }
  std::string checked() {
    std::string ids;
    for (const dom::element& o : doc.root().select_all("option:checked"))
      ids += testing::name_of_element(o);
    return ids;
  }
};

TEST(SelectBuddyTest, SelectAllAndClearAllCheckTheSourceOptions) {
  buddy_window w;
  w.click("select-all");
  EXPECT_EQ(w.checked(), "abcde");
  w.click("clear-all");
  EXPECT_EQ(w.checked(), "");
}

TEST(SelectBuddyTest, OptionsMovedOutOneByOneComeBackToTheirFormerPlaces) {
  buddy_window w;
  w.move("move-selected", {"b", "d"});
  EXPECT_EQ(ids_in(w["src"]), "ace");
  EXPECT_EQ(ids_in(w["dst"]), "zbd");
  w["b"].set_state(0, state::checked);
  w["d"].set_state(0, state::checked);
  // c now stands where b stood, at index 1.
  w.move("move-selected", {"c"});
  w["c"].set_state(0, state::checked);
  w.move("move-selected", {"a"});
  EXPECT_EQ(ids_in(w["src"]), "e");
  EXPECT_EQ(ids_in(w["dst"]), "zbdca");

  // Back one at a time, in an order unlike the one they left in.
  w["a"].set_state(0, state::checked);
  w.move("revoke-selected", {"c"});
  EXPECT_EQ(ids_in(w["src"]), "ce");
  w["c"].set_state(0, state::checked);
  w.move("revoke-selected", {"d"});
  EXPECT_EQ(ids_in(w["src"]), "cde");
  w["d"].set_state(0, state::checked);
  w.move("revoke-all");
  // z never stood in the source: it goes to its end.
  EXPECT_EQ(ids_in(w["src"]), "abcdez");
  EXPECT_EQ(ids_in(w["dst"]), "");
  EXPECT_EQ(w.doc.root().select_all("[-srcindex]").size(), 0u);
}

TEST(SelectBuddyTest, MoveAllAndRevokeAllRestoreTheSource) {
  buddy_window w;
  w.move("move-selected", {"c"});
  w["c"].set_state(0, state::checked);
  w.move("move-all");
  EXPECT_EQ(ids_in(w["src"]), "");
  EXPECT_EQ(ids_in(w["dst"]), "zcabde");
  w.move("revoke-selected", {"d", "a"});
  EXPECT_EQ(ids_in(w["src"]), "ad");
  w.move("revoke-all");
  EXPECT_EQ(ids_in(w["src"]), "abcdez");
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

struct checkmark_window : testing::stock_window {
  checkmark_window() : stock_window(checkmark_page) {
    place("c-all", {0, 0, 100, 10});
    place("c-x", {0, 10, 100, 20});
    place("c-g", {0, 20, 100, 30});
    place("c-g1", {0, 30, 100, 40});
    place("c-g2", {0, 40, 50, 50});
    place("g2-note", {50, 40, 100, 50});
  }
  std::string checks() {
    std::string out;
    for (const char* id : {"all", "x", "g", "g1", "g2"}) {
      std::wstring check = (*this)[id].get_attribute("check").value_or(L"-");
      out += std::string(id) + "=" + std::string(check.begin(), check.end()) + " ";
    }
    return out;
  }
};

TEST(SelectCheckmarkTest, GroupsShowWhatTheirChildrenAreFromTheStart) {
  checkmark_window w;
  EXPECT_EQ(w.checks(), "all=mixed x=on g=off g1=off g2=off ");
}

TEST(SelectCheckmarkTest, ACaptionTogglesItsOptionWithEverythingBelowAndTheGroupsAbove) {
  checkmark_window w;
  w.click("c-g1");
  EXPECT_EQ(w.checks(), "all=mixed x=on g=mixed g1=on g2=off ");
  EXPECT_TRUE(w["g1"].get_state() & state::current);
  w.click("c-g2");
  EXPECT_EQ(w.checks(), "all=on x=on g=on g1=on g2=on ");
  EXPECT_FALSE(w["g1"].get_state() & state::current);
  // A mixed group turns on as a whole, then off as a whole.
  w.click("c-x");
  w.click("c-g1");
  EXPECT_EQ(w.checks(), "all=mixed x=off g=mixed g1=off g2=on ");
  w.click("c-all");
  EXPECT_EQ(w.checks(), "all=on x=on g=on g1=on g2=on ");
  w.click("c-all");
  EXPECT_EQ(w.checks(), "all=off x=off g=off g1=off g2=off ");
  // Outside a caption nothing changes.
  w.click("g2-note");
  EXPECT_EQ(w.checks(), "all=off x=off g=off g1=off g2=off ");
}

TEST(SelectCheckmarkTest, SpaceTogglesTheCurrentOption) {
  checkmark_window w;
  w.click("g2-note");  // the tree takes the focus; nothing is current yet
  ASSERT_EQ(w.doc.focused(), w["tree"]);
  w.in.key_down(vk::space, 0);
  EXPECT_EQ(w.checks(), "all=mixed x=on g=off g1=off g2=off ");
  w.click("c-g");
  EXPECT_EQ(w.checks(), "all=on x=on g=on g1=on g2=on ");
  w.in.key_down(vk::space, 0);
  EXPECT_EQ(w.checks(), "all=mixed x=on g=off g1=off g2=off ");
}

constexpr const char* editable_page = R"(<html><head><style>
  #editor { behavior: editable-select; }
</style></head><body><div id=editor>
<select id=list><option id=o1>one</option><option id=o2>two</option><option id=o3>three</option>
</select><button id=edit action=edit-list>Modify</button>
<button id=early-save action=save-list>Save</button></div></body></html>)";

struct editable_window : testing::stock_window {
  editable_window() : stock_window(editable_page) {
    place("edit", {0, 100, 50, 120});
    place("early-save", {60, 100, 110, 120});
  }
  dom::element add_new() { return doc.root().select_first("button[action='add-new']"); }
};

TEST(EditableSelectTest, EditAddAndSave) {
  editable_window w;
  w.click("edit");
  EXPECT_TRUE(w["list"].has_attribute("editable"));
  EXPECT_EQ(w["edit"].text(), L"Save");
  EXPECT_EQ(w["edit"].get_attribute("action"), L"save-list");
  ASSERT_TRUE(w.add_new());
  EXPECT_EQ(w.add_new().text(), L"Add new item here...");
  EXPECT_EQ(w.add_new().parent().tag_name(), "text");
  EXPECT_EQ(ids_in(w["list"]), "o1o2o3text");

  w.layout.place(w.add_new(), {0, 60, 100, 80});
  w.click_at({50, 70});
  EXPECT_EQ(ids_in(w["list"]), "o1o2o3optiontext");
  const dom::element added = w["list"].child(3);
  EXPECT_EQ(w.doc.focused(), added);
  EXPECT_TRUE(added.get_state() & state::current);

  w.click("edit");
  EXPECT_FALSE(w["list"].has_attribute("editable"));
  EXPECT_EQ(w["edit"].text(), L"Modify");
  EXPECT_EQ(w["edit"].get_attribute("action"), L"edit-list");
  EXPECT_EQ(ids_in(w["list"]), "o1o2o3option");
  EXPECT_FALSE(w.add_new());
}

TEST(EditableSelectTest, SavingWhenNotEditingKeepsEveryOption) {
  editable_window w;
  w.click("early-save");
  EXPECT_EQ(ids_in(w["list"]), "o1o2o3");
}

TEST(EditableSelectTest, UpDownAndEnterMoveTheFocusBetweenOptions) {
  editable_window w;
  w["o1"].set_state(state::focus);
  EXPECT_TRUE(w["o1"].get_state() & state::current);
  w.in.key_down(vk::down, 0);
  EXPECT_EQ(w.doc.focused(), w["o2"]);
  EXPECT_TRUE(w["o2"].get_state() & state::current);
  EXPECT_FALSE(w["o1"].get_state() & state::current);
  w.in.key_down(vk::enter, 0);
  EXPECT_EQ(w.doc.focused(), w["o3"]);
  w.in.key_down(vk::down, 0);  // the last stays
  EXPECT_EQ(w.doc.focused(), w["o3"]);
  w.in.key_down(vk::up, 0);
  w.in.key_down(vk::up, 0);
  w.in.key_down(vk::up, 0);
  EXPECT_EQ(w.doc.focused(), w["o1"]);
}

}  // namespace
}  // namespace htmlayout
