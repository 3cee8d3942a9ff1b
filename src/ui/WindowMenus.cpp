// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowMenus.h"
#include "ui/ProductionLineWindow.h"
#include "ui/ProductionRecordWindow.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "ui/EditHistory.h"
#include "ui/MainWindow.h"
#include "ui/PageControl.h"
#include "ui/RecentFiles.h"

namespace zt310::ui {

namespace {
constexpr const char* kBackupSetting = "pager/backupBeforeWrite";
constexpr const char* kSoundSetting = "pager/soundOnFailure";

QAction* CheckItem(QMenu* menu, const char* text, const char* name, const QString& settingsFile, const char* setting) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  action->setCheckable(true);
  action->setChecked(OpenWindowSettings(settingsFile)->value(setting, true).toBool());
  QObject::connect(action, &QAction::toggled, menu,
                   [settingsFile, setting](bool on) { OpenWindowSettings(settingsFile)->setValue(setting, on); });
  return action;
}

void AddEditMenu(MainWindow& window, QMenuBar* bar) {
  QMenu* edit = bar->addMenu("&Edit");
  edit->setObjectName("Edit1");
  QUndoStack& stack = window.History().Stack();
  QAction* undo = stack.createUndoAction(edit, "&Undo");
  undo->setObjectName("Undo1");
  undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  QAction* redo = stack.createRedoAction(edit, "&Redo");
  redo->setObjectName("Redo1");
  redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  // The stack's actions keep their enabling and texts; the window's steps
  // run instead of the stack's own, so a field being edited commits first.
  for (QAction* action : {undo, redo}) {
    QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
    edit->addAction(action);
  }
  QObject::connect(undo, &QAction::triggered, &window, &MainWindow::Undo);
  QObject::connect(redo, &QAction::triggered, &window, &MainWindow::Redo);
}

}  // namespace

WindowMenus BuildWindowMenus(MainWindow& window, PageControl& pages, const QString& settingsFile) {
  WindowMenus menus;
  QMenuBar* bar = window.menuBar();
  QMenu* file = bar->addMenu("&File");
  // Ctrl+O and Ctrl+S beside the menu's Alt keys.
  file->addAction("&Open", QKeySequence::Open, &window, &MainWindow::OpenFile)->setObjectName("Open1");
  file->addAction("&Save", QKeySequence::Save, &window, &MainWindow::SaveFile)->setObjectName("Save1");
  file->addAction("Save As ...", &window, &MainWindow::SaveFileAs)->setObjectName("SaveAs1");
  file->addAction("Restore all factory settings", &window, &MainWindow::RestoreFactorySettings)
      ->setObjectName("Recallfaxtorysetup1");
  // Below the original items, so their places in the menu (and the keys that
  // reach them) stay as they were.
  menus.recent = file->addMenu("Open Recent");
  menus.recent->setObjectName("OpenRecent1");
  file->addSeparator();
  file->addAction("&Exit", &window, &QWidget::close)->setObjectName("Close1");
  AddEditMenu(window, bar);
  QMenu* pager = bar->addMenu("&Pager");
  pager->setObjectName("Pager1");
  pager->addAction("&Write", QKeySequence(Qt::Key_F4), &window, &MainWindow::WritePager)->setObjectName("Write1");
  pager->addAction("&Read", QKeySequence(Qt::Key_F3), &window, &MainWindow::ReadPager)->setObjectName("Read1");
  pager->addAction("&Verify", QKeySequence(Qt::Key_F2), &window, &MainWindow::VerifyPager)->setObjectName("Verify1");
  pager->addSeparator();
  menus.backup =
      CheckItem(pager, "Back up the pager before writing", "BackUpBeforeWrite1", settingsFile, kBackupSetting);
  menus.sound = CheckItem(pager, "Sound on failure", "SoundOnFailure1", settingsFile, kSoundSetting);
  pager->addAction("Open Backups Folder", &window, &MainWindow::OpenBackupsFolder)->setObjectName("OpenBackups1");
  pager->addAction("Restore Backup...", &window, &MainWindow::RestoreBackup)->setObjectName("RestoreBackup1");
  pager->addAction("Production &Line...", &window, [&window] { ShowProductionLine(window, window.StartupDirectory()); })
      ->setObjectName("ProductionLine1");
  pager
      ->addAction("Production &History...", &window,
                  [&window] {
                    auto* history =
                        new ProductionHistoryDialog(window.WindowSettings(), window.StartupDirectory(), &window);
                    history->setAttribute(Qt::WA_DeleteOnClose);
                    history->show();
                  })
      ->setObjectName("ProductionHistory1");
  // Alt letters for the last two menus too; the texts shown stay "Advance" and "About".
  QMenu* advance = bar->addMenu("A&dvance");
  advance->addAction("&Advance", &window, &MainWindow::ShowAdvanceAccess)->setObjectName("Advance2");
  QMenu* about = bar->addMenu("A&bout");
  about->addAction("&About", &window, &MainWindow::ShowAbout)->setObjectName("About2");

  // Ctrl+Tab and Ctrl+Shift+Tab go through the pages from wherever the focus is.
  auto* nextPage = new QAction(&window);
  nextPage->setObjectName("NextPage1");
  nextPage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab));
  QObject::connect(nextPage, &QAction::triggered, &pages, [&pages] { pages.Tour(1); });
  auto* previousPage = new QAction(&window);
  previousPage->setObjectName("PreviousPage1");
  previousPage->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)});
  QObject::connect(previousPage, &QAction::triggered, &pages, [&pages] { pages.Tour(-1); });
  window.addActions({nextPage, previousPage});
  return menus;
}

}  // namespace zt310::ui
