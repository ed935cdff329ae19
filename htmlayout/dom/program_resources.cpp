#include "htmlayout/dom/program_resources.h"

#include <cctype>
#include <map>
#include <utility>

namespace htmlayout {

namespace {

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::map<std::pair<std::string, std::string>, std::string_view>& resources() {
  static std::map<std::pair<std::string, std::string>, std::string_view> held;
  return held;
}

}  // namespace

void add_program_resource(std::string_view type, std::string_view name, std::string_view bytes) {
  resources()[{upper(type), upper(name)}] = bytes;
}

std::optional<std::string_view> find_program_resource(std::string_view type,
                                                      std::string_view name) {
  auto found = resources().find({upper(type), upper(name)});
  if (found == resources().end()) return std::nullopt;
  return found->second;
}

}  // namespace htmlayout
