#include "shell/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

#include "shell/loop_errors.h"

namespace pvl {

namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

int g_signal_pipe[2] = {-1, -1};

void on_termination_signal(int) {
  char byte = 1;
  // Only async-signal-safe calls here; a full pipe means a wake-up is pending.
  [[maybe_unused]] ssize_t ignored = ::write(g_signal_pipe[1], &byte, 1);
}

}  // namespace

termination_signals::termination_signals(std::function<void()> on_signal)
    : on_signal_(std::move(on_signal)) {
  if (g_signal_pipe[0] < 0 && ::pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char buffer[16];
    while (::read(g_signal_pipe[0], buffer, sizeof buffer) > 0) {
    }
    guarded([this] { on_signal_(); });
  });
  struct sigaction action {};
  action.sa_handler = on_termination_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : kEndingSignals) ::sigaction(number, &action, nullptr);
}

termination_signals::~termination_signals() {
  for (int number : kEndingSignals) std::signal(number, SIG_DFL);
}

}  // namespace pvl
