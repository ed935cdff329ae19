// Interned names. Tag names, attribute names, class names and the values of
// the computed style properties are stored once per process and referred to
// by a small number (an atom), so that nodes stay small and comparisons are
// integer compares. Atom 0 is the empty name. Names are case-sensitive; the
// HTML parser lower-cases tag and attribute names before interning them.
#pragma once

#include <cstdint>
#include <string_view>

namespace htmlayout {

using atom = uint32_t;

// Returns the atom of `name`, adding it on first use. Never fails.
atom intern(std::string_view name);

// Returns the atom of `name` if it was ever interned, 0 otherwise (no
// insertion: used for lookups with names that come from outside).
atom find_atom(std::string_view name);

// Returns the text of an atom; valid for the life of the process.
std::string_view name_of(atom a);

// Names the engine itself refers to, interned at start-up in this order so
// that their atoms are constants.
namespace names {
// clang-format off
#define HTMLAYOUT_NAMES(X)                                                                    \
  X(html) X(head) X(body) X(title) X(meta) X(link) X(style) X(script) X(noscript) X(base)     \
  X(div) X(span) X(p) X(br) X(hr) X(img) X(a) X(b) X(i) X(u) X(em) X(strong) X(small)         \
  X(code) X(pre) X(table) X(caption) X(colgroup) X(col) X(thead) X(tbody) X(tfoot) X(tr)     \
  X(td) X(th) X(ul) X(ol) X(li) X(dl) X(dt) X(dd) X(menu) X(button) X(input) X(select)       \
  X(option) X(optgroup) X(textarea) X(label) X(form) X(iframe) X(frame) X(template_)         \
  X(area) X(embed) X(param) X(source) X(track) X(wbr) X(keygen) X(xmp) X(noembed)             \
  X(noframes) X(plaintext) X(listing) X(id) X(class_) X(rel) X(href) X(type) X(disabled)
// clang-format on
enum : atom {
  empty = 0,
#define HTMLAYOUT_NAME_ENUM(n) n,
  HTMLAYOUT_NAMES(HTMLAYOUT_NAME_ENUM)
#undef HTMLAYOUT_NAME_ENUM
      count
};
}  // namespace names

}  // namespace htmlayout
