// The HTML fragments of quotes and tags as the document shows them, with the
// element ids by which the controller and the view find them again. Every
// builder returns UTF-8 text ready to be inserted into the document. Names
// and texts from the collection are escaped, so no stored text can change
// the structure of a fragment.
//
// The quote fragment's nesting is part of its contract: a quote is
//   div.quote > table.qtable > (title row, text row, links row)
// and the links row holds three cells: td.links (the quote's tags),
// td.managecell (the "Manage..." button) and td.timestamp. The view reaches
// the links cell as child 0 / child 2 / child 0 of the quote; the controller
// climbs four parents from a tag on a quote to the quote.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/records.h"
#include "model/word_marks.h"
#include "model/view_event.h"

namespace pvl {

// Element ids: a prefix, "-" and the decimal id. The number an element
// stands for always follows the last "-".
std::string quote_element_id(int32_t quote_id);                 // q-7
std::string vtag_element_id(int32_t tag_id);                    // vt-12
std::string stag_element_id(int32_t tag_id);                    // st-12
std::string qtag_element_id(int32_t quote_id, int32_t tag_id);  // qt-5-12
std::string mtm_item_element_id(int32_t tag_id);                // mtmcheck-12

// A quote in the quote list: its text, its tags in stored order, the manage
// button and its date.
//
// A card lays out a bounded share of the text, however long the text is:
// closed (the list's cards) at most kClosedCard, opened by the user at most
// kOpenCard, counted from the text's start (and never more than the record
// carries: see kClosedCardChars). A text cut there ends in "..." and the
// text cell ends in a control: on a closed card "Show all (N lines)" (or "N
// characters" for a text of one line; "Show more (... in all)" when even an
// open card cannot hold the text), on an open card "Show less", after a
// note of how much is shown when the text is still cut. The control is a
// button.showtext whose attribute "show" is "all" or "less".
//
// The stretches of the shown text that `marks` finds (the words of the word
// search) are wrapped in span.hit, each escaped like the rest of the text.
struct card_bound {
  int64_t lines;
  int64_t chars;
};
inline constexpr card_bound kClosedCard{20, kClosedCardChars};
inline constexpr card_bound kOpenCard{1000, kOpenCardChars};
std::string quote_fragment(const Quote& quote, bool open = false,
                           const word_marks& marks = word_marks::none());
// What quote_fragment holds in its text cell (td.text): the share of the
// text the card lays out, escaped and marked, then the mark and the control
// of a cut or open card.
std::string quote_text_fragment(const Quote& quote, bool open = false,
                                const word_marks& marks = word_marks::none());
// What quote_fragment holds inside the div.quote.
std::string quote_content_fragment(const Quote& quote, bool open = false,
                                   const word_marks& marks = word_marks::none());
// A quote-list row whose card is built when the window first needs it: the
// row, its cell and the empty div.quote with the quote's id, marked "lazy"
// for the document's content builder (htmlayout/dom/document.h), which
// fills it with quote_content_fragment.
std::string light_quote_row(int32_t quote_id);
// The light rows of `ids` (in the model's order, oldest first) as the list
// shows them: newest first.
std::string light_quote_rows(std::span<const int32_t> ids);
// A tag in the tag list.
std::string vtag_fragment(const Tag& tag);
// A tag shown on the quote `quote_id`.
std::string qtag_fragment(const Tag& tag, int32_t quote_id);
// A tag in the search bar.
std::string stag_fragment(const Tag& tag);
// A tag's check item in the manage-tags menu.
std::string mtm_item_fragment(const Tag& tag);
// `fragment` as a row of a list table: "<tr><td>" fragment "</td></tr>".
std::string row_fragment(std::string_view fragment);

// The search bar's content while no tag is in the search.
inline constexpr char kSearchCaptionFragment[] =
    "<div class=\"caption\">Drop tags here to search</div>";
// The row the tag list inserts for a tag the user is about to name.
inline constexpr char kNewTagRowFragment[] = "<tr><td><div class=\"vtag\"></div></td></tr>";

// A quote's text made safe for HTML, in six passes over the whole text, in
// this order: "&" to "&#38;", a tab to two non-breaking spaces
// ("&#160;&#160;"), "<" to "&#60;", ">" to "&#62;", the double quote to
// "&#34;", a line feed to "<br>". Carriage returns and every other character
// pass unchanged.
std::wstring escape_quote_text(std::wstring_view text);

// A tag name (UTF-8) made safe for HTML: "&", "<", ">" and the double quote
// become "&#38;", "&#60;", "&#62;" and "&#34;"; all other bytes pass
// unchanged. The name shows as typed and never opens or closes an element.
std::string escape_tag_name(std::string_view utf8_name);

// A quote's date: the stamp (seconds since 1970 UTC) in local time as
// "Y-M-D  h:m:s" with no leading zeros and two spaces between date and time,
// for example "2008-3-7  9:5:3".
std::string format_stamp(int64_t stamp);

}  // namespace pvl
