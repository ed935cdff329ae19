// The whole program on a large collection (10,000 and 100,000 quotes with
// 1,000 tags, in a collection file of its own data folder):
// - BM_StartToFirstPaint: from starting the executable to the first paint of
//   its window on a private Xvfb display (the moment the program writes its
//   "First paint" line to the profile log), and the process's resident
//   memory then (counter rss_mb). The program is ended after each run.
// - BM_CaptureToDrawn: in one process on Qt's offscreen platform, with the
//   program's model, controller and view showing the collection in the
//   engine's widget: a captured text handed to the controller, stored (with
//   its commit) and drawn at the top of the window.
// - BM_LargeCapture: the same for a text of 1, 5 or 20 MB (lines of 80
//   characters) on 10,000 quotes, with the process's resident memory before
//   (rss_base_mb), at its peak during the capture (rss_peak_mb) and after it
//   (rss_mb), the time of the next, small capture (next_capture_ms), and the
//   resident memory once the large quote is deleted (rss_deleted_mb).
// - BM_StartWithLargeQuote: BM_StartToFirstPaint on 10,000 quotes and one
//   quote of 20 MB.
// - BM_SearchChange: in one process as BM_CaptureToDrawn, an "Any tag"
//   search holding the most used tag, to which the second most used tag is
//   added and from which it is removed in turn, each change from the model
//   event to the drawn window (the search, the rebuilt quote list, layout
//   and paint).
// - BM_StartInProcess: in one process as BM_CaptureToDrawn, from making the
//   program's objects to the first drawing of the window with the whole
//   collection in its quote list (start-up without starting the process,
//   Qt or the display), and the resident memory of this process then
//   (rss_mb, first run; the benchmark's own share included).
// - BM_ScrollByAPage, BM_RowClick, BM_SelectAll, BM_DeleteOneQuote: in one
//   process as BM_CaptureToDrawn, each until the window is drawn again: the
//   quote list scrolled down by its visible height (back to the top at the
//   end), a click on a card (a row of the list that is shown), Ctrl+A after
//   such a click, and a click on the top card then Delete (the quote is
//   deleted from the collection).
// - BM_SelectAllAndDelete: in one process as BM_CaptureToDrawn, a click on
//   the top quote, Ctrl+A and Delete, until the emptied list is drawn; the
//   time of Ctrl+A alone (select_all_ms) and the quotes left (quotes_left),
//   on 1,000, 10,000 and 100,000 quotes.
// - BM_UndoSelectAllAndDelete: the same deletion (not timed), then Ctrl+Z
//   until the restored list is drawn, with the quotes shown again
//   (quotes_back).
// - BM_SearchClear: in one process as BM_CaptureToDrawn, Clear of an "Any
//   tag" search of the most used tag (set again, untimed, before each run),
//   from the model event to the window drawn with the whole collection.
// - BM_WordKeystroke: in one process as BM_CaptureToDrawn, on a collection
//   where every 200th quote holds "zephyr" and every second one "harbor":
//   one key typed into the word field (a key press and release sent to the
//   window as Qt sends them) until the narrowed list is drawn. The field
//   holds "zephy" (0: a word in 500 quotes at 100,000) or "harbo" (1: a word
//   in half of them) and the key adds the last letter; or the field is empty
//   and the key is the first letter, "z" (2: from the whole list to 500
//   quotes). The key is taken back, untimed, after each run; or the first
//   letter is typed, untimed, and its Backspace timed (3: from 500 quotes
//   to the whole list).
#include <SQLiteCpp/SQLiteCpp.h>
#include <benchmark/benchmark.h>
#include <signal.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "bench/collection_file.h"
#include "controller/controller_instance.h"
#include "controller/vcaction.h"
#include "fml/log.h"
#include "fml/memory.h"
#include "fml/text.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/qt/document_widget.h"
#include "model/logic.h"
#include "model/model_instance.h"
#include "tests/e2e/x_session.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"
#include "view/program.h"
#include "view/resource_mgr.h"
#include "view/view_instance.h"

