// A document: the tree of one window's page, its style sheets and what the
// engine keeps about it (an index by id and by state, the focused element,
// the queue of posted events). The host (the window) owns it: it installs a
// notification callback, loads HTML, answers load requests with data_ready
// and lets posted events run. The program works on the tree through
// dom::element handles; the renderer watches it through document_observer.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "htmlayout/dom/document_observer.h"
#include "htmlayout/dom/node_set.h"
#include "htmlayout/dom/element.h"
#include "htmlayout/dom/event_params.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/dom/id_index.h"
#include "htmlayout/dom/interaction.h"
#include "htmlayout/dom/node.h"
#include "htmlayout/dom/notifications.h"
#include "htmlayout/dom/style.h"

namespace htmlayout {

class document {
 public:
  document();
  ~document();
  document(const document&) = delete;
  document& operator=(const document&) = delete;

  // ---- The host ----
  void set_notification_callback(notification_callback callback);
  // Replaces the whole document by the parsed page. `base_url` (a file URL or
  // path, or empty) is what relative references are resolved against; with
  // none they reach the host as written. Style sheets are requested, styles
  // computed, then controls and behaviours attached in document order.
  // Returns false, leaving an empty page, when the markup nests too deep.
  bool load_html(std::string_view html, std::string_view base_url = {});
  // The root (html) element.
  dom::element root() const;
  // Hands over the data of a requested resource. Returns false when nothing
  // waits for `uri`.
  bool data_ready(std::string_view uri, std::string_view data);
  // Asks the host for a resource (an image, for the renderer); the data
  // reaches the observers' data_arrived.
  void request_data(std::string_view uri, uint32_t data_type, const dom::element& principal);
  // `relative` resolved against the document's base URL.
  std::string combine_url(std::string_view relative) const;
  // Hands `record` to the host's callback (setting record.doc) and returns
  // its answer; 0 without a callback. The engine's notifications go this
  // way, and so do the reports of behaviours to their window.
  uint32_t notify(notification& record);

  // ---- Content built on first use ----
  // An element inserted with the attribute "lazy" (which it does not keep)
  // stands for content that is not built yet: a long list holds its rows as
  // such light elements and the builder makes a row's content the first
  // time something needs it. That is an element handle asking for the
  // element's children, text or HTML, inserting into it or selecting from
  // it (started on the element itself or, for text() and html(), on an
  // ancestor), and the renderer mirroring it (a row coming into view).
  // Until then the element has no children: selectors and visit() over a
  // subtree match it by its own tag, attributes and states and do not
  // descend into it. text() and html() of an ancestor build what they read
  // and drop it again afterwards, so a dump of the page keeps it light.
  // The builder is called once per element, with the flag already cleared;
  // it fills the element (set_html); one that builds nothing leaves it
  // empty. Replacing the content (set_html at 0, set_text) builds nothing.
  using content_builder = std::function<void(const dom::element& e)>;
  void set_content_builder(content_builder builder) { builder_ = std::move(builder); }
  // Builds the content of `e` now when it is not built yet and `e` is in
  // this document; true when it was built.
  bool build_content(const dom::element& e);

  // ---- The renderer ----
  void add_observer(document_observer* observer);
  void remove_observer(document_observer* observer);
  struct style_sheet {
    std::string url;  // empty for a style element
    std::string text;
  };
  // The style sheets that have arrived, in document order.
  std::vector<style_sheet> style_sheets() const;

  // ---- Events ----
  // While one exists the document is handling an event; when the outermost
  // ends, the events posted meanwhile are delivered. Input dispatch and
  // send_event open one.
  class event_scope {
   public:
    explicit event_scope(document* doc);
    ~event_scope();
    event_scope(const event_scope&) = delete;
    event_scope& operator=(const event_scope&) = delete;

   private:
    document* doc_;
    int exceptions_;
  };
  // Delivers the posted events in order, including those posted meanwhile.
  void deliver_posted_events();
  bool has_posted_events() const { return !posted_.empty(); }
  // Called when an event is posted while no event is being handled, so the
  // host can deliver it from its event loop.
  void set_post_wakeup(std::function<void()> wakeup);
  // The element holding the focus state, or null.
  dom::element focused() const;
  // A new element of this document kept outside its tree: a place for rows
  // put aside while others are shown (element::exchange_children). What it
  // holds stays registered with the document (ids, states, behaviours) but
  // is out of reach of selectors, id lookups, the renderer and the input,
  // which all start from the tree. The document destroys its shelves with
  // its tree (and on a new page).
  dom::element create_shelf();

