// Style sheet text: declarations ("name: value; ...") and style sheets
// (rules of selectors and declarations). The engine keeps only the
// declarations of the properties it computes itself (see style.h); the
// renderer reads the sheets' full text for everything else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/dom/selector.h"

namespace htmlayout {

struct declaration {
  std::string name;   // lower case
  std::string value;  // trimmed, runs of white space collapsed, without "!important"
  bool important = false;
};

// Parses a declaration block (the inside of braces, or a style attribute).
// Declarations without a name or a colon are skipped.
std::vector<declaration> parse_declarations(std::string_view text);

// Writes declarations back as "name: value; name: value".
std::string format_declarations(const std::vector<declaration>& declarations);

struct style_rule {
  complex_selector selector;
  std::vector<declaration> declarations;
};

// Parses a style sheet into one rule per selector of each rule set, keeping
// the declarations for which `wanted` answers true and dropping rules left
// without any. A rule set whose selector the engine does not understand is
// dropped whole; @media blocks for the screen are read, other at-rules are
// skipped.
std::vector<style_rule> parse_style_sheet(std::string_view css,
                                          bool (*wanted)(std::string_view property));

}  // namespace htmlayout