namespace {

using clock_type = std::chrono::steady_clock;
using testing_support::child_process;
using testing_support::x_session;
constexpr int kTags = 1000;

const char* const kLogs[] = {"app", "profile", "debug", "events", "cntrl", "model", "logic"};

// A user data folder ("<root>/data/Parvela") whose collection file holds
// `quotes` quotes. The logs are registered while the schema is made and
// closed again.
class data_folder {
 public:
  // With `large_mb` > 0 one more quote holds a text of that many MB.
  explicit data_folder(int quotes, int large_mb = 0) {
    const std::filesystem::path data = data_home() / "Parvela";
    std::filesystem::create_directories(data / "logs");
    std::filesystem::create_directories(runtime());
    std::filesystem::permissions(runtime(), std::filesystem::perms::owner_all);
    tinyfilesystem::set_app_dir(L"DataDir", data.wstring());
    fml::set_log_folder(data.wstring());
    setenv("XDG_DATA_HOME", data_home().c_str(), 1);
    for (const char* id : kLogs) fml::reglog(id, L"logs/" + fml::utf82wchar(id) + L".log");
    testing_support::write_file(data / "defaulttags.xml", "<tags/>");
    testing_support::write_file(data / "defaultquotes.xml", "<quotes/>");
    { pvl::logic schema_only; }
    fml::close_logs();
    bench_support::fill_collection((data / "parvela.fdb").string(), quotes, kTags);
    if (large_mb > 0) {
      SQLite::Database db((data / "parvela.fdb").string(), SQLite::OPEN_READWRITE);
      SQLite::Statement insert(db, "INSERT INTO quote (m_id, m_utftext, m_stamp) VALUES (?, ?, ?)");
      insert.bind(1, quotes + 1);
      insert.bind(2, large_text(large_mb));
      insert.bind(3, int64_t{1800000000});
      insert.exec();
    }
  }
  // About `mb` MB of text in lines of 80 characters, in UTF-8.
  static std::string large_text(int mb) {
    std::string text;
    const size_t size = size_t(mb) << 20;
    text.reserve(size + 80);
    for (int line = 1; text.size() < size; ++line) {
      std::string start = "line " + std::to_string(line) + ": ";
      text += start + std::string(79 - start.size(), 'x') + '\n';
    }
    return text;
  }
  std::filesystem::path data_home() const { return root_.path() / "data"; }
  std::filesystem::path runtime() const { return root_.path() / "run"; }
  std::filesystem::path profile_log() const { return data_home() / "Parvela/logs/profile.log"; }

