// SPDX-License-Identifier: GPL-3.0-or-later
// The window's settings file, and the "Open Recent" list kept in it: the
// last eight files opened or saved, newest first.
#pragma once

#include <QObject>
#include <QSettings>
#include <QStringList>
#include <functional>
#include <memory>

class QMenu;

namespace zt310::ui {

// The window's settings: FILE (an INI file) when given, else the user's own,
// kept private to the user.
std::unique_ptr<QSettings> OpenWindowSettings(const QString& file);

class RecentFiles : public QObject {
  Q_OBJECT

 public:
  // OPEN opens a file picked in MENU.
  RecentFiles(QString settingsFile, QMenu* menu, std::function<void(const QString&)> open, QObject* parent);

  QStringList Files() const;
  void Remember(const QString& path);
  // A picked file that has gone leaves the list; it is opened all the same,
  // so the usual error names it.
  void Open(const QString& path);

 private:
  void FillMenu();

  QString settingsFile_;
  QMenu* menu_;
  std::function<void(const QString&)> open_;
};

}  // namespace zt310::ui
