#include "controller/drag_config.h"

#include <tinyxml.h>

#include <cstdio>
#include <memory>

#include "controller/pvcontroller.h"
#include "fml/app_errors.h"
#include "fml/text.h"
#include "fml/xml_depth.h"

namespace pvl {

namespace {

[[noreturn]] void invalid(const TiXmlElement& interaction, const std::string& what) {
  throw read_drag_mgr_xml_error("read_drag_mgr_xml_error; line " +
                                std::to_string(interaction.Row()) + ": " + what);
}

// The key named by `element` (the source or the target of `interaction`),
// whose class is required and whose id is optional.
drag_key read_key(const TiXmlElement& interaction, const TiXmlElement* element, const char* role) {
  const char* cls = element ? element->Attribute("class") : nullptr;
  if (!cls || !*cls)
    invalid(interaction, std::string("the interaction's ") + role + " has no class");
  const char* id = element->Attribute("id");
  return drag_key{fml::utf82wchar(cls), id ? fml::utf82wchar(id) : std::wstring()};
}

}  // namespace

bool drag_key_order::operator()(const drag_key& a, const drag_key& b) const {
  if (a.cls != b.cls) return a.cls < b.cls;
  if (a.id.empty() || b.id.empty()) return false;
  return a.id < b.id;
}

drag_config read_drag_config(const std::wstring& path) {
  std::string utf8_path = fml::wchar2utf8(path);
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(utf8_path.c_str(), "rb"), &std::fclose);
  if (!file) throw fopen_drag_mgr_xml_error("fopen_drag_mgr_xml_error" + utf8_path);
  // Text TinyXML cannot read safely (nested too deep, not UTF-8) is refused
  // before it is parsed.
  std::string text;
  char chunk[65536];
  for (size_t count; (count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;)
    text.append(chunk, count);
  if (int line = fml::xml_too_deep_line(text)) {
    throw read_drag_mgr_xml_error("read_drag_mgr_xml_error; " + utf8_path + ": line " +
                                  std::to_string(line) + ": elements nest more than " +
                                  std::to_string(fml::kMaxXmlDepth) + " deep");
  }
  if (int line = fml::first_non_utf8_line(text)) {
    throw read_drag_mgr_xml_error("read_drag_mgr_xml_error; " + utf8_path + ": line " +
                                  std::to_string(line) + ": the text is not UTF-8");
  }
  std::rewind(file.get());
  TiXmlDocument document;
  if (!document.LoadFile(file.get(), TIXML_DEFAULT_ENCODING)) {
    std::string what = document.ErrorId() == TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY
                           ? "no XML element in it"
                           : "line " + std::to_string(document.ErrorRow()) + ", column " +
                                 std::to_string(document.ErrorCol()) + ": " + document.ErrorDesc();
    throw read_drag_mgr_xml_error("read_drag_mgr_xml_error; " + utf8_path + ": " + what);
  }
  if (!document.RootElement()) {
    throw read_drag_mgr_xml_error("read_drag_mgr_xml_error; " + utf8_path + ": no root element");
  }

  drag_config config;
  for (const TiXmlElement* interaction = document.RootElement()->FirstChildElement(); interaction;
       interaction = interaction->NextSiblingElement()) {
    const TiXmlElement* source_element = interaction->FirstChildElement();
    const TiXmlElement* target_element =
        source_element ? source_element->NextSiblingElement() : nullptr;
    const TiXmlElement* action_element =
        target_element ? target_element->NextSiblingElement() : nullptr;

    drag_key source = read_key(*interaction, source_element, "source");
    drag_key target = read_key(*interaction, target_element, "target");
    const char* action_text = action_element ? action_element->GetText() : nullptr;
    if (!action_text || !*action_text) invalid(*interaction, "the interaction has no action");
    std::wstring action = fml::utf82wchar(action_text);
    if (!pvcontroller::is_drop_action(action)) {
      invalid(*interaction, std::string("\"") + action_text + "\" is not an action a drop can run");
    }

    // emplace keeps what is there: the first entry read for equal keys.
    config.interactions[source].emplace(std::move(target), std::move(action));
    ++config.count;
  }
  return config;
}

}  // namespace pvl
