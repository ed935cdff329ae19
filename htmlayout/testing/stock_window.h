// A headless window (test_window.h) with the stock behaviours registered before its page loads;
// the reports of "command" and "hyperlink" to the host are kept.
#pragma once

#include <string_view>
#include <vector>

#include "htmlayout/behaviors/stock_behaviors.h"
#include "htmlayout/dom/notifications.h"
#include "htmlayout/testing/test_window.h"

namespace htmlayout::testing {

struct stock_behaviors_registered {
  stock_behaviors_registered() { register_stock_behaviors(); }
};

struct stock_window : stock_behaviors_registered, test_window {
  explicit stock_window(std::string_view html, std::string_view base_url = {}) {
    doc.set_notification_callback([this](notification& n) -> uint32_t {
      attach_behaviors(n);
      if (n.code == notification_code::behavior_notify)
        reports.push_back(static_cast<behavior_notify_notification&>(n));
      return 0;
    });
    doc.load_html(html, base_url);
  }
  std::vector<behavior_notify_notification> reports;
};

}  // namespace htmlayout::testing
