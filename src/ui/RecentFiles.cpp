// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RecentFiles.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <filesystem>

#include "codeplug/SafeFile.h"

namespace zt310::ui {

namespace {
constexpr const char* kRecentSetting = "files/recent";
constexpr int kRecentCount = 8;
}  // namespace

std::unique_ptr<QSettings> OpenWindowSettings(const QString& file) {
  if (!file.isEmpty()) return std::make_unique<QSettings>(file, QSettings::IniFormat);
  auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "zt310prog", "zt310prog");
  // The recent files and folders are the user's own business: a 0600 file
  // in a 0700 folder, which later saves keep.
  const std::filesystem::path path = settings->fileName().toStdString();
  if (MakePrivateFolder(path.parent_path())) MakePrivateFile(path);
  return settings;
}

RecentFiles::RecentFiles(QString settingsFile, QMenu* menu, std::function<void(const QString&)> open, QObject* parent)
    : QObject(parent), settingsFile_(std::move(settingsFile)), menu_(menu), open_(std::move(open)) {
  FillMenu();
}

QStringList RecentFiles::Files() const {
  return OpenWindowSettings(settingsFile_)->value(kRecentSetting).toStringList();
}

void RecentFiles::Remember(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList recent = Files();
  recent.removeAll(absolute);
  recent.prepend(absolute);
  while (recent.size() > kRecentCount) recent.removeLast();
  OpenWindowSettings(settingsFile_)->setValue(kRecentSetting, recent);
  FillMenu();
}

void RecentFiles::Open(const QString& path) {
  if (!QFileInfo::exists(path)) {
    QStringList recent = Files();
    recent.removeAll(path);
    OpenWindowSettings(settingsFile_)->setValue(kRecentSetting, recent);
    FillMenu();
  }
  open_(path);
}

void RecentFiles::FillMenu() {
  menu_->clear();
  const QStringList recent = Files();
  for (int i = 0; i < recent.size(); ++i) {
    QString label = recent[i];
    label.replace('&', "&&");  // a file name's '&' is no shortcut marker
    QAction* action = menu_->addAction(QString("&%1 %2").arg(i + 1).arg(label));
    action->setObjectName(QString("RecentFile%1").arg(i + 1));
    connect(action, &QAction::triggered, this, [this, path = recent[i]] { Open(path); });
  }
  menu_->setEnabled(!recent.isEmpty());
}

}  // namespace zt310::ui
