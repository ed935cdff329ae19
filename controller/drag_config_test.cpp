#include "controller/drag_config.h"

#include <gtest/gtest.h>

#include <string>

#include "controller/pvcontroller.h"
#include "controller/testing/controller_env.h"
#include "fml/app_errors.h"
#include "fml/text.h"
#include "tests/support/temp_dir.h"

namespace pvl {
namespace {

using controller_testing::interaction;

// Ordered by class, then id; an empty id equals every id of its class only.
TEST(DragKeyOrderTest, OrdersByClassThenIdAndAnEmptyIdMatchesItsClass) {
  drag_key_order less;
  EXPECT_TRUE(less({L"quote", L"q-9"}, {L"vtag", L"vt-1"}));
  EXPECT_FALSE(less({L"vtag", L"vt-1"}, {L"quote", L"q-9"}));
  EXPECT_TRUE(less({L"vtag", L"vt-1"}, {L"vtag", L"vt-2"}));
  EXPECT_FALSE(less({L"vtag", L"vt-2"}, {L"vtag", L"vt-1"}));
  EXPECT_FALSE(less({L"vtag", L"vt-1"}, {L"vtag", L"vt-1"}));
  drag_key any_vtag{L"vtag", L""};
  for (const wchar_t* id : {L"vt-1", L"vt-99", L""}) {
    EXPECT_FALSE(less(any_vtag, {L"vtag", id}) || less({L"vtag", id}, any_vtag));
  }
  // Another class, even one that contains "vtag", is not equal.
  EXPECT_TRUE(less(any_vtag, {L"vtag qtag", L"vt-1"}) || less({L"vtag qtag", L"vt-1"}, any_vtag));
  EXPECT_TRUE(less({L"stag", L""}, any_vtag));
}

class DragConfigTest : public ::testing::Test {
 protected:
  drag_config read(const std::string& xml) {
    testing_support::write_file(file(), xml);
    return read_drag_config(file().wstring());
  }
  // The action configured for a drag of `source` onto `target`, "" if none.
  static std::wstring action(const drag_config& config, drag_key source, drag_key target) {
    auto targets = config.interactions.find(source);
    if (targets == config.interactions.end()) return L"";
    auto found = targets->second.find(target);
    return found == targets->second.end() ? L"" : found->second;
  }
  std::filesystem::path file() const { return dir.path() / "DragMgr.xml"; }

