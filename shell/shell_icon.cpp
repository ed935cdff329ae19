#include "shell/shell_icon.h"

namespace pvl {

namespace {

// How often the icon looks whether a tray came or went.
constexpr int kTrayWatchMs = 2000;

}  // namespace

CShellIcon::CShellIcon(const QIcon& icon) : icon_(icon) {
  connect(menu_.addAction("Show Parvela"), &QAction::triggered, this, &CShellIcon::show_chosen);
  connect(menu_.addAction("Exit Parvela"), &QAction::triggered, this, &CShellIcon::exit_chosen);
  icon_.setContextMenu(&menu_);
  icon_.setToolTip("Parvela");
  connect(&icon_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) emit left_clicked();
            if (reason == QSystemTrayIcon::Context) emit right_clicked();
          });
  tray_seen_ = QSystemTrayIcon::isSystemTrayAvailable();
  icon_.show();
  connect(&tray_watch_, &QTimer::timeout, this, &CShellIcon::follow_tray);
  tray_watch_.start(kTrayWatchMs);
}

CShellIcon::~CShellIcon() { icon_.hide(); }

void CShellIcon::follow_tray() {
  bool available = QSystemTrayIcon::isSystemTrayAvailable();
  if (available == tray_seen_) return;
  tray_seen_ = available;
  // A new tray knows nothing of the icon: add it again.
  if (available) {
    icon_.hide();
    icon_.show();
  }
}

}  // namespace pvl
