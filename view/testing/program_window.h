// The whole program without a screen, for tests that act as a user: the source's "res" over the
// model tests' collection (quote 2 carries tags 3 and 1, quote 3 tag 2), drawn at 1000 x 700 and
// driven where drawn; logs marked after the load; `clipboard` (UTF-8) serves copies and the editor.
#pragma once

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
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
  using Lines = std::vector<std::string>;
  program_window()
      : objects([this](const std::wstring& text) { clipboard = fml::wchar2utf8(text); return true; },
                (std::filesystem::path(PARVELA_SOURCE_DIR) / "res").wstring()),
        host_(view().document(), 1000, 700) {
    objects.model().on_model_event(model_events::initial_load{});
    env.collection.mark_logs();
    in().set_clipboard({[this] { return fml::utf82wchar(clipboard); },
                        [this](const std::wstring& text) { clipboard = fml::wchar2utf8(text); }});
    view().host().show_popup = [](const element& popup, const element& anchor, int placement) {
      htmlayout::show_popup(popup, anchor, placement);
    };
    view().host().scroll_into_view = [this](const element& e) { host_.view().scroll_to_view(e); };
  }

  element root() { return view().document().root(); }
  element by_id(const std::string& id) { return root().select_first("[id='" + id + "']"); }
  Lines ids(const std::string& selector) {
    Lines found;
    for (const element& e : root().select_all(selector))
      found.push_back(e.get_attribute_utf8("id").value_or(""));
    return found;
  }
  // Where `e` is drawn; fails the test when it is not.
  htmlayout::rect box(const element& e) {
    std::optional<htmlayout::rect> at = host_.geometry().location(e);
    EXPECT_TRUE(at.has_value()) << "not displayed: " << e.get_attribute_utf8("id").value_or("?");
    return at.value_or(htmlayout::rect{});
  }
  point center(const element& e) {
    htmlayout::rect b = box(e);
    return {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  }
  htmlayout::input& in() { return host_.in(); }
  pvview& view() { return objects.view(); }
  htmlayout::render::headless_host& screen() { return host_; }

  void click(const element& e, uint32_t keys = 0) { click_at(center(e), keys); }
  void click_at(point p, uint32_t keys = 0, uint32_t button = htmlayout::mouse::main_button) {
    in().mouse_move(p, 0, keys);
    in().mouse_down(p, button, keys);
    in().mouse_up(p, button, keys);
  }
  void double_click(const element& e) {
    const point p = center(e);
    click_at(p);
    in().mouse_double_click(p, htmlayout::mouse::main_button, 0);
    in().mouse_up(p, htmlayout::mouse::main_button, 0);
  }
  void drag(const element& from, const element& to) { drag_between(center(from), center(to), 8); }
  void key(uint32_t code, uint32_t keys = 0, int times = 1) {
    for (int i = 0; i < times; ++i) in().key_down(code, keys), in().key_up(code, keys);
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
  // Acts out gestures separated by ';': "[ctrl+][shift+]click E", "right-click E",
  // "double-click E", "drag E E", "menu MENU ACTION", "type TEXT", "key [ctrl+][shift+]NAME"
  // (a letter or a name below); E is an id, or "@" and a selector.
  void act(const std::string& gestures) {
    namespace vk = htmlayout::vk;
    static const std::map<std::string, uint32_t> names = {
        {"back", vk::back}, {"del", vk::del}, {"down", vk::down}, {"end", vk::end},
        {"enter", vk::enter}, {"escape", vk::escape}, {"f1", vk::f1}, {"f2", vk::f2},
        {"home", vk::home}, {"left", vk::left}, {"right", vk::right}, {"up", vk::up},
        {"page_up", vk::page_up}, {"page_down", vk::page_down}};
    std::istringstream all(gestures);
    for (std::string gesture; std::getline(all, gesture, ';');) {
      std::istringstream words(gesture);
      std::string verb, a, b;
      words >> verb >> a >> b;
      uint32_t keys = 0;
      for (std::string* word : {&verb, &a})
        for (auto [prefix, bit] : {std::pair{"ctrl+", htmlayout::keyboard::control},
                                   {"shift+", htmlayout::keyboard::shift}})
          if (word->starts_with(prefix)) word->erase(0, std::strlen(prefix)), keys |= bit;
      const auto at = [&](const std::string& e) {
        return e.starts_with("@") ? root().select_first(e.substr(1)) : by_id(e);
      };
      if (verb == "click") click(at(a), keys);
      else if (verb == "right-click") click_at(center(at(a)), 0, htmlayout::mouse::prop_button);
      else if (verb == "double-click") double_click(at(a));
      else if (verb == "drag") drag(at(a), at(b));
      else if (verb == "menu") click(by_id(a).select_first("li[action='" + b + "']"));
      else if (verb == "type")
        in().characters(fml::utf82wchar(gesture.substr(gesture.find("type ") + 5)), 0);
      else if (verb == "key") key(a.size() == 1 ? uint32_t(std::toupper(a[0])) : names.at(a), keys);
      else if (!verb.empty()) ADD_FAILURE() << "no such gesture: " << gesture;
    }
  }

  // What a query reads: "SELECT.."/"PRAGMA..", the first column of its rows in the file; "=ID
  // [SELECTOR]", the text of element ID (of each element inside it SELECTOR matches, which
  // reaching in builds); "popups", the open popups' ids; "clipboard"; else a selector's ids.
  Lines read(const std::string& query) {
    if (query.starts_with("SELECT") || query.starts_with("PRAGMA")) return stored(query);
    if (query == "clipboard") return {clipboard};
    Lines found;
    if (query == "popups") {
      for (const auto& popup : in().popups())
        found.push_back(popup.element.get_attribute_utf8("id").value_or(""));
    } else if (query.starts_with("=")) {
      const size_t space = query.find(' ');
      if (const element e = by_id(query.substr(1, space - 1)))
        for (const element& each :
             space == std::string::npos ? std::vector{e} : e.select_all(query.substr(space + 1)))
          found.push_back(fml::wchar2utf8(each.text()));
    } else {
      found = ids(query);
    }
    return found;
  }
  Lines stored(const std::string& query) {
    SQLite::Database db(env.collection.db_file().string(), SQLite::OPEN_READONLY);
    SQLite::Statement select(db, query);
    Lines rows;
    while (select.executeStep()) rows.push_back(select.getColumn(0).getString());
    return rows;
  }
  struct step {
    std::string gestures, query;
    Lines expected;
  };
  void check(const std::vector<step>& steps) {
    for (const step& s : steps) {
      SCOPED_TRACE("after \"" + s.gestures + "\": " + s.query);
      act(s.gestures);
      EXPECT_EQ(read(s.query), s.expected);
    }
  }

  controller_testing::program_folders env;
  std::string clipboard;
  program objects;

 private:
  htmlayout::render::headless_host host_;
};

}  // namespace pvl::testing
