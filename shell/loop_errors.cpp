#include "shell/loop_errors.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <mutex>

namespace pvl {

namespace {

std::mutex g_kept_mutex;
std::exception_ptr g_kept_error;

}  // namespace

void keep_loop_error(std::exception_ptr error) noexcept {
  {
    std::lock_guard<std::mutex> lock(g_kept_mutex);
    if (g_kept_error) return;
    g_kept_error = std::move(error);
  }
  // Queued, so that it works from other threads and also when the loop has
  // not started yet: the loop ends as soon as it runs. exit() rather than
  // quit(): quit() asks the windows first, and the main window refuses to
  // close. exit() leaves nested loops (menus, drags) as well.
  if (QCoreApplication* app = QCoreApplication::instance()) {
    QMetaObject::invokeMethod(
        app, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
  }
}

void rethrow_loop_error() {
  std::exception_ptr error;
  {
    std::lock_guard<std::mutex> lock(g_kept_mutex);
    error = std::move(g_kept_error);
    g_kept_error = nullptr;
  }
  if (error) std::rethrow_exception(error);
}

}  // namespace pvl
