// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menu bar, its check items kept in the window's
// settings, and the keys that reach the window's actions from anywhere in it.
#pragma once

#include <QString>

class QAction;
class QMenu;

namespace zt310::ui {

class MainWindow;
class PageControl;

struct WindowMenus {
  QMenu* recent = nullptr;    // "Open Recent", filled by the recent files
  QAction* backup = nullptr;  // "Back up the pager before writing"
  QAction* sound = nullptr;   // "Sound on failure"
};

WindowMenus BuildWindowMenus(MainWindow& window, PageControl& pages, const QString& settingsFile);

}  // namespace zt310::ui