  testing_support::temp_dir dir;
};

TEST_F(DragConfigTest, EveryInteractionCountsAndTheFirstOfARepeatedPairStays) {
  drag_config config =
      read("<dm>" + interaction("class=\"vtag\"", "class=\"quote\"", "mark_quote_with_tag") +
           interaction("class=\"vtag\"", "class=\"recycled\"", "delete_vtag") +
           interaction("class=\"vtag\"", "class=\"quote\"", "delete_quote") +
           interaction("class=\"étiquette\"", "class=\"quote\" id=\"q-é\"", "delete_quote") +
           "</dm>");
  EXPECT_EQ(config.count, 4u);
  EXPECT_EQ(config.interactions.at({L"vtag", L"vt-1"}).size(), 2u);
  // Without an id, every element of the class matches; names are UTF-8.
  EXPECT_EQ(action(config, {L"vtag", L"vt-5"}, {L"quote", L"q-12"}), L"mark_quote_with_tag");
  EXPECT_EQ(action(config, {L"vtag qtag", L"vt-5"}, {L"quote", L"q-12"}), L"");
  EXPECT_EQ(action(config, {L"\u00e9tiquette", L"e-1"}, {L"quote", L"q-\u00e9"}), L"delete_quote");
  EXPECT_EQ(action(config, {L"\u00e9tiquette", L"e-1"}, {L"quote", L"q-1"}), L"");

  // The names of the elements do not matter and comments are skipped.
  config = read(
      "<?xml version=\"1.0\"?><!-- c --><anything><!-- c --><x><!-- c --><a class=\"quote\"/>"
      "<!-- c --><b class=\"vtag\"/><c>mark_tag_with_quote</c><d>extra</d></x>"
      "<!-- c --></anything>");
  EXPECT_EQ(config.count, 1u);
  EXPECT_EQ(action(config, {L"quote", L"q-1"}, {L"vtag", L"vt-1"}), L"mark_tag_with_quote");
}

// Each error names the file (when it is no XML) or the line, and what is wrong.
TEST_F(DragConfigTest, AFileThatCannotBeUsedRaisesWithThePlaceAndTheFault) {
  std::filesystem::path missing = dir.path() / "nowhere" / "DragMgr.xml";
  try {
    read_drag_config(missing.wstring());
    FAIL() << "no error";
  } catch (const fopen_drag_mgr_xml_error& error) {
    EXPECT_EQ(std::string(error.what()), "fopen_drag_mgr_xml_error" + missing.string());
  }
  const std::string err = "read_drag_mgr_xml_error; ", head = err + file().string() + ": ";
  const std::string lines = "<dm>\n" + interaction("class=\"vtag\"", "class=\"quote\"", "delete_quote") + "\n";
  // Nesting that would overflow the parser's recursion is refused unparsed.
  std::string deep = "<dm>\n";
  for (int i = 0; i < 200000; ++i) deep += "<i>";
  const std::pair<std::string, std::string> cases[] = {
      {"", head + "no XML element in it"},
      {"just text", head + "no XML element in it"},
      {"<dm><i><source class=\"vtag\"/></dm>", head + "line 1, column 30: Error reading end tag."},
      {deep, head + "line 2: elements nest more than 1000 deep"},
      // A UTF-8 sequence cut short at the end would take the parser past the text.
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dm>\n<i>\xef=", head + "line 3: the text is not UTF-8"},
      {lines + "<i><source/><target class=\"quote\"/><action>delete_quote</action></i></dm>",
       err + "line 3: the interaction's source has no class"},
      {lines + "\n<i><source class=\"vtag\"/><target id=\"q-1\"/><action>delete_quote</action></i></dm>",
       err + "line 4: the interaction's target has no class"},
      {lines + "<i><source class=\"vtag\"/><target class=\"quote\"/></i></dm>",
       err + "line 3: the interaction has no action"},
      {lines + "<i><source class=\"vtag\"/><target class=\"quote\"/><action/></i></dm>",
       err + "line 3: the interaction has no action"},
      {lines + "<i><source class=\"vtag\"/></i></dm>", err + "line 3: the interaction's target has no class"},
      {lines + "<i/></dm>", err + "line 3: the interaction's source has no class"},
      {"<dm>" + interaction("class=\"vtag\"", "class=\"quote\"", "Delete_quote") + "</dm>",
       err + "line 1: \"Delete_quote\" is not an action a drop can run"},
      // Its parameter is a text, not the dragged and target elements.
      {"<dm>" + interaction("class=\"vtag\"", "class=\"quote\"", "add_quote") + "</dm>",
       err + "line 1: \"add_quote\" is not an action a drop can run"},
  };
  for (const auto& [xml, expected] : cases) {
    try {
      read(xml);
      ADD_FAILURE() << "no error: " << expected;
    } catch (const read_drag_mgr_xml_error& error) {
      EXPECT_EQ(error.what(), expected);
    }
  }
}

TEST_F(DragConfigTest, TheShippedFileHoldsTheGesturesOfTheWindow) {
  drag_config config = read(controller_testing::shipped_drag_config());
  const struct {
    drag_key source, target;
    const wchar_t* action;
  } cases[] = {
      {{L"vtag", L"vt-1"}, {L"quote", L"q-2"}, L"mark_quote_with_tag"},
      {{L"quote", L"q-2"}, {L"vtag", L"vt-1"}, L"mark_tag_with_quote"},
      {{L"vtag", L"vt-1"}, {L"searchbar", L"p-searchbar"}, L"add_search_tag"},
      {{L"stag", L"st-1"}, {L"vtag", L"vt-4"}, L"delete_search_tag"},
      {{L"qtag", L"qt-2-1"}, {L"vtag", L"vt-4"}, L"delete_quote_mark"},
      {{L"qtag", L"qt-2-1"}, {L"recycled", L"bin"}, L"delete_quote_mark"},
      {{L"quote", L"q-2"}, {L"recycled", L"bin"}, L"delete_quote"},
      {{L"vtag", L"vt-1"}, {L"recycled", L"bin"}, L"delete_vtag"},
      // Nothing is dropped on itself or on its own kind.
      {{L"quote", L"q-2"}, {L"quote", L"q-3"}, L""},
      {{L"vtag", L"vt-1"}, {L"vtag", L"vt-2"}, L""},
      {{L"stag", L"st-1"}, {L"searchbar", L"p-searchbar"}, L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(action(config, c.source, c.target), c.action)
        << fml::wchar2utf8(c.source.cls + L" on " + c.target.cls);
  }
}

}  // namespace
}  // namespace pvl
