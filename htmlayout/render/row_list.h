// An element class for long lists: painting and hit testing visit only the
// children that can meet the clip or the point, found by binary search over
// their measured extents, instead of every child as litehtml does. The
// output is the same as litehtml's, call for call. Wraps any litehtml element
// class so that its own attribute and table handling is kept.
#pragma once

#include <litehtml/litehtml.h>

#include <cstddef>
#include <memory>
#include <utility>

#include "htmlayout/render/paint_extent.h"

namespace htmlayout::render {

// Whether row_list elements cull: on by default; tests switch it off to get
// litehtml's full walk for comparison.
void set_row_culling(bool enabled);
bool row_culling();

template <class Base>
class row_list : public Base {
 public:
  // Below this many children a full walk costs less than the index.
  static constexpr std::size_t kMinChildren = 16;

  explicit row_list(const std::shared_ptr<litehtml::document>& doc) : Base(doc) {}

  int render(int x, int y, int max_width, bool second_pass = false) override {
    index_state_ = index_state::stale;
    return Base::render(x, y, max_width, second_pass);
  }

  void draw_children(litehtml::uint_ptr hdc, int x, int y, const litehtml::position* clip,
                     litehtml::draw_flag flag, int zindex) override {
    if (!clip || !indexed()) {
      Base::draw_children(hdc, x, y, clip, flag, zindex);
      return;
    }
    const int origin_y = y + this->m_pos.y;
    children_subset subset(*this,
                           index_.meeting(clip->top() - origin_y, clip->bottom() - origin_y));
    Base::draw_children(hdc, x, y, clip, flag, zindex);
  }

  litehtml::element::ptr get_child_by_point(int x, int y, int client_x, int client_y,
                                            litehtml::draw_flag flag, int zindex) override {
    if (!indexed()) return Base::get_child_by_point(x, y, client_x, client_y, flag, zindex);
    const int local_y = y - this->m_pos.y;
    children_subset subset(*this, index_.meeting(local_y, local_y));
    return Base::get_child_by_point(x, y, client_x, client_y, flag, zindex);
  }

 private:
  enum class index_state { stale, built, unusable };

  // Builds the index on first use after a layout, once every later shift
  // (vertical alignment, positioned elements) has been applied.
  bool indexed() {
    if (!row_culling()) return false;
    const litehtml::style_display display = this->get_display();
    if (display == litehtml::display_table || display == litehtml::display_inline_table)
      return false;  // a table paints its cells through its grid, not its children
    if (this->m_children.size() < kMinChildren) return false;
    // Children edited since the last layout: measure again rather than trust the old index.
    if (index_.size() != this->m_children.size()) index_state_ = index_state::stale;
    if (index_state_ == index_state::stale) {
      index_state_ = index_.build(this->m_children) ? index_state::built : index_state::unusable;
    }
    return index_state_ == index_state::built;
  }

  // Puts a contiguous range of the children in place of all of them for the
  // span of one paint or hit test of the base class.
  class children_subset {
   public:
    children_subset(row_list& list, std::pair<std::size_t, std::size_t> range) : list_(list) {
      const auto begin = list.m_children.begin();
      subset_.assign(begin + static_cast<std::ptrdiff_t>(range.first),
                     begin + static_cast<std::ptrdiff_t>(range.second));
      list_.m_children.swap(subset_);
    }
    ~children_subset() { list_.m_children.swap(subset_); }
    children_subset(const children_subset&) = delete;
    children_subset& operator=(const children_subset&) = delete;

   private:
    row_list& list_;
    litehtml::elements_vector subset_;
  };

  row_index index_;
  index_state index_state_ = index_state::stale;
};

}  // namespace htmlayout::render
