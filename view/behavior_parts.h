// Internal to the behaviours: each file's registration of its behaviour
// objects, called once by register_behaviors().
#pragma once

namespace pvl::behavior_parts {

void register_plain();       // body, qtag, quote, recycled, searchbar
void register_tags();        // vtag, stag
void register_buttons();     // html, sms, link, about, export
void register_managetags();  // managetags, manage-menu
void register_showtext();    // showtext
void register_lists();       // quotelist, taglist
void register_grids();       // cgrid, csortable-grid, cquote_grid, ceditable_grid
void register_splitter();    // pvlsplitter
void register_notice();      // notice, noticeaction
void register_words();       // wordfield

}  // namespace pvl::behavior_parts
