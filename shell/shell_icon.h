// CShellIcon: Parvela's icon in the notification area (the tray), with the
// tip "Parvela" and a menu of "Show Parvela", the check item "Start with the
// desktop" and "Exit Parvela". It reports
// clicks and menu choices as signals and does nothing by itself. Where no
// tray exists the icon is simply not seen; Qt adds it as soon as a tray
// appears, and again when the tray is restarted.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace pvl {

class CShellIcon : public QObject {
  Q_OBJECT

 public:
  // Adds the icon to the tray.
  explicit CShellIcon(const QIcon& icon);
  // Removes the icon.
  ~CShellIcon() override;

  // The check mark of "Start with the desktop".
  void set_autostart_checked(bool on);

  CShellIcon(const CShellIcon&) = delete;
  CShellIcon& operator=(const CShellIcon&) = delete;

 signals:
  void left_clicked();
  void right_clicked();  // the menu opens by itself
  void show_chosen();
  void exit_chosen();
  void autostart_chosen(bool on);  // the item's new check state
  void menu_opening();             // the menu is about to show

 private:
  QMenu menu_;
  QAction* autostart_ = nullptr;
  QSystemTrayIcon icon_;
};

}  // namespace pvl