  // ---- Input ----
  // The document's interactive side (interaction.h) registers itself here
  // for its lifetime. While one is set, focus moves asked for through element
  // states and behaviour methods that no handler takes go to it.
  void set_interaction(interaction* side) { interaction_ = side; }
  interaction* interaction_side() const { return interaction_; }
  // Timers behaviours set while no input exists (a page loaded before its
  // host made the input) are kept here; the input takes them over when it is
  // created. A new page drops them.
  struct pending_timer {
    dom::element element;
    uint32_t milliseconds;
    uintptr_t id;
  };
  void keep_timer(const dom::element& e, uint32_t milliseconds, uintptr_t id);
  std::vector<pending_timer> take_pending_timers();

  // ---- Drawing ----
  // The elements of the document that have a handler subscribed to the draw
  // group, in no particular order: the host hands each that it displays a
  // draw event after painting the page.
  std::vector<dom::element> elements_with_draw_handlers() const;
  // Hands `params` to the draw handlers of `e`; true when one answered true.
  // Exceptions from the handlers pass out.
  bool draw_element(const dom::element& e, draw_params& params) const;

 private:
  friend class dom::element;
  friend struct tree_ops;
  friend struct selection;

  // State bits that selectors often ask for and few elements carry: the
  // document keeps the set of connected elements holding each.
  static constexpr uint32_t tracked_state_mask = state::focus | state::current | state::checked |
                                                 state::anchor | state::hover | state::expanded |
                                                 state::collapsed | state::active;

  struct sheet_slot {
    element_node* owner;  // the style or link element
    std::string url;
    std::string text;
    bool arrived;
  };
  struct posted_event {
    dom::element to;
    uint32_t code;
    dom::element source;
    uintptr_t reason;
  };

  // Brings a subtree into the document's indexes (or out of them); both
  // answer whether it holds a style sheet element.
  bool connect(node* top);
  bool disconnect(node* top);
  // Keeps drawing_ in step with the handlers of `e`.
  void handlers_changed(element_node* e);
  // After a style sheet element came or went: the sheets again, every style.
  void style_sheets_changed();
  // Index, observers and styles after an element's attribute or state changed.
  void attribute_changed(element_node* e, atom name);
  void state_changed(element_node* e, uint32_t old_state);
  // The same for many children of `parent` at once, each with its old state
  // and given `to_set` and cleared `to_clear` since: one notice to the
  // observers. The new states are worked out from the old ones, so that a
  // change of 100,000 rows reads none of them again.
  void children_state_changed(element_node* parent,
                              const std::vector<std::pair<element_node*, uint32_t>>& changed,
                              uint32_t to_set, uint32_t to_clear);
  void restyle(element_node* e, bool with_descendants);
  void restyle_all();
  void bind_behavior(element_node* e, uint32_t old_style);
  // Sends the control-creation notification to new controls and binds the
  // behaviours of elements whose style names another one than `old_style`.
  void attach_new_elements(const std::vector<std::pair<dom::element, uint32_t>>& elements);
  void collect_style_sheets();
  void load_style_sheet(sheet_slot& slot);
  void rebuild_resolver();
  void post(posted_event event);
  // Observers must not add or remove observers from their calls.
  template <typename Call>
  void each_observer(Call&& call) {
    for (document_observer* o : observers_) call(*o);
  }

  dom::element root_;
  std::vector<dom::element> shelves_;
  void drop_shelves();
  std::string base_url_;
  notification_callback callback_;
  std::vector<document_observer*> observers_;
  style_resolver resolver_;
  std::vector<sheet_slot> sheets_;
  std::unordered_map<std::string, std::string> loaded_sheets_;  // by URL
  std::vector<std::string> pending_requests_;                   // for request_data
  bool collecting_sheets_ = false;
  id_index ids_;
  // Connected elements with each frequently selected state bit.
  std::unordered_map<uint32_t, node_set> by_state_;
  element_node* focused_ = nullptr;
  // Connected elements with a handler subscribed to the draw group.
  std::unordered_set<element_node*> drawing_;
  std::vector<pending_timer> pending_timers_;
  std::deque<posted_event> posted_;
  std::function<void()> post_wakeup_;
  int dispatch_depth_ = 0;
  bool delivering_ = false;
  interaction* interaction_ = nullptr;
  content_builder builder_;
};

}  // namespace htmlayout
