#include "controller/drag_config.h"

#include <gtest/gtest.h>

#include <string>

#include "controller/pvcontroller.h"
#include "controller/testing/controller_env.h"
#include "fml/app_errors.h"
#include "tests/support/temp_dir.h"

namespace pvl {
namespace {

using controller_testing::interaction;

TEST(DragKeyOrderTest, OrdersByClassThenId) {
  drag_key_order less;
  EXPECT_TRUE(less({L"quote", L"q-9"}, {L"vtag", L"vt-1"}));
  EXPECT_FALSE(less({L"vtag", L"vt-1"}, {L"quote", L"q-9"}));
  EXPECT_TRUE(less({L"vtag", L"vt-1"}, {L"vtag", L"vt-2"}));
  EXPECT_FALSE(less({L"vtag", L"vt-2"}, {L"vtag", L"vt-1"}));
  EXPECT_FALSE(less({L"vtag", L"vt-1"}, {L"vtag", L"vt-1"}));
}

TEST(DragKeyOrderTest, EmptyIdEqualsEveryIdOfItsClassOnly) {
  drag_key_order less;
  drag_key any_vtag{L"vtag", L""};
  for (const wchar_t* id : {L"vt-1", L"vt-99", L""}) {
    EXPECT_FALSE(less(any_vtag, {L"vtag", id})) << id;
    EXPECT_FALSE(less({L"vtag", id}, any_vtag)) << id;
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
  // The message of the read_drag_mgr_xml_error that reading `xml` raises.
  std::string read_error(const std::string& xml) {
    try {
      read(xml);
    } catch (const read_drag_mgr_xml_error& error) {
      return error.what();
    }
    return "no error";
  }
  std::filesystem::path file() const { return dir.path() / "DragMgr.xml"; }

  testing_support::temp_dir dir;
};

TEST_F(DragConfigTest, WildcardSourceAndTargetMatchEveryElementOfTheirClass) {
  drag_config config =
      read("<dm>" + interaction("class=\"vtag\"", "class=\"quote\"", "delete_quote") + "</dm>");
  ASSERT_EQ(config.count, 1u);
  auto targets = config.interactions.find({L"vtag", L"vt-5"});
  ASSERT_NE(targets, config.interactions.end());
  auto target = targets->second.find({L"quote", L"q-12"});
  ASSERT_NE(target, targets->second.end());
  EXPECT_EQ(target->second, L"delete_quote");
  EXPECT_EQ(config.interactions.count({L"vtag qtag", L"vt-5"}), 0u);
}

TEST_F(DragConfigTest, EveryInteractionCountsAndTheFirstOfARepeatedPairStays) {
  drag_config config =
      read("<dm>" + interaction("class=\"vtag\"", "class=\"quote\"", "mark_quote_with_tag") +
           interaction("class=\"vtag\"", "class=\"recycled\"", "delete_vtag") +
           interaction("class=\"vtag\"", "class=\"quote\"", "delete_quote") + "</dm>");
  EXPECT_EQ(config.count, 3u);
  const drag_targets& targets = config.interactions.at({L"vtag", L"vt-1"});
  EXPECT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets.at({L"quote", L"q-1"}), L"mark_quote_with_tag");
}

TEST_F(DragConfigTest, NamesOfElementsDoNotMatterAndCommentsAreSkipped) {
  drag_config config = read(
      "<?xml version=\"1.0\"?><!-- c --><anything><!-- c --><x><!-- c --><a class=\"quote\"/>"
      "<!-- c --><b class=\"vtag\"/><c>mark_tag_with_quote</c><d>extra</d></x>"
      "<!-- c --></anything>");
  EXPECT_EQ(config.count, 1u);
  EXPECT_EQ(config.interactions.at({L"quote", L"q-1"}).at({L"vtag", L"vt-1"}),
            L"mark_tag_with_quote");
}

TEST_F(DragConfigTest, NamesAreUtf8) {
  drag_config config =
      read("<dm>" +
           interaction("class=\"étiquette\"", "class=\"quote\" id=\"q-é\"", "mark_quote_with_tag") +
           "</dm>");
  const drag_targets& targets = config.interactions.at({L"\u00e9tiquette", L"e-1"});
  EXPECT_EQ(targets.count({L"quote", L"q-\u00e9"}), 1u);
}

TEST_F(DragConfigTest, MissingFileRaisesWithItsPath) {
  std::filesystem::path missing = dir.path() / "nowhere" / "DragMgr.xml";
  try {
    read_drag_config(missing.wstring());
    FAIL() << "no error";
  } catch (const fopen_drag_mgr_xml_error& error) {
    EXPECT_EQ(std::string(error.what()), "fopen_drag_mgr_xml_error" + missing.string());
  }
}

TEST_F(DragConfigTest, FileThatIsNotXmlRaisesWithThePlaceAndTheFault) {
  const std::string head = "read_drag_mgr_xml_error; " + file().string() + ": ";
  EXPECT_EQ(read_error(""), head + "no XML element in it");
  EXPECT_EQ(read_error("<dm><i><source class=\"vtag\"/></dm>"),
            head + "line 1, column 30: Error reading end tag.");
  EXPECT_EQ(read_error("just text"), head + "no XML element in it");
  // Nesting that would overflow the parser's recursion is refused unparsed.
  std::string deep = "<dm>\n";
  for (int i = 0; i < 200000; ++i) deep += "<i>";
  EXPECT_EQ(read_error(deep), head + "line 2: elements nest more than 1000 deep");
  // A UTF-8 sequence cut short at the end would take the parser past the text.
  EXPECT_EQ(read_error("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dm>\n<i>\xef="),
            head + "line 3: the text is not UTF-8");
}

TEST_F(DragConfigTest, IncompleteInteractionIsReportedWithItsLine) {
  std::string good = interaction("class=\"vtag\"", "class=\"quote\"", "mark_quote_with_tag");
  std::string head = "<dm>\n" + good + "\n";
  EXPECT_EQ(read_error(head + "<i><source/><target class=\"quote\"/><action>delete_quote</action>"
                              "</i></dm>"),
            "read_drag_mgr_xml_error; line 3: the interaction's source has no class");
  EXPECT_EQ(read_error(head + "\n<i><source class=\"vtag\"/><target id=\"q-1\"/>"
                              "<action>delete_quote</action></i></dm>"),
            "read_drag_mgr_xml_error; line 4: the interaction's target has no class");
  EXPECT_EQ(read_error(head + "<i><source class=\"vtag\"/><target class=\"quote\"/></i></dm>"),
            "read_drag_mgr_xml_error; line 3: the interaction has no action");
  EXPECT_EQ(read_error(head + "<i><source class=\"vtag\"/><target class=\"quote\"/><action/>"
                              "</i></dm>"),
            "read_drag_mgr_xml_error; line 3: the interaction has no action");
  EXPECT_EQ(read_error(head + "<i><source class=\"vtag\"/></i></dm>"),
            "read_drag_mgr_xml_error; line 3: the interaction's target has no class");
  EXPECT_EQ(read_error(head + "<i/></dm>"),
            "read_drag_mgr_xml_error; line 3: the interaction's source has no class");
}

TEST_F(DragConfigTest, ActionMustBeOneADropCanRun) {
  EXPECT_EQ(read_error("<dm>" + interaction("class=\"vtag\"", "class=\"quote\"", "Delete_quote") +
                       "</dm>"),
            "read_drag_mgr_xml_error; line 1: \"Delete_quote\" is not an action a drop can run");
  // Its parameter is a text, not the dragged and target elements.
  EXPECT_EQ(
      read_error("<dm>" + interaction("class=\"vtag\"", "class=\"quote\"", "add_quote") + "</dm>"),
      "read_drag_mgr_xml_error; line 1: \"add_quote\" is not an action a drop can run");
}

TEST(ShippedDragConfigTest, HoldsTheGesturesOfTheWindow) {
  testing_support::temp_dir dir;
  testing_support::write_file(dir.path() / "DragMgr.xml",
                              controller_testing::shipped_drag_config());
  drag_config config = read_drag_config((dir.path() / "DragMgr.xml").wstring());
  auto action = [&](const wchar_t* source, const wchar_t* source_id, const wchar_t* target,
                    const wchar_t* target_id) {
    auto targets = config.interactions.find({source, source_id});
    if (targets == config.interactions.end()) return std::wstring();
    auto found = targets->second.find({target, target_id});
    return found == targets->second.end() ? std::wstring() : found->second;
  };
  EXPECT_EQ(action(L"vtag", L"vt-1", L"quote", L"q-2"), L"mark_quote_with_tag");
  EXPECT_EQ(action(L"quote", L"q-2", L"vtag", L"vt-1"), L"mark_tag_with_quote");
  EXPECT_EQ(action(L"vtag", L"vt-1", L"searchbar", L"p-searchbar"), L"add_search_tag");
  EXPECT_EQ(action(L"stag", L"st-1", L"vtag", L"vt-4"), L"delete_search_tag");
  EXPECT_EQ(action(L"qtag", L"qt-2-1", L"vtag", L"vt-4"), L"delete_quote_mark");
  EXPECT_EQ(action(L"qtag", L"qt-2-1", L"recycled", L"bin"), L"delete_quote_mark");
  EXPECT_EQ(action(L"quote", L"q-2", L"recycled", L"bin"), L"delete_quote");
  EXPECT_EQ(action(L"vtag", L"vt-1", L"recycled", L"bin"), L"delete_vtag");
  // Nothing is dropped on itself or on its own kind.
  EXPECT_EQ(action(L"quote", L"q-2", L"quote", L"q-3"), L"");
  EXPECT_EQ(action(L"vtag", L"vt-1", L"vtag", L"vt-2"), L"");
  EXPECT_EQ(action(L"stag", L"st-1", L"searchbar", L"p-searchbar"), L"");
}

}  // namespace
}  // namespace pvl
