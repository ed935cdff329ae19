#include "shell/clipboard_keeper.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <cerrno>
#include <cstdlib>

#include "shell/clipboard_text.h"

namespace pvl {

namespace {

// The keeper's life, in the child: tells the command through `report`
// whether it owns the clipboard, then answers until it does no more.
[[noreturn]] void run_keeper(const std::wstring& text, int report) {
  // A script that reads the command's output waits for the end of it: the
  // keeper must not hold the output open.
  int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  for (int fd : {0, 1, 2}) ::dup2(null, fd);
  ::setsid();
  int argc = 1;
  char name[] = "parvela";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  char owned = set_clipboard_text(text) ? 'y' : 'n';
  (void)!::write(report, &owned, 1);
  ::close(report);
  if (owned != 'y' || QGuiApplication::platformName() != "xcb") std::_Exit(0);
  QClipboard* clipboard = QGuiApplication::clipboard();
  QObject::connect(clipboard, &QClipboard::changed, [clipboard](QClipboard::Mode mode) {
    if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) QCoreApplication::quit();
  });
  app.exec();
  // No clean-up of the command's objects, which the child shares.
  std::_Exit(0);
}

}  // namespace

std::string keep_on_clipboard(const std::wstring& text) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return "copy needs an X11 display: DISPLAY is not set";
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return "cannot start the clipboard keeper";
  pid_t child = ::fork();
  if (child < 0) return "cannot start the clipboard keeper";
  if (child == 0) {
    ::close(report[0]);
    // A grandchild keeps the clipboard, so that the command's shell never
    // sees it (no zombie, no job).
    if (::fork() != 0) std::_Exit(0);
    run_keeper(text, report[1]);
  }
  ::close(report[1]);
  ::waitpid(child, nullptr, 0);
  char owned = 'n';
  pollfd entry{report[0], POLLIN, 0};
  bool told = ::poll(&entry, 1, 10000) > 0 && ::read(report[0], &owned, 1) == 1;
  ::close(report[0]);
  if (!told) return "the clipboard keeper did not start";
  if (owned != 'y') return "the display did not give the clipboard";
  return {};
}

}  // namespace pvl
