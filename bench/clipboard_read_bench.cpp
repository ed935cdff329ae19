// How long a capture's read of the clipboard takes, from the request to the
// text on the reader's side, with xclip as the clipboard's owner on a
// private Xvfb display. The owner changed between the (pretended) first and
// second copy presses, as after a real first Ctrl+C, so no waiting for a
// copy is included; only the conversion and the transfer are.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "shell/clipboard_reader.h"
#include "tests/e2e/x_session.h"
#include "tests/support/temp_dir.h"

// Last: Xlib's macros clash with other headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// The X server's time now: the time of the event that an empty change of a
// property makes.
uint32_t server_time() {
  Display* display = XOpenDisplay(nullptr);
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(display, window, PropertyChangeMask);
  unsigned char none = 0;
  XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeAppend, &none, 0);
  XEvent event;
  do {
    XNextEvent(display, &event);
  } while (event.type != PropertyNotify);
  XCloseDisplay(display);
  return uint32_t(event.xproperty.time);
}

struct reader_fixture {
  testing_support::temp_dir dir;
  testing_support::x_session x;
  std::unique_ptr<pvl::clipboard_reader> reader;
  std::mutex mutex;
  std::condition_variable read_done;
  size_t reads = 0;
  size_t last_length = 0;

  reader_fixture() {
    ::setenv("DISPLAY", x.display().c_str(), 1);
    pvl::clipboard_reader::handlers on;
    on.failed_try = [] {};
    on.text_read = [this](std::string text) {
      std::lock_guard<std::mutex> lock(mutex);
      last_length = text.size();
      ++reads;
      read_done.notify_all();
    };
    on.nothing_read = [this](const char*) {
      std::lock_guard<std::mutex> lock(mutex);
      last_length = 0;
      ++reads;
      read_done.notify_all();
    };
    reader = std::make_unique<pvl::clipboard_reader>(std::move(on));
  }

  size_t read_once(uint32_t first_press, uint32_t second_press) {
    std::unique_lock<std::mutex> lock(mutex);
    size_t before = reads;
    reader->read(first_press, second_press);
    read_done.wait(lock, [&] { return reads > before; });
    return last_length;
  }
};

// Made on first use, ended at exit (the reader first, then the display).
reader_fixture& fixture() {
  static reader_fixture instance;
  return instance;
}

void BM_ReadClipboardText(benchmark::State& state) {
  reader_fixture& f = fixture();
  std::string text;
  while (text.size() < size_t(state.range(0))) text += "Zitat «Grüße» 引用 😀\n";
  text.resize(size_t(state.range(0)));
  while (!text.empty() && (text.back() & 0xC0) == 0x80) text.pop_back();  // whole characters
  auto file = f.dir.path() / ("clip" + std::to_string(state.range(0)));
  testing_support::write_file(file, text);
  uint32_t first_press = server_time();
  auto& owner = f.x.start("xclip", {"-quiet", "-selection", "clipboard", "-i", file.string()});
  testing_support::wait_until([&] {
    return f.x.run({"xclip", "-o", "-selection", "clipboard"}).output.size() == text.size();
  });
  uint32_t second_press = server_time();
  for (auto _ : state) benchmark::DoNotOptimize(f.read_once(first_press, second_press));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  owner.signal(SIGTERM);
  owner.wait();
}
BENCHMARK(BM_ReadClipboardText)
    ->Arg(100)
    ->Arg(64 << 10)
    ->Arg(2 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
