#include "controller/drag_config.h"

#include <gtest/gtest.h>

#include <string>

#include "fml/app_errors.h"
#include "model/testing/raised.h"
#include "tests/support/temp_dir.h"

namespace pvl {
namespace {

using model_testing::raised;

std::string interaction(const std::string& source, const std::string& target, const std::string& action) {
  return "<i><source " + source + "/><target " + target + "/><action>" + action + "</action></i>";
}

// An interaction with an id is that element's alone; without, the class's. Errors name the file or line.
TEST(DragConfigTest, ReadsTheInteractionsOrRaisesWithThePlaceAndTheFault) {
  testing_support::temp_dir dir;
  const std::filesystem::path file = dir.path() / "DragMgr.xml", missing = dir.path() / "no" / "DragMgr.xml";
  const auto error_of = [](const std::filesystem::path& path) {
    return raised<read_drag_mgr_xml_error>([&] { read_drag_config(path.wstring()); });
  };
  EXPECT_EQ(raised<fopen_drag_mgr_xml_error>([&] { read_drag_config(missing.wstring()); }),
            "fopen_drag_mgr_xml_error" + missing.string());
  testing_support::write_file(file, "<dm>" + interaction("class=\"vtag\" id=\"vt-\u00e9\"", "class=\"quote\"",
                                                         "delete_quote") + "</dm>");
  drag_config config = read_drag_config(file.wstring());
  EXPECT_EQ(config.interactions.count({L"vtag", L"vt-\u00e9"}), 1u);
  EXPECT_EQ(config.interactions.count({L"vtag", L"vt-1"}), 0u);
  EXPECT_EQ(config.interactions.at({L"vtag", L"vt-\u00e9"}).count({L"quote", L"q-9"}), 1u);
  const std::string err = "read_drag_mgr_xml_error; ", head = err + file.string() + ": ";
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
    testing_support::write_file(file, xml);
    EXPECT_EQ(error_of(file), expected);
  }
}

}  // namespace
}  // namespace pvl
