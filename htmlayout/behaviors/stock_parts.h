// Internal to the stock behaviours: each file's registration of its
// behaviour objects, called once by register_stock_behaviors().
#pragma once

namespace htmlayout::stock_parts {

void register_accesskeys();  // accesskeys
void register_clock();       // clock
void register_lists();       // expandable-list, collapsible-list, collapsible-by-icon
void register_notifying();   // command, hyperlink
void register_popups();      // dropdown, popup
void register_selects();     // select-buddy, select-checkmark, editable-select
void register_tabs();        // tabs

}  // namespace htmlayout::stock_parts
