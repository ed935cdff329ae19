#include "view/pvview.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <optional>
#include <ostream>
#include <string_view>
#include <variant>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "fml/overloaded.h"
#include "fml/text.h"
#include "htmlayout/dom/behavior.h"
#include "htmlayout/input/input.h"
#include "view/behavior_host.h"
#include "view/behaviors.h"
#include "view/fragments.h"
#include "view/grids.h"
#include "view/resource_mgr.h"
#include "view/search_head.h"

namespace pvl {

namespace {

using htmlayout::dom::element;
namespace position = htmlayout::position;

// The selector of the element whose id is exactly `id`.
std::string id_select(const std::string& id) { return "[id='" + id + "']"; }

// The first descendant of `top` in document order whose id is `id`, or null.
element find_by_id(const element& top, const std::wstring& id) {
  element found;
  top.visit([&](const element& e) {
    if (e.get_attribute("id") != id) return false;
    found = e;
    return true;
  });
  return found;
}

// The element that holds the rows of a list table: a tbody, or the table.
element rows_parent(const element& table) {
  if (table.children_count() == 1 && table.child(0).tag_name() == "tbody") return table.child(0);
  return table;
}

// The rows of a list table, with or without a tbody.
size_t list_rows(const element& table) {
  if (!table) return 0;
  return rows_parent(table).children_count();
}

// The quote id of a card ("q-N"), or 0.
int32_t card_quote_id(const element& card) {
  const std::optional<std::string> id = card.get_attribute_utf8("id");
  if (!id || id->size() < 3 || id->compare(0, 2, "q-") != 0) return 0;
  int32_t quote = 0;
  const auto [end, error] = std::from_chars(id->data() + 2, id->data() + id->size(), quote);
  return error == std::errc() && end == id->data() + id->size() ? quote : 0;
}

// Deleting a row from a long list moves the renderer's record of the row
// heights after it (or before it, whichever side is shorter): beyond this many moves in
// all, building the list anew costs less.
constexpr size_t kMaxRowMoves = 4'000'000;

// "1 quote", "3 quotes".
std::string quotes_text(int32_t count) {
  return std::to_string(count) + (count == 1 ? " quote" : " quotes");
}

// What an undo note is about: "3 quotes", "tag “work”", "2 tags", or both.
std::string undo_note_text(const undo_note& note) {
  std::string tags;
  if (note.tags.size() == 1)
    tags = "tag \u201c" + note.tags.front() + "\u201d";
  else if (note.tags.size() > 1)
    tags = std::to_string(note.tags.size()) + " tags";
  if (note.quotes == 0) return tags;
  if (tags.empty()) return quotes_text(note.quotes);
  return quotes_text(note.quotes) + " and " + tags;
}

}  // namespace

pvview::pvview(const ResourceMgr& resources)
    : resources_(resources), doc_(std::make_unique<htmlayout::document>()) {
  doc_->set_notification_callback(
      [this](htmlayout::notification& record) { return on_notification(record); });
  doc_->set_content_builder([this](const element& card) { build_card(card); });
  register_behaviors();
  doc_->load_html(resources_.get(L"mainform.htm"));
  root_ = doc_->root();

  std::ostream& app = fml::getlog("app");
  app << "taglist::init " << std::flush;
  taglist_ = find_by_id(root_, L"taglist");
  app << "successfull." << std::endl;
  app << "thequotelist::init " << std::flush;
  thequotelist_ = find_by_id(root_, L"thequotelist");
  app << "successfull." << std::endl;

  searchbar_ = root_.select_first(id_select("p-searchbar"));
  managetags_ = root_.select_first(id_select("manage-tags"));
  notice_ = root_.select_first(id_select("notice"));
  quote_count_ = root_.select_first(id_select("quote-count"));
  no_match_ = root_.select_first(id_select("no-match"));
  words_ = root_.select_first(id_select("words"));
  show_list_state();
  fml::getlog("debug") << "view init" << std::endl;
}

pvview::~pvview() { fml::getlog("debug") << "veiw destruct" << std::endl; }

void pvview::show_notice(const std::string& text, notice_kind kind,
                         const notice_options& options) {
  if (!notice_) return;
  if (element line = notice_.select_first(id_select("notice-text")))
    line.set_text(fml::utf82wchar(text));
  element button = notice_.select_first(id_select("notice-action"));
  if (button && !options.button.empty()) {
    button.set_text(fml::utf82wchar(options.button));
    button.set_attribute("action", options.action);
    notice_.set_attribute("offers", L"");
  } else {
    notice_.remove_attribute("offers");
  }
  notice_.set_attribute("kind", kind == notice_kind::error ? L"error" : L"info");
  notice_.set_attribute("shown", L"");
  // The "notice" behaviour hides it when the timer falls due; 0 stops the
  // timer of a notice this one replaces.
  htmlayout::set_timer(notice_, options.hide_after_ms);
  notice_.update();
}

void pvview::hide_notice() {
  if (!notice_) return;
  notice_.remove_attribute("shown");
  htmlayout::set_timer(notice_, 0);
}

void pvview::show_undo_note(const undo_note& note) {
  const std::string what = undo_note_text(note);
  if (!note.restored) {
    show_notice("Deleted " + what, notice_kind::info, {"Undo", L"undo_delete", kUndoOfferMs});
    return;
  }
  show_notice(what.empty() ? "Nothing to undo" : "Restored " + what, notice_kind::info,
              {"", L"", kUndoOfferMs / 2});
}

void pvview::complete_quote_list() {
  if (held_back_.empty()) return;
  const std::string rows = light_quote_rows(held_back_);
  held_back_.clear();
  rows_parent(thequotelist_).set_html(rows, position::append_after_last);
  thequotelist_.update(true);
}

void pvview::show_list_state() {
  const size_t count = list_rows(thequotelist_) + held_back_.size();
  const bool tags = searchbar_ && !searchbar_.has_attribute("is_empty");
  const bool words = words_ && !words_.text().empty();
  const bool no_match = count == 0 && (tags || words);
  if (quote_count_ && count != shown_count_) {
    quote_count_.set_text(fml::utf82wchar(quotes_text(static_cast<int32_t>(count))));
    quote_count_.update();
    shown_count_ = count;
  }
  if (no_match_ && no_match) {
    const wchar_t* line = !words ? L"No quotes carry these tags"
                          : tags ? L"No quotes with these tags contain these words"
                                 : L"No quotes contain these words";
    if (no_match_.text() != line) no_match_.set_text(line);
  }
  if (no_match_ && no_match != no_match_.has_attribute("shown")) {
    if (no_match)
      no_match_.set_attribute("shown", L"");
    else
      no_match_.remove_attribute("shown");
    no_match_.update();
  }
}

uint32_t pvview::on_notification(htmlayout::notification& record) {
  namespace code = htmlayout::notification_code;
  switch (record.code) {
    case code::create_control: {
      const element& control = static_cast<htmlayout::create_control_notification&>(record).element;
      if (!control.has_attribute("message")) break;
      if (htmlayout::event_handler* sms = htmlayout::behavior::find("sms", control))
        control.attach_event_handler(htmlayout::element_proc, sms, sms->subscribed_to);
      break;
    }
    case code::load_data: {
      auto& request = static_cast<htmlayout::load_data_notification&>(record);
      std::wstring name = fml::utf82wchar(request.uri);
      if (!resources_.exists(name)) break;  // the engine looks for it itself
      // An empty file is handed over as empty data (an empty style sheet, an
      // image that shows nothing), so the engine does not go looking for
      // some other file of that name.
      if (!doc_->data_ready(request.uri, resources_.get(name)))
        throw load_pvl_resource_error("HTMLayoutDataReady error; " + fml::wchar2ansi(name));
      break;
    }
    case code::attach_behavior:
      htmlayout::answer_attach_behavior(
          static_cast<htmlayout::attach_behavior_notification&>(record));
      break;
    case code::behavior_notify:
      // What "command" and "hyperlink" elements report: the main window
      // does not act on it.
      break;
  }
  return 0;
}

void pvview::on_view_event(const view_event& event) {
  namespace ve = view_events;
  // An event without its record has nothing to show.
  if (std::holds_alternative<std::monostate>(event.data)) return;
  // Every change starts from the whole list.
  complete_quote_list();
  const auto apply = fml::overloaded{
      [](std::monostate) {},
      [&](const ve::vadd_quote& e) {
        if (e.quote) add_quote(*e.quote);
      },
      [&](const ve::vdelete_quote& e) { delete_quote(e.quote); },
      [&](const ve::vadd_tag_id& e) { add_tag_id(e.tag); },
      [&](const ve::vdelete_tag& e) { delete_tag(e.tag); },
      [&](ve::vdelete_wrong_tag) { delete_wrong_tag(); },
      [&](const ve::vedit_tag& e) { edit_tag(e.tag); },
      [&](const ve::vrename_tag& e) { rename_tag(e.now); },
      [&](const ve::vmark_quote& e) {
        if (e.tag) mark_quote(e.quote, *e.tag);
      },
      [&](const ve::vdelete_mark& e) { delete_mark(e.pair); },
      [&](const ve::vadd_search_tag& e) {
        if (e.tag) add_search_tag(*e.tag);
      },
      [&](const ve::vdelete_search_tag& e) { delete_search_tag(e.tag); },
      [&](const ve::vupdate_quotes& e) { update_quotes(e.quotes, e.read); },
      [&](const ve::vrename_stag& e) { rename_search_tag(e.now); },
      [&](const ve::vupdate_tags& e) { update_tags(e.tags); },
      [&](ve::vrefresh_quotes) { refresh_quotes(); },
      [&](ve::vclear_search_tags) { clear_search_tags(); },
      [&](const ve::vshow_quote_text& e) { show_quote_text(e.quote, e.open); },
      [&](const ve::vnotice& e) {
        show_notice(e.line.text, e.line.error ? notice_kind::error : notice_kind::info);
      },
      [&](const ve::vundo_note& e) { show_undo_note(e.note); },
  };
  std::visit(apply, event.data);
  show_list_state();
}

// A quote added alone gets its own row and cell, as in a rebuilt list, so
// that deleting, selecting and checking it work the same.
// A quote that arrives while the list is scrolled down would land out of
// sight: the list scrolls to it, and the card stays highlighted ("fresh")
// until the list's timer ("quotelist" behaviour) takes the mark off.
void pvview::add_quote(const Quote& quote) {
  listed_.reset();
  built_cards_.push_back(quote.m_id);
  thequotelist_.set_html(row_fragment(quote_fragment(quote, false, search_marks())),
                         position::insert_at_start);
  thequotelist_.update(true);
  const element card = quote_element(quote.m_id);
  if (!card) return;
  card.set_attribute("fresh", L"");
  card.update();
  // The card, then the count line over it, which shows the new total.
  for (const element& shown : {card, quote_count_}) {
    if (!shown) continue;
    if (host_.scroll_into_view)
      host_.scroll_into_view(shown);
    else
      htmlayout::scroll_to_view(shown);
  }
  htmlayout::set_timer(thequotelist_.parent(), kFreshQuoteMs);
}

// The card is rebuilt in its cell; the row keeps its states (checked,
// current), so the selection stays as it was.
void pvview::show_quote_text(const Quote& record, bool open) {
  const element quote = quote_element(record.m_id);
  if (!quote) return;
  const element cell = quote.parent();
  cell.set_html(quote_fragment(record, open, search_marks()), position::replace_content);
  built_cards_.push_back(record.m_id);
  cell.update(true);
}

void pvview::delete_quote(int32_t quote_id) {
  listed_.reset();
  // The list put aside loses the quote too, so that it still fits a list
  // of all quotes.
  if (!shelved_ids_.empty()) {
    if (const element card = shelf_.select_first(id_select(quote_element_id(quote_id)))) {
      card.parent().parent().delete_element();
      shelved_gone_.push_back(quote_id);
    }
  }
  element quote = quote_element(quote_id);
  if (quote.tag_name() == "div") quote = quote.parent().parent();
  quote.delete_element();
}

element pvview::fresh_tag_row(const char* event) const {
  element row = taglist_.select_first("tr[new_tr]");
  if (!row) throw cannot_find_fresh_tr(event);
  return row;
}

void pvview::add_tag_id(int32_t tag_id) {
  element row = fresh_tag_row("vadd_tag_id");
  element tag = row.select_first("div");
  tag.set_attribute_utf8("id", vtag_element_id(tag_id));
  tag.update(false);
  const Tag record{tag_id, fml::wchar2utf8(tag.text())};
  managetags_.set_html(mtm_item_fragment(record), position::insert_at_start);
}

void pvview::delete_tag(int32_t tag_id) {
  element tag = taglist_.select_first(id_select(vtag_element_id(tag_id)));
  if (tag) {
    // A tag deleted while it is renamed takes its edit with it.
    const bool edited = tag.get_state() & htmlayout::state::focus;
    tag.parent().parent().delete_element();
    if (edited) end_tag_edit();
    taglist_.update(true);
  }
  managetags_.select_first("#" + mtm_item_element_id(tag_id)).delete_element();
}

void pvview::delete_wrong_tag() {
  fresh_tag_row("vdelete_wrong_tag").delete_element();
  taglist_.update(true);
}

// The tag given is the one renamed, whichever row is current; a tag not
// saved yet (no id) is being named already.
void pvview::edit_tag(const element& tag) {
  if (!tag.has_attribute("id")) return;
  const element row = tag.parent().parent();
  edit_row(row.parent(), row);
}

void pvview::end_tag_edit() {
  for (const char* name : {"editable", "action", "start_editing"}) taglist_.remove_attribute(name);
  taglist_.set_state(htmlayout::state::focus);
}

void pvview::rename_tag(const tag_rename& rename) {
  const element tag = taglist_.select_first(id_select(vtag_element_id(rename.tag)));
  tag.set_text(rename.name);
  tag.update(true);
  managetags_.select_first("#" + mtm_item_element_id(rename.tag)).set_text(rename.name);
}

word_marks pvview::search_marks() const {
  if (!words_) return {};
  return word_marks(fml::wchar2utf8(words_.text()));
}

element pvview::quote_element(int32_t quote_id) const {
  return thequotelist_.select_first(id_select(quote_element_id(quote_id)));
}

element pvview::links_cell(const element& quote) { return quote.child(0).child(2).child(0); }

// A card that was not built yet is built here from the quote's record as it
// is now, which may carry the tag already.
void pvview::mark_quote(int32_t quote_id, const Tag& tag) {
  const element cell = links_cell(quote_element(quote_id));
  if (!cell || cell.select_first(id_select(qtag_element_id(quote_id, tag.m_id)))) return;
  cell.set_html(qtag_fragment(tag, quote_id), position::append_after_last);
  cell.update(true);
}

void pvview::delete_mark(const quote_tag_ids& mark) {
  const element quote = quote_element(mark.quote);
  const element cell = links_cell(quote);
  if (!cell) return;
  cell.select_first(id_select(qtag_element_id(mark.quote, mark.tag))).delete_element();
  // The cell may now be empty, which changes the height of the whole card.
  if (cell.children_count() > 0)
    cell.update(true);
  else
    quote.update(true);
}

void pvview::add_search_tag(const Tag& tag) {
  if (searchbar_.has_attribute("is_empty")) {
    searchbar_.set_html("", position::replace_content);
    searchbar_.remove_attribute("is_empty");
  }
  searchbar_.set_html(stag_fragment(tag), position::append_after_last);
  searchbar_.update(true);
  fit_search_head(searchbar_);
}

void pvview::delete_search_tag(int32_t tag_id) {
  const element tag = searchbar_.select_first(id_select(stag_element_id(tag_id)));
  if (!tag) return;
  tag.delete_element();
  if (searchbar_.children_count() == 0) show_search_caption();
  searchbar_.update(true);
  fit_search_head(searchbar_);
}

void pvview::show_search_caption() {
  searchbar_.set_attribute("is_empty", L"");
  searchbar_.set_html(kSearchCaptionFragment, position::replace_content);
}

// Rebuilding puts the rows in reverse order (the last quote shows first);
// the rows go in with one parse instead of one per quote. Each row is light:
// its card is an empty div.quote with the quote's id, and the document asks
// build_card for its content the first time something needs it (the row
// scrolls into view, a gesture or an event reaches into the card, the page
// is written out). So a list of 100,000 quotes costs a few nodes per quote
// and no record is read until its card is shown. The row and the card's div
// exist from the start, so the list's states (checked, current, anchor),
// the "fresh" mark, selection by id and the counts work on every row.
void pvview::update_quotes(const std::vector<int32_t>& ids, const quote_reader& read) {
  std::ostream& app = fml::getlog("app");
  app << "vupdate_quotes" << std::endl;
  // Only the list that follows the request is held back, whichever way it
  // is shown.
  const bool hold_back = std::exchange(hold_back_next_list_, false);
  read_quote_ = read;
  // The cards built later mark the words searched for now.
  word_marks marks = search_marks();
  const bool new_marks = !(marks == card_marks_);
  word_marks shown_marks = std::move(card_marks_);
  card_marks_ = std::move(marks);
  // Typing on in a word that finds the same quotes: the list stays.
  if (listed_ && *listed_ == ids && thequotelist_ &&
      rows_parent(thequotelist_).children_count() == ids.size()) {
    renew_same_quote_list(new_marks);
    app << "vupdate_quotes complete" << std::endl;
    return;
  }
  if (restore_shelved_quote_list(ids)) {
    listed_ = ids;
    app << "vupdate_quotes complete" << std::endl;
    return;
  }
  const bool shelved = shelve_quote_list(ids, shown_marks);
  listed_.reset();
  if (!shelved && narrow_quote_list(ids, new_marks)) {
    listed_ = ids;
    app << "vupdate_quotes complete" << std::endl;
    return;
  }
  // The newest quotes come first: held back are those at the start of `ids`.
  const size_t held_back = hold_back && ids.size() > kFirstRows ? ids.size() - kFirstRows : 0;
  held_back_.assign(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(held_back));
  const std::string rows = light_quote_rows(std::span(ids).subspan(held_back));
  // No row of the old list is selected in the new one.
  thequotelist_.remove_attribute("multiselect");
  thequotelist_.remove_attribute("shift");
  thequotelist_.set_html(rows, position::replace_content);
  thequotelist_.update(true);
  listed_ = ids;
  built_cards_.clear();
  // A list as long as the one put aside takes its place in memory.
  if (!shelved_ids_.empty() && ids.size() >= shelved_ids_.size()) drop_shelved_quote_list();
  app << "vupdate_quotes complete" << std::endl;
}

// From this many rows on, a list narrowed to a quarter or less is put aside.
constexpr size_t kShelveFrom = 1000;

bool pvview::shelve_quote_list(const std::vector<int32_t>& ids, word_marks& shown_marks) {
  if (!listed_ || !shelved_ids_.empty() || !thequotelist_) return false;
  const element rows = rows_parent(thequotelist_);
  const size_t count = rows.children_count();
  if (count != listed_->size() || count < kShelveFrom || ids.size() * 4 > count) return false;
  if (!shelf_) shelf_ = doc_->create_shelf();
  for (uint32_t bit : {htmlayout::state::checked, htmlayout::state::current,
                       htmlayout::state::anchor})
    for (const element& row : rows.children_with_state(bit)) row.set_state(0, bit, false);
  if (!rows.exchange_children(shelf_)) return false;
  shelved_ids_ = std::move(*listed_);
  shelved_cards_ = std::move(built_cards_);
  shelved_marks_ = std::move(shown_marks);
  built_cards_.clear();
  return true;
}

bool pvview::restore_shelved_quote_list(const std::vector<int32_t>& ids) {
  if (shelved_ids_.empty() || !thequotelist_) return false;
  if (!shelved_gone_.empty()) {
    std::sort(shelved_gone_.begin(), shelved_gone_.end());
    std::erase_if(shelved_ids_, [&](int32_t id) {
      return std::binary_search(shelved_gone_.begin(), shelved_gone_.end(), id);
    });
    shelved_gone_.clear();
  }
  if (ids.size() < shelved_ids_.size() ||
      !std::equal(shelved_ids_.begin(), shelved_ids_.end(), ids.begin()) ||
      shelf_.children_count() != shelved_ids_.size()) {
    return false;
  }
  const element rows = rows_parent(thequotelist_);
  if (!rows.exchange_children(shelf_)) {
    drop_shelved_quote_list();  // the page the list was put aside from is gone
    return false;
  }
  std::vector<int32_t> cards = std::move(shelved_cards_);
  // The rows shown until now go, and the quotes added since the list was
  // put aside come on top.
  drop_shelved_quote_list();
  const std::string added = light_quote_rows(std::span(ids).subspan(rows.children_count()));
  if (!added.empty()) rows.set_html(added, position::insert_at_start);
  for (int32_t id : cards)
    if (const element card = quote_element(id); card && card.has_attribute("fresh"))
      card.remove_attribute("fresh");
  built_cards_ = std::move(cards);
  // Cards that show the marks searched for now keep their text (and the
  // renderer keeps what it made of them).
  renew_same_quote_list(!(card_marks_ == shelved_marks_));
  return true;
}

void pvview::drop_shelved_quote_list() {
  if (shelf_) shelf_.set_text(L"");
  shelved_ids_.clear();
  shelved_cards_.clear();
  shelved_marks_ = {};
  shelved_gone_.clear();
}

// A search that narrows the list (a word typed on, a tag added to an "All
// tags" search) or finds what is shown (the letters typed after a word's
// quotes are found) keeps the rows that stay: the cost is reading the ids
// of the rows shown and deleting those that leave, instead of building every
// row anew.
bool pvview::narrow_quote_list(const std::vector<int32_t>& ids, bool new_marks) {
  if (!thequotelist_) return false;
  const element rows = rows_parent(thequotelist_);
  const size_t count = rows.children_count();
  if (count == 0 || ids.size() > count) return false;
  std::vector<size_t> leaving;
  std::vector<element> cards;  // the cards that stay
  cards.reserve(ids.size());
  size_t moves = 0;
  auto wanted = ids.rbegin();  // the list shows the last quote first
  for (size_t i = 0; i < count; ++i) {
    const element card = rows.child(i).child(0).child(0);
    const int32_t id = card_quote_id(card);
    if (id == 0) return false;
    if (wanted != ids.rend() && *wanted == id) {
      ++wanted;
      cards.push_back(card);
      continue;
    }
    leaving.push_back(i);
    moves += std::min(i, count - i);
    if (moves > kMaxRowMoves) return false;
  }
  if (wanted != ids.rend()) return false;
  // From the last row, so that the indexes of the others hold.
  for (auto i = leaving.rbegin(); i != leaving.rend(); ++i) rows.child(*i).delete_element();
  for (uint32_t bit : {htmlayout::state::checked, htmlayout::state::current,
                       htmlayout::state::anchor})
    for (const element& row : rows.children_with_state(bit)) row.set_state(0, bit, false);
  for (const element& card : cards) {
    if (card.has_attribute("fresh")) card.remove_attribute("fresh");
    // A card built for the last search shows its words' marks, or is open.
    if (card.content_built()) refresh_card(card, new_marks);
  }
  thequotelist_.remove_attribute("multiselect");
  thequotelist_.remove_attribute("shift");
  thequotelist_.update(true);
  return true;
}

// No row left or came since the list was built or narrowed (listed_), and
// no card was marked "fresh" since (only a new quote is, which adds a row).
void pvview::renew_same_quote_list(bool new_marks) {
  const element rows = rows_parent(thequotelist_);
  for (uint32_t bit : {htmlayout::state::checked, htmlayout::state::current,
                       htmlayout::state::anchor})
    for (const element& row : rows.children_with_state(bit)) row.set_state(0, bit, false);
  std::sort(built_cards_.begin(), built_cards_.end());
  built_cards_.erase(std::unique(built_cards_.begin(), built_cards_.end()), built_cards_.end());
  for (int32_t id : built_cards_)
    if (const element card = quote_element(id); card && card.content_built())
      refresh_card(card, new_marks);
  thequotelist_.remove_attribute("multiselect");
  thequotelist_.remove_attribute("shift");
  thequotelist_.update(true);
}

// The search-bar tag holds its name as plain text, so the name replaces the
// element's whole content.
void pvview::rename_search_tag(const tag_rename& rename) {
  const element tag = searchbar_.select_first(id_select(stag_element_id(rename.tag)));
  tag.set_text(rename.name);
  tag.update(true);
  fit_search_head(searchbar_);
}

void pvview::update_tags(const std::vector<Tag>& tags) {
  std::ostream& app = fml::getlog("app");
  app << "vupdate_tags" << std::endl;
  std::string rows;
  std::string items;
  for (auto tag = tags.rbegin(); tag != tags.rend(); ++tag) {
    rows += row_fragment(vtag_fragment(*tag));
    items += mtm_item_fragment(*tag);
  }
  // No row of the old list is selected or edited in the new one.
  if (taglist_.has_attribute("editable")) end_tag_edit();
  taglist_.remove_attribute("multiselect");
  taglist_.remove_attribute("shift");
  taglist_.set_html(rows, position::replace_content);
  managetags_.set_html(items, position::replace_content);
  taglist_.update(true);
  app << "vupdate_tags complete" << std::endl;
}

void pvview::refresh_quotes() {
  std::ostream& app = fml::getlog("app");
  app << "vrefresh_quotes" << std::endl;
  thequotelist_.update(true);
  app << "vrefresh_quotes complete" << std::endl;
}

// The search leaves the bar and the word field.
void pvview::clear_search_tags() {
  while (searchbar_.children_count() > 0) searchbar_.child(0).delete_element();
  show_search_caption();
  searchbar_.update(true);
  if (words_ && !words_.text().empty()) {
    words_.set_text(L"");
    const element field = root_.select_first(id_select("wordfield"));
    if (field) field.set_attribute("is_empty", L"");
    (field ? field : words_).update(true);
  }
  fit_search_head(searchbar_);
}

std::optional<Quote> pvview::card_record(const element& card) {
  const std::optional<std::string> id = card.get_attribute_utf8("id");
  if (!read_quote_ || !id || id->rfind("q-", 0) != 0) return std::nullopt;
  try {
    return read_quote_(std::stoi(id->substr(2)));
  } catch (const std::exception& e) {
    // The collection cannot be read now (locked).
    fml::getlog("app") << "quote card " << *id << " not built: " << e.what() << std::endl;
    return std::nullopt;
  }
}

void pvview::build_card(const element& card) {
  if (const std::optional<Quote> record = card_record(card)) {
    card.set_html(quote_content_fragment(*record, false, card_marks_), position::replace_content);
    built_cards_.push_back(record->m_id);
  }
}

// Styling a card's elements is most of what building it costs, so a card
// whose tags are still those of its record keeps its other cells: only its
// text cell is built again, and only when its marks change or it is open.
void pvview::refresh_card(const element& card, bool new_marks) {
  const std::optional<Quote> record = card_record(card);
  if (!record) return;
  const element text = card.select_first("td.text");
  const std::vector<element> tags = card.select_all("td.links div.qtag");
  bool same_tags = text && tags.size() == record->m_tags.size();
  for (size_t i = 0; same_tags && i < tags.size(); ++i) {
    const Tag& tag = record->m_tags[i];
    same_tags = tags[i].get_attribute_utf8("id") == qtag_element_id(record->m_id, tag.m_id) &&
                tags[i].text() == fml::utf82wchar(tag.m_utfname);
  }
  if (!same_tags)
    card.set_html(quote_content_fragment(*record, false, card_marks_), position::replace_content);
  else if (new_marks || card.select_first("button.showtext[show=less]"))
    text.set_html(quote_text_fragment(*record, false, card_marks_), position::replace_content);
}

void pvview::dump(const std::string& path) {
  const element root = doc_->root();
  if (!root) return;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return;
  complete_quote_list();
  out << root.html(true);
}

}  // namespace pvl
