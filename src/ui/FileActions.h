// SPDX-License-Identifier: GPL-3.0-or-later
// The "File" menu's work on table files: open (with the unsaved-changes
// question), save, save as, and the factory settings. Errors name the file
// and the reason; a failed save changes nothing.
#pragma once

#include <QString>
#include <functional>

#include "codeplug/TableFile.h"

class QWidget;

namespace zt310::ui {

class MainWindow;

class FileActions {
 public:
  using Chooser = std::function<QString(QWidget*, const QString& folder)>;
  // Empty choosers: the desktop's file dialogs.
  FileActions(MainWindow& window, QString startupDirectory, Chooser chooseOpen, Chooser chooseSave);

  QString SaveTarget() const { return saveTarget_; }
  // Save / Discard / Cancel while there are unsaved changes; false when the
  // user cancels or the save fails.
  bool MayDiscardChanges();
  void OpenFile();
  // The unsaved-changes question, then the file opened.
  void OpenFileAt(const QString& path);
  bool SaveFile();
  void SaveFileAs();
  void RestoreFactorySettings();
  QString ChooseOpenFile(const QString& folder);

 private:
  bool OpenTableFileNow(const QString& path);
  bool WriteTable(const QString& path, bool saveAs);

  MainWindow& window_;
  QString startupDirectory_;
  Chooser chooseOpen_;
  Chooser chooseSave_;
  QString saveTarget_ = kDefaultTableName;
};

}  // namespace zt310::ui
