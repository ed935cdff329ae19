// The element that stands in a long list's mirror for the rows that are not
// laid out: an empty block of a given height, its margins, padding and
// border held at zero whatever the page's style sheets say, so that the
// rows around it sit where they would with every row present.
#pragma once

#include <litehtml/litehtml.h>

#include <memory>

namespace htmlayout::render {

class row_spacer : public litehtml::html_tag {
 public:
  explicit row_spacer(const std::shared_ptr<litehtml::document>& doc);

  int height_wanted() const { return height_; }
  // Takes effect at the next layout.
  void set_height(int height);

  void parse_styles(bool is_reparse = false) override;

 private:
  int height_ = 0;
};

// The element as a spacer, or nullptr.
row_spacer* as_spacer(const litehtml::element* el);

}  // namespace htmlayout::render