 private:
  testing_support::temp_dir root_;
};

bool has_first_paint(const std::filesystem::path& log) {
  std::ifstream in(log);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return text.find("First paint") != std::string::npos;
}

// `field` ("VmRSS:", "VmHWM:") of the process's status, in kB.
long status_kb(pid_t pid, const std::string& field = "VmRSS:") {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
  return 0;
}
long resident_kb(pid_t pid) { return status_kb(pid); }
double self_mb(const char* field) { return double(status_kb(getpid(), field)) / 1024.0; }
// Starts the count of the peak resident memory (VmHWM) afresh.
void reset_peak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void measure_start(benchmark::State& state, int quotes, int large_mb) {
  static x_session display;
  data_folder folder(quotes, large_mb);
  const std::map<std::string, std::string> env = {
      {"XDG_DATA_HOME", folder.data_home().string()},
      {"XDG_RUNTIME_DIR", folder.runtime().string()},
      {"HOME", folder.data_home().string()}};
  double rss_mb = 0;
  for (auto _ : state) {
    std::filesystem::remove(folder.profile_log());
    const auto start = clock_type::now();
    child_process& program = display.start(PARVELA_EXE, {}, env);
    bool painted = false;
    while (!painted && clock_type::now() - start < std::chrono::seconds(30)) {
      painted = has_first_paint(folder.profile_log());
      if (!painted) std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const auto took = clock_type::now() - start;
    if (!painted) {
      state.SkipWithError("the window was never painted");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(took).count());
    rss_mb = static_cast<double>(resident_kb(program.pid())) / 1024.0;
    program.signal(SIGTERM);
    program.wait();
  }
  state.counters["rss_mb"] = rss_mb;
}

void BM_StartToFirstPaint(benchmark::State& state) {
  measure_start(state, static_cast<int>(state.range(0)), 0);
}
BENCHMARK(BM_StartToFirstPaint)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void BM_StartWithLargeQuote(benchmark::State& state) {
  measure_start(state, 10000, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_StartWithLargeQuote)
    ->Arg(20)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// The program's model, controller and view in this process (Qt's offscreen
// platform) on a collection of `quotes` quotes, shown in the engine's
// widget; `body` runs with the widget and the image it renders into.
// The process set up as the program sets itself up, on Qt's offscreen
// platform, with its logs registered.
void prepare_process() {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  tinyfilesystem::set_app_dir(L"ParvelaDir", (std::filesystem::path(PARVELA_BUILD_DIR)).wstring());
  for (const char* id : kLogs) fml::reglog(id, L"logs/" + fml::utf82wchar(id) + L".log");
  static int argc = 1;
  static char name[] = "program_bench";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
}

// `adjust_sql`, when given, runs on the filled collection file first.
template <typename Body>
void with_program(int quotes, Body body, const char* adjust_sql = nullptr) {
  data_folder folder(quotes);
  if (adjust_sql) {
    SQLite::Database db((folder.data_home() / "Parvela/parvela.fdb").string(),
                        SQLite::OPEN_READWRITE);
    db.exec(adjust_sql);
  }
  prepare_process();
  {
    pvl::program objects(nullptr, pvl::resource_folder());
    pvl::model().on_model_event(pvl::model_events::initial_load{});
    htmlayout::qt::document_widget window(pvl::view().document());
    window.resize(1000, 700);
    QImage image(1000, 700, QImage::Format_ARGB32_Premultiplied);
    window.render(&image);
    body(window, image);
  }
  fml::close_logs();
}

// Hands `text` to the controller as a capture and draws the window.
void capture(const std::string& text, htmlayout::qt::document_widget& window, QImage& image) {
  pvl::controller().send(pvl::text_record{text});
  window.update_view();
  window.render(&image);
}

void BM_CaptureToDrawn(benchmark::State& state) {
  with_program(static_cast<int>(state.range(0)), [&](auto& window, QImage& image) {
    int n = 0;
    for (auto _ : state)
      capture("Captured while measuring, number " + std::to_string(++n), window, image);
  });
}
BENCHMARK(BM_CaptureToDrawn)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same under a word search whose word the captures hold: each new card
// gets its marks.
void BM_CaptureToDrawnUnderWordSearch(benchmark::State& state) {
  with_program(static_cast<int>(state.range(0)), [&](auto& window, QImage& image) {
    // As typed into the word field, which the view reads the marks from.
    pvl::view().document().root().select_first("#words").set_text(L"wisdom measur");
    pvl::model().on_model_event(pvl::model_events::set_search_words{"wisdom measur"});
    int n = 0;
    for (auto _ : state)
      capture("Captured while measuring wisdom, number " + std::to_string(++n), window, image);
  });
}
BENCHMARK(BM_CaptureToDrawnUnderWordSearch)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SearchChange(benchmark::State& state) {
  with_program(static_cast<int>(state.range(0)), [&](auto& window, QImage& image) {
    namespace me = pvl::model_events;
    auto show = [&](const pvl::model_event& event) {
      pvl::model().on_model_event(event);
      window.update_view();
      window.render(&image);
    };
    pvl::model().on_model_event(me::set_search_mode_or{});
    show(me::add_search_tag{1});
    bool added = false;
    for (auto _ : state) {
      if (added)
        show(me::delete_search_tag{2});
      else
        show(me::add_search_tag{2});
      added = !added;
    }
    pvl::model().on_model_event(me::clear_search_tags{});
  });
}
BENCHMARK(BM_SearchChange)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A click on the top quote, Ctrl+A and Delete, each drawn; returns when the
// Ctrl+A was drawn.
template <typename Window>
clock_type::time_point select_all_and_delete(Window& window, QImage& image) {
  using htmlayout::keyboard::control;
  namespace vk = htmlayout::vk;
  htmlayout::input& in = window.input_side();
  const htmlayout::dom::element card = window.doc().root().select_first("div.quote");
  const htmlayout::rect at = window.view().location(card);
  const htmlayout::point middle{at.left + (at.right - at.left) / 2,
                                at.top + (at.bottom - at.top) / 2};
  in.mouse_move(middle, 0, 0);
  in.mouse_down(middle, htmlayout::mouse::main_button, 0);
  in.mouse_up(middle, htmlayout::mouse::main_button, 0);
  window.update_view();
  in.key_down(vk::key_a, control);
  in.key_up(vk::key_a, control);
  window.update_view();
  window.render(&image);
  const auto selected = clock_type::now();
  in.key_down(vk::del, 0);
  in.key_up(vk::del, 0);
  window.update_view();
  window.render(&image);
  return selected;
}

void BM_SelectAllAndDelete(benchmark::State& state) {
  with_program(static_cast<int>(state.range(0)), [&](auto& window, QImage& image) {
    double select_all_ms = 0;
    for (auto _ : state) {
      const auto start = clock_type::now();
      const auto selected = select_all_and_delete(window, image);
      state.SetIterationTime(std::chrono::duration<double>(clock_type::now() - start).count());
      select_all_ms = std::chrono::duration<double, std::milli>(selected - start).count();
    }
    state.counters["select_all_ms"] = select_all_ms;
    state.counters["quotes_left"] = static_cast<double>(
        window.doc().root().select_all("div.quote").size());
  });
}
BENCHMARK(BM_SelectAllAndDelete)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_UndoSelectAllAndDelete(benchmark::State& state) {
  with_program(static_cast<int>(state.range(0)), [&](auto& window, QImage& image) {
    for (auto _ : state) {
      select_all_and_delete(window, image);
      const auto start = clock_type::now();
      window.input_side().key_down(htmlayout::vk::key_z, htmlayout::keyboard::control);
      window.input_side().key_up(htmlayout::vk::key_z, htmlayout::keyboard::control);
      window.update_view();
      window.render(&image);
      state.SetIterationTime(std::chrono::duration<double>(clock_type::now() - start).count());
    }
    state.counters["quotes_back"] = static_cast<double>(
        window.doc().root().select_all("div.quote").size());
  });
}
BENCHMARK(BM_UndoSelectAllAndDelete)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_LargeCapture(benchmark::State& state) {
  constexpr int kQuotes = 10000;
  fml::map_large_buffers();  // as the program does at start
  with_program(kQuotes, [&](auto& window, QImage& image) {
    int32_t next_id = kQuotes + 1;
    double base = 0, peak = 0, after = 0, next_ms = 0, deleted = 0;
    for (auto _ : state) {
      state.PauseTiming();
      // The text is made as the clipboard reader makes it, within the peak.
      base = self_mb("VmRSS:");
      reset_peak();
      std::string text = data_folder::large_text(static_cast<int>(state.range(0)));
      state.ResumeTiming();
      const auto start = clock_type::now();
      capture(text, window, image);
      state.SetIterationTime(std::chrono::duration<double>(clock_type::now() - start).count());
      state.PauseTiming();
      std::string().swap(text);
      peak = self_mb("VmHWM:");
      after = self_mb("VmRSS:");
      const int32_t large_id = next_id++;
      const auto next_start = clock_type::now();
      capture("A short text captured next", window, image);
      next_ms = std::chrono::duration<double, std::milli>(clock_type::now() - next_start).count();
      const int32_t small_id = next_id++;
      for (int32_t id : {large_id, small_id})
        pvl::model().on_model_event(pvl::model_events::delete_quote{id});
      window.update_view();
      window.render(&image);
      deleted = self_mb("VmRSS:");
      state.ResumeTiming();
    }
    state.counters["rss_base_mb"] = base;
    state.counters["rss_peak_mb"] = peak;
    state.counters["rss_mb"] = after;
    state.counters["next_capture_ms"] = next_ms;
    state.counters["rss_deleted_mb"] = deleted;
  });
}
BENCHMARK(BM_LargeCapture)
    ->Arg(1)
    ->Arg(5)
    ->Arg(20)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_StartInProcess(benchmark::State& state) {
  data_folder folder(static_cast<int>(state.range(0)));
  prepare_process();
  double rss_mb = 0;
  for (auto _ : state) {
    QImage image(1000, 700, QImage::Format_ARGB32_Premultiplied);
    const auto start = clock_type::now();
    {
      pvl::program objects(nullptr, pvl::resource_folder());
      pvl::model().on_model_event(pvl::model_events::initial_load{});
      htmlayout::qt::document_widget window(pvl::view().document());
      window.resize(1000, 700);
      window.render(&image);
      state.SetIterationTime(std::chrono::duration<double>(clock_type::now() - start).count());
      if (rss_mb == 0) rss_mb = self_mb("VmRSS:");
    }
  }
  state.counters["rss_mb"] = rss_mb;
  fml::close_logs();
}
BENCHMARK(BM_StartInProcess)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Draws the window again after a gesture.
void redraw(htmlayout::qt::document_widget& window, QImage& image) {
  window.update_view();
  window.render(&image);
}

// A click in the middle of `e`.
void click(htmlayout::qt::document_widget& window, const htmlayout::dom::element& e) {
  const htmlayout::rect at = window.view().location(e);
  const htmlayout::point middle{at.left + (at.right - at.left) / 2,
                                at.top + (at.bottom - at.top) / 2};
  htmlayout::input& in = window.input_side();
  in.mouse_move(middle, 0, 0);
  in.mouse_down(middle, htmlayout::mouse::main_button, 0);
  in.mouse_up(middle, htmlayout::mouse::main_button, 0);
}

void press(htmlayout::qt::document_widget& window, uint32_t key, uint32_t modifiers) {
  window.input_side().key_down(key, modifiers);
  window.input_side().key_up(key, modifiers);
}

void BM_ScrollByAPage(benchmark::State& state) {
  with_program(static_cast<int>(state.range(0)), [&](auto& window, QImage& image) {
    const htmlayout::dom::element box = window.doc().root().select_first("#quotebox");
    htmlayout::render::scroll_metrics metrics;
    for (auto _ : state) {
      window.view().scroll_info(box, metrics);
      int y = metrics.scroll_y + metrics.viewport_height;
      if (y + metrics.viewport_height > metrics.content_height) y = 0;
      window.view().set_scroll_pos(box, y);
      redraw(window, image);
    }
  });
}
BENCHMARK(BM_ScrollByAPage)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_RowClick(benchmark::State& state) {
  with_program(static_cast<int>(state.range(0)), [&](auto& window, QImage& image) {
    const htmlayout::dom::element list = window.doc().root().select_first("#thequotelist");
    size_t row = 0;
    for (auto _ : state) {
      click(window, list.child(row).select_first("div.quote"));
      redraw(window, image);
      row = (row + 1) % 3;
    }
  });
}
BENCHMARK(BM_RowClick)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SelectAll(benchmark::State& state) {
  with_program(static_cast<int>(state.range(0)), [&](auto& window, QImage& image) {
    const htmlayout::dom::element card = window.doc().root().select_first("div.quote");
    for (auto _ : state) {
      state.PauseTiming();
      click(window, card);
      redraw(window, image);
      state.ResumeTiming();
      press(window, htmlayout::vk::key_a, htmlayout::keyboard::control);
      redraw(window, image);
    }
  });
}
BENCHMARK(BM_SelectAll)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_DeleteOneQuote(benchmark::State& state) {
  with_program(static_cast<int>(state.range(0)), [&](auto& window, QImage& image) {
    for (auto _ : state) {
      click(window, window.doc().root().select_first("div.quote"));
      press(window, htmlayout::vk::del, 0);
      redraw(window, image);
    }
  });
}
BENCHMARK(BM_DeleteOneQuote)->Arg(100000)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_SearchClear(benchmark::State& state) {
  with_program(static_cast<int>(state.range(0)), [&](auto& window, QImage& image) {
    namespace me = pvl::model_events;
    pvl::model().on_model_event(me::set_search_mode_or{});
    for (auto _ : state) {
      state.PauseTiming();
      pvl::model().on_model_event(me::add_search_tag{1});
      redraw(window, image);
      state.ResumeTiming();
      pvl::model().on_model_event(me::clear_search_tags{});
      redraw(window, image);
    }
  });
}
BENCHMARK(BM_SearchClear)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A key pressed and released in the window, as Qt delivers it.
void type_key(htmlayout::qt::document_widget& window, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(&window, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(&window, &release);
}

void BM_WordKeystroke(benchmark::State& state) {
  constexpr int kQuotes = 100000;
  const char* const adjust =
      "UPDATE quote SET m_utftext = m_utftext ||"
      " CASE WHEN m_id % 200 = 0 THEN ' zephyr' ELSE '' END || ' harbor' WHERE m_id % 2 = 0";
  const int64_t which = state.range(0);
  with_program(
      kQuotes,
      [&](auto& window, QImage& image) {
        click(window, window.doc().root().select_first("#words-hint"));
        const QString start = which == 0 ? "zephy" : which == 1 ? "harbo" : "";
        for (QChar c : start) type_key(window, Qt::Key_A + (c.unicode() - 'a'), QString(c));
        redraw(window, image);
        const QChar last = which == 0 ? 'r' : which == 1 ? 'r' : 'z';
        const bool back = which == 3;  // the Backspace is timed, not the letter
        auto count = [&] { return window.doc().root().select_first("#thequotelist").children_count(); };
        size_t shown = 0;
        for (auto _ : state) {
          if (back) state.PauseTiming();
          type_key(window, Qt::Key_A + (last.unicode() - 'a'), QString(last));
          redraw(window, image);
          if (back) {
            state.ResumeTiming();
          } else {
            state.PauseTiming();
            shown = count();
          }
          type_key(window, Qt::Key_Backspace, QString());
          redraw(window, image);
          if (back)
            shown = count();
          else
            state.ResumeTiming();
        }
        state.counters["quotes_shown"] = static_cast<double>(shown);
      },
      adjust);
}
BENCHMARK(BM_WordKeystroke)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
