// A litehtml document container that paints into a window whose size the
// renderer sets: get_client_rect() and the media features answer that size,
// which percentage heights of the page (html, body { height: 100% }) and
// media queries are resolved against.
#pragma once

#include <litehtml/litehtml.h>

namespace htmlayout::render {

class viewport_container : public litehtml::document_container {
 public:
  virtual void set_viewport(int width, int height) = 0;

 protected:
  ~viewport_container() = default;  // never deleted through this interface
};

}  // namespace htmlayout::render
