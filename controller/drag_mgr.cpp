#include "controller/drag_mgr.h"

#include <cstdlib>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

#include "controller/action.h"
#include "controller/pvcontroller.h"
#include "fml/log.h"
#include "htmlayout/dom/events.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/path.h"

namespace pvl {

using htmlayout::dom::element;

namespace {

// The element's class and id; none when either is missing or empty, since
// such an element cannot be told apart from the others of its kind.
std::optional<drag_key> key_of(const element& e) {
  std::optional<std::wstring> cls = e.get_attribute("class");
  std::optional<std::wstring> id = e.get_attribute("id");
  if (!cls || cls->empty() || !id || id->empty()) return std::nullopt;
  return drag_key{std::move(*cls), std::move(*id)};
}

}  // namespace

DragMgr::DragMgr(pvcontroller& controller) : controller_(controller) {
  std::ostream& app = fml::getlog("app");
  app << "Initializing DragMgr" << std::endl;
  drag_config config = read_drag_config(
      tinyfilesystem::join_path(tinyfilesystem::app_dir(L"ParvelaDir"), L"DragMgr.xml"));
  interactions_ = std::move(config.interactions);
  app << config.count << " interactions loaded" << std::endl;
  app << "Initialized DragMgr." << std::endl;
}

bool DragMgr::arm(const element& e, int32_t x, int32_t y) {
  std::optional<drag_key> key = key_of(e);
  if (!key || interactions_.find(*key) == interactions_.end()) return false;
  source_ = e;
  armed_ = true;
  armed_x_ = x;
  armed_y_ = y;
  return true;
}

bool DragMgr::is_armed_and_moved(int32_t x, int32_t y) const {
  if (!armed_) return false;
  return std::llabs(int64_t{x} - armed_x_) > 3 || std::llabs(int64_t{y} - armed_y_) > 3;
}

void DragMgr::start_drag() {
  if (!armed_) return;
  dragging_ = true;
  cursor_body_ = source_.root().select_first("body");
  bool is_quote = source_.get_attribute("class").value_or(L"") == L"quote";
  cursor_body_.set_attribute("cursor", is_quote ? L"dragquote.cur" : L"dragtag.cur");
  if (refresh_pointer_) refresh_pointer_();
}

bool DragMgr::drop(const element& target) {
  if (!dragging_) {
    source_ = element();
    armed_ = false;
    return false;
  }
  if (!target) return false;
  std::optional<drag_key> source_key = key_of(source_);
  std::optional<drag_key> target_key = key_of(target);
  if (!source_key || !target_key) return false;

  // The drop bubbles: the target, else its nearest ancestor that is a
  // configured target for this source.
  element at = target;
  std::optional<drag_key> at_key = std::move(target_key);
  std::wstring name;
  for (;;) {
    if (at_key) name = action_for(*source_key, *at_key);
    if (!name.empty()) break;
    element parent = at.parent();
    if (!parent) {
      if (at == target) return false;
      break;
    }
    at = std::move(parent);
    at_key = key_of(at);
  }

  bool dropped = !name.empty();
  if (dropped) {
    // Collected before any action runs: the actions change the document.
    for (const element& dragged : dragged_elements()) {
      const action_elements elements{dragged, at};
      controller_.interpret_action(action{name, elements});
    }
  }
  end_drag();
  return dropped;
}

void DragMgr::end_drag() {
  bool was_dragging = dragging_;
  source_ = element();
  armed_ = false;
  dragging_ = false;
  if (!was_dragging) return;
  cursor_body_.remove_attribute("cursor");
  cursor_body_ = element();
  if (refresh_pointer_) refresh_pointer_();
}

std::wstring DragMgr::action_for(const drag_key& source, const drag_key& target) const {
  auto targets = interactions_.find(source);
  if (targets == interactions_.end()) return std::wstring();
  auto found = targets->second.find(target);
  return found == targets->second.end() ? std::wstring() : found->second;
}

void DragMgr::set_pointer_refresh(std::function<void()> refresh) {
  refresh_pointer_ = std::move(refresh);
}

std::vector<element> DragMgr::dragged_elements() const {
  element cell = source_.parent();
  element row = cell.parent();
  element table = row.parent();
  if (cell.tag_name() != "td" || row.tag_name() != "tr" || table.tag_name() != "table" ||
      !table.has_attribute("multiple")) {
    return {source_};
  }
  std::vector<element> dragged;
  for (size_t i = 0; i < table.children_count(); ++i) {
    element each = table.child(i);
    if ((each.get_state() & htmlayout::state::checked) || each == row) {
      dragged.push_back(each.select_first("div"));
    }
  }
  return dragged;
}

}  // namespace pvl
