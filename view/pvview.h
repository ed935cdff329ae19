// The view: owns the main window's document, finds the four regions it edits
// (the tag list, the quote list, the search bar and the manage-tags menu) and
// carries out the view events by which the model (and, to start renaming a
// tag, the controller) say what changed. It also answers the document's
// notifications: load requests from the resource store, behaviours from the
// behaviour registry, and the "sms" behaviour for controls that name a
// message. The view never reads the collection; it only shows the records
// the events carry.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fml/whoami.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/element.h"
#include "model/view_event.h"
#include "model/word_marks.h"
#include "view/behavior_host.h"

namespace pvl {

class ResourceMgr;

// What a notice offers besides its text (pvview::show_notice).
struct notice_options {
  // A button beside the text: its label (UTF-8; empty: no button) and the
  // controller action its click runs, with no parameter, after hiding the
  // notice.
  std::string button;
  std::wstring action;
  // How long the notice stays, in milliseconds of the engine's timers;
  // 0: until it is replaced, hidden or closed.
  uint32_t hide_after_ms = 0;
};

class pvview : public whoami, public view_event_sink {
 public:
  // Registers the program's behaviours (register_behaviors), creates the
  // main window's document, loads "mainform.htm" from
  // `resources` into it (its style sheets and images are answered from
  // `resources` too, which must outlive the view) and looks up the regions,
  // writing "taglist::init successfull.", "thequotelist::init successfull."
  // to the log "app" and "view init" to "debug". A region missing from the
  // page is not an error: edits of it do nothing. Raises
  // resource_not_found_error when `resources` holds no "mainform.htm" and
  // load_pvl_resource_error when the document refuses a resource's bytes.
  explicit pvview(const ResourceMgr& resources);
  // Writes "veiw destruct" to the log "debug" and flushes it.
  ~pvview() override;

  pvview(const pvview&) = delete;
  pvview& operator=(const pvview&) = delete;

  std::string name() const override { return "view"; }

  // Carries out one view event (ids in model/view_event.h); vnotice shows
  // its line in the notice. Ids 13, 16, 18, 19 and those outside 1 to 22
  // (but vnotice) are ignored, and so is an event whose data
  // is null where data is expected. Afterwards the quote count and the
  // no-match line show the list as it is. Raises cannot_find_fresh_tr, with the
  // text "vadd_tag_id" or "vdelete_wrong_tag", when those events find no
  // tag-list row marked "new_tr"; the document is then unchanged.
  void on_view_event(const view_event& event) override;

  // Empties the search bar: marks it "is_empty" and puts the caption in it.
  void show_search_caption();

  // Shows `text` (UTF-8, shown as text, never as markup) in the window's
  // notice over the foot of the quote list, replacing what it showed. It
  // stays until the next notice, hide_notice or the user's click on its
  // close button. An error notice is tinted so that it is not overlooked.
  enum class notice_kind { info, error };
  void show_notice(const std::string& text, notice_kind kind = notice_kind::info,
                   const notice_options& options = {});
  void hide_notice();

  // How long the offer to undo a deletion stays, and how long a new quote
  // stays highlighted.
  static constexpr uint32_t kUndoOfferMs = 8000;
  static constexpr uint32_t kFreshQuoteMs = 2500;

  // Writes the document's outer HTML (UTF-8) to `path`, truncating it, with
  // every quote's row (complete_quote_list). When the file cannot be opened
  // nothing is written and nothing is reported.
  void dump(const std::string& path);

  // Start-up: the next new quote list gets only the rows that fill a window
  // (kFirstRows, the newest quotes); the rest wait for complete_quote_list(),
  // which the window calls once it has been painted, or for the next view
  // event, which completes the list before it is carried out. The quote
  // count counts the waiting rows.
  void hold_back_rows_of_next_list() { hold_back_next_list_ = true; }
  void complete_quote_list();
  static constexpr size_t kFirstRows = 200;

  // The document's notification callback: answers load requests (2817) with
  // the resource of exactly the requested name, behaviour requests (2823)
  // from the behaviour registry, and gives the "sms" behaviour to created
  // controls (2816) that have a "message" attribute; ignores the reports of
  // the stock "command" and "hyperlink" behaviours (1124). Returns 0. Raises
  // load_pvl_resource_error ("HTMLayoutDataReady error; " + URL) when the
  // document refuses a resource's bytes.
  uint32_t on_notification(htmlayout::notification& record);

  // The main window's document, for the window that shows it.
  htmlayout::document& document() { return *doc_; }

  // What the page's behaviours ask of the window that shows it; the window
  // fills it in (shell/application.cpp), and clears it before it goes.
  behavior_host& host() { return host_; }

