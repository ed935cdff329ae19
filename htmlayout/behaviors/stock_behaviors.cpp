#include "htmlayout/behaviors/stock_behaviors.h"

#include "htmlayout/behaviors/stock_grids.h"
#include "htmlayout/behaviors/stock_parts.h"

namespace htmlayout {

void register_stock_behaviors() {
  static const bool registered = [] {
    stock_parts::register_accesskeys();
    stock_parts::register_clock();
    stock_parts::register_lists();
    stock_parts::register_notifying();
    stock_parts::register_popups();
    stock_parts::register_selects();
    stock_parts::register_tabs();
    register_stock_grids();
    return true;
  }();
  (void)registered;
}

}  // namespace htmlayout
