#include "shell/shell_icon.h"

namespace pvl {

CShellIcon::CShellIcon(const QIcon& icon) : icon_(icon) {
  connect(menu_.addAction("Show Parvela"), &QAction::triggered, this, &CShellIcon::show_chosen);
  autostart_ = menu_.addAction("Start with the desktop");
  autostart_->setCheckable(true);
  connect(autostart_, &QAction::triggered, this, &CShellIcon::autostart_chosen);
  connect(&menu_, &QMenu::aboutToShow, this, &CShellIcon::menu_opening);
  connect(menu_.addAction("Exit Parvela"), &QAction::triggered, this, &CShellIcon::exit_chosen);
  icon_.setContextMenu(&menu_);
  icon_.setToolTip("Parvela");
  connect(&icon_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            // A double click is the second click's only report: it does not
            // toggle the window back.
            if (reason == QSystemTrayIcon::Trigger) emit left_clicked();
            if (reason == QSystemTrayIcon::Context) emit right_clicked();
          });
  icon_.show();
}

CShellIcon::~CShellIcon() { icon_.hide(); }

void CShellIcon::set_autostart_checked(bool on) { autostart_->setChecked(on); }

}  // namespace pvl
