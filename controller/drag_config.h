// The drag configuration: which elements may be dragged, where they may be
// dropped, and which action a drop runs. It is read once from the file
// "DragMgr.xml":
//
//   <anyroot>
//     <anyname>                                  one interaction
//       <source class="vtag"/>                   the dragged element
//       <target class="quote" id="q-7"/>         where it is dropped
//       <action>mark_quote_with_tag</action>     the action a drop runs
//     </anyname>
//     ...
//   </anyroot>
//
// Element names are not checked; comments may stand anywhere. A source or
// target without "id" stands for every element of its class. The action
// must be one that takes elements (pvcontroller::is_drop_action): a drop
// runs it with elements[0] the dragged element and elements[1] the target.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace pvl {

// An element as the configuration names it: its whole `class` attribute
// and its `id`. An empty id stands for every element of the class.
struct drag_key {
  std::wstring cls;
  std::wstring id;
};

// Orders keys by class, then by id; a key with an empty id compares equal
// to every key of its class. So an element (whose id is never empty) is
// found under its exact class and id or under its class alone. Keys that
// compare equal share one entry: the first one read stays.
struct drag_key_order {
  bool operator()(const drag_key& a, const drag_key& b) const;
};

// Target key to action name.
using drag_targets = std::map<drag_key, std::wstring, drag_key_order>;
// Source key to the targets it may be dropped on.
using drag_interactions = std::map<drag_key, drag_targets, drag_key_order>;

struct drag_config {
  drag_interactions interactions;
  // Every interaction read, also one that repeats an earlier pair.
  size_t count = 0;
};

// Reads the configuration file at `path` (UTF-8 on disk). For a repeated
// source and target the first action read stays in force. Raises
// fopen_drag_mgr_xml_error ("fopen_drag_mgr_xml_error" + the path) when the
// file cannot be opened, and read_drag_mgr_xml_error: with the message
// "read_drag_mgr_xml_error" when it is not XML, and with that text, "; line
// N: " and what is wrong when an interaction lacks its source class, its
// target class or its action, or names an action a drop cannot run.
drag_config read_drag_config(const std::wstring& path);

}  // namespace pvl