 private:
  void add_quote(const Quote& quote);
  void show_quote_text(const Quote& record, bool open);
  void delete_quote(int32_t quote_id);
  void add_tag_id(int32_t tag_id);
  void delete_tag(int32_t tag_id);
  void delete_wrong_tag();
  void edit_tag(const htmlayout::dom::element& tag);
  // Ends the tag list's edit whose row is gone; the list takes the focus.
  void end_tag_edit();
  void rename_tag(const tag_rename& rename);
  void mark_quote(int32_t quote_id, const Tag& tag);
  void delete_mark(const quote_tag_ids& mark);
  void add_search_tag(const Tag& tag);
  void delete_search_tag(int32_t tag_id);
  void update_quotes(const std::vector<int32_t>& ids, const quote_reader& read);
  // Makes the list show `ids` (in table order) by deleting the rows of the
  // quotes that leave it, when each of them is shown already in that order
  // and the deletions cost less than a new list; false (nothing done)
  // otherwise. The rows that stay are as in a new list: no state, no
  // "fresh" mark, closed cards with the marks of card_marks_ (which
  // `new_marks` says have changed).
  bool narrow_quote_list(const std::vector<int32_t>& ids, bool new_marks);
  // Makes the rows of a list that already shows the ids of a new search
  // (listed_) as in a new list, without reading every row: no state, and
  // the cards built since the list was built refreshed (refresh_card).
  void renew_same_quote_list(bool new_marks);
  // A long list that a search narrows to a small part of it is put aside
  // whole (a document shelf) rather than destroyed, and comes back when a
  // later list starts with its ids (Clear of the search; the quotes added
  // since are added to it then). Shelving and restoring cost a pass over
  // the rows' links, not a build or destruction of every row. Each answers
  // whether it did its work; restoring makes the list as a new one would
  // be (see narrow_quote_list).
  // `shown_marks`: the marks the cards of the list being put aside show.
  bool shelve_quote_list(const std::vector<int32_t>& ids, word_marks& shown_marks);
  bool restore_shelved_quote_list(const std::vector<int32_t>& ids);
  void drop_shelved_quote_list();
  // The document's content builder: fills a quote list's light row's card
  // from the quote's record (see update_quotes).
  void build_card(const htmlayout::dom::element& card);
  // Makes a built card show its record as a card of a new list would
  // (closed, with the marks of card_marks_, which `new_marks` says have
  // changed), building again only what differs.
  void refresh_card(const htmlayout::dom::element& card, bool new_marks);
  // The record of the quote a card shows, or nothing when the collection
  // cannot be read now (the card stays as it is until the list is rebuilt).
  std::optional<Quote> card_record(const htmlayout::dom::element& card);
  void rename_search_tag(const tag_rename& rename);
  void update_tags(const std::vector<Tag>& tags);
  void refresh_quotes();
  void clear_search_tags();
  void show_undo_note(const undo_note& note);
  // The quote count over the list and, for a search that finds nothing, the
  // line that says so; after every event that can change the list.
  void show_list_state();

  // The marks of the words in the word field: the cards of a word search
  // show where its words are.
  word_marks search_marks() const;
  // The quote list's element of quote `quote_id`, or null.
  htmlayout::dom::element quote_element(int32_t quote_id) const;
  // The links cell (the tags) of a quote element, or null.
  static htmlayout::dom::element links_cell(const htmlayout::dom::element& quote);
  // The tag-list row marked "new_tr"; raises cannot_find_fresh_tr(event).
  htmlayout::dom::element fresh_tag_row(const char* event) const;

  const ResourceMgr& resources_;
  behavior_host host_;
  // Declared before the handles so that they are released first.
  std::unique_ptr<htmlayout::document> doc_;
  htmlayout::dom::element root_;
  htmlayout::dom::element taglist_;
  htmlayout::dom::element thequotelist_;
  htmlayout::dom::element searchbar_;
  htmlayout::dom::element managetags_;
  htmlayout::dom::element notice_;
  htmlayout::dom::element quote_count_;
  htmlayout::dom::element no_match_;
  htmlayout::dom::element words_;  // the word search field's text
  size_t shown_count_ = SIZE_MAX;
  // Reads the records of the quotes in the list (from the last vupdate_quotes).
  quote_reader read_quote_;
  // The marks of the word search the list was last built for.
  word_marks card_marks_;
  // The ids the quote list shows, in table order, while no row was added
  // or deleted since the list was last built or narrowed; nothing otherwise.
  std::optional<std::vector<int32_t>> listed_;
  bool hold_back_next_list_ = false;
  // The ids whose rows wait (hold_back_rows_of_next_list), in the model's
  // order: the oldest quotes, shown below the others.
  std::vector<int32_t> held_back_;
  // The quotes whose cards were built since the list was built: the only
  // cards a search that keeps the list has to refresh. Some may be gone.
  std::vector<int32_t> built_cards_;
  // The list put aside (shelve_quote_list): its rows, its ids in table
  // order, its built cards (built_cards_ while it was shown) and the marks
  // they show.
  htmlayout::dom::element shelf_;
  std::vector<int32_t> shelved_ids_;
  std::vector<int32_t> shelved_cards_;
  word_marks shelved_marks_;
  std::vector<int32_t> shelved_gone_;  // deleted from the shelf since
};

}  // namespace pvl
