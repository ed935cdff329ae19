// The general-purpose behaviours any page may name in its CSS: "accesskeys",
// "clock", "collapsible-by-icon", "collapsible-list", "command",
// "dropdown", "editable-select", "expandable-list", "grid", "hyperlink",
// "popup", "select-buddy", "select-checkmark", "sortable-grid", "splitter"
// and "tabs" (the three table ones in stock_grids.h). Like the program's own,
// each is one object serving every element that names it, keeping what it
// must remember in the elements' states and attributes. "command" and
// "hyperlink" report to the host through the behavior_notify notification
// (notifications.h).
#pragma once

namespace htmlayout {

// Puts the stock behaviours into the behaviour list, once per process; later
// calls do nothing. The objects live until the process ends.
void register_stock_behaviors();

}  // namespace htmlayout
