// The program's main window without a screen, for tests that act as a user:
// the whole program (view/program.h) over the source's "res" on a temporary
// collection (three tags, four quotes; quote 2 carries tags 3 and 1, quote 3
// tag 2), drawn by the real renderer and driven through the engine's input
// where the elements are drawn. The logs are marked after the load.
// `clipboard` (UTF-8) serves the copy commands and the in-place editor.
#pragma once

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "controller/testing/controller_env.h"
#include "fml/text.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/render/testing/headless_host.h"
#include "model/model_event.h"
#include "model/model_instance.h"
#include "view/behavior_host.h"
#include "view/program.h"
#include "view/pvview.h"

namespace pvl::testing {

class program_window {
 public:
  using element = htmlayout::dom::element;
  using point = htmlayout::point;

  program_window(int width = 1000, int height = 700)
      : objects(
            [this](const std::wstring& text) {
              clipboard = fml::wchar2utf8(text);
              return true;
            },
            (std::filesystem::path(PARVELA_SOURCE_DIR) / "res").wstring()),
        host_(view().document(), width, height) {
    objects.model().on_model_event(model_events::initial_load{});
    env.collection.mark_logs();
    in().set_clipboard({[this] { return fml::utf82wchar(clipboard); },
                        [this](const std::wstring& text) { clipboard = fml::wchar2utf8(text); }});
    view().host().show_popup = [](const element& popup, const element& anchor, int placement) {
      htmlayout::show_popup(popup, anchor, placement);
    };
    view().host().scroll_into_view = [this](const element& e) { host_.view().scroll_to_view(e); };
  }
  program_window(const program_window&) = delete;
  program_window& operator=(const program_window&) = delete;

  // ---- The page ----
  element root() { return view().document().root(); }
  element by_id(const std::string& id) { return root().select_first("[id='" + id + "']"); }
  // The ids of the elements matching `selector`, in document order.
  std::vector<std::string> ids(const std::string& selector) {
    std::vector<std::string> found;
    for (const element& e : root().select_all(selector))
      found.push_back(e.get_attribute_utf8("id").value_or(""));
    return found;
  }
  // Where `e` is drawn; fails the test when it is not.
  htmlayout::rect box(const element& e) {
    std::optional<htmlayout::rect> at = host_.geometry().location(e);
    EXPECT_TRUE(at.has_value()) << "not displayed: " << (e ? e.tag_name() : "null") << " "
                                << e.get_attribute_utf8("id").value_or("?");
    return at.value_or(htmlayout::rect{});
  }
  point center(const element& e) {
    htmlayout::rect b = box(e);
    return {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  }
  htmlayout::input& in() { return host_.in(); }
  pvview& view() { return objects.view(); }
  htmlayout::render::headless_host& screen() { return host_; }

  // ---- Gestures ----
  void click(const element& e, uint32_t keys = 0) { click_at(center(e), keys); }
  void click_at(point p, uint32_t keys = 0, uint32_t button = htmlayout::mouse::main_button) {
    in().mouse_move(p, 0, keys);
    in().mouse_down(p, button, keys);
    in().mouse_up(p, button, keys);
  }
  void right_click(const element& e) { click_at(center(e), 0, htmlayout::mouse::prop_button); }
  void double_click(const element& e) {
    const point p = center(e);
    click_at(p);
    in().mouse_double_click(p, htmlayout::mouse::main_button, 0);
    in().mouse_up(p, htmlayout::mouse::main_button, 0);
  }
  // Presses on `from`'s centre, moves in eight steps to `to`'s with the button
  // held, and releases there.
  void drag(const element& from, const element& to) { drag_between(center(from), center(to), 8); }
  void key(uint32_t code, uint32_t keys = 0, int times = 1) {
    for (int i = 0; i < times; ++i) {
      in().key_down(code, keys);
      in().key_up(code, keys);
    }
  }
  // Presses at `from`, moves in `steps` to `to` with the button held, releases there.
  void drag_between(point from, point to, int steps = 1) {
    in().mouse_move(from, 0, 0);
    in().mouse_down(from, htmlayout::mouse::main_button, 0);
    for (int i = 1; i <= steps; ++i)
      in().mouse_move({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps},
                      htmlayout::mouse::main_button, 0);
    in().mouse_up(to, htmlayout::mouse::main_button, 0);
  }
  void type(const std::wstring& text) { in().characters(text, 0); }
  // The item of a menu whose action is `action`.
  element menu_item(const std::string& menu, const std::string& action) {
    return by_id(menu).select_first("li[action='" + action + "']");
  }

  // ---- The collection ----
  std::vector<int32_t> quote_tags(int32_t quote) {
    std::vector<int32_t> tags;
    if (std::optional<Quote> stored = model().quote(quote))
      for (const Tag& tag : stored->m_tags) tags.push_back(tag.m_id);
    return tags;
  }
  // The first column of each row `query` selects from the collection file.
  std::vector<std::string> stored(const std::string& query) {
    SQLite::Database db(env.collection.db_file().string(), SQLite::OPEN_READONLY);
    SQLite::Statement select(db, query);
    std::vector<std::string> rows;
    while (select.executeStep()) rows.push_back(select.getColumn(0).getString());
    return rows;
  }

  controller_testing::program_folders env;
  std::string clipboard;
  program objects;

 private:
  htmlayout::render::headless_host host_;
};

}  // namespace pvl::testing
