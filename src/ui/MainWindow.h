// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: top panel, the five pages, status bar, menus and the
// focus sink. It shows the editor model and forwards the user's actions.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QTabWidget>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "codeplug/TableFile.h"
#include "editor/EditorModel.h"
#include "link/OperationHost.h"

class QAction;
class QMenu;
class QSettings;

namespace zt310 {
class PagerLink;
namespace sim {
class PagerSimulator;
}
}  // namespace zt310

namespace zt310::ui {

class ModelBinder;
class EditHistory;
class FileActions;
class FocusSink;
class OperationRunner;
class PageControl;
class PagerActions;
class RecentFiles;
class ResultStrip;
class ScanField;
class TopPanel;
class ProgressWindow;
class SplashWindow;
class AboutBox;
class HelpWindow;
class PasswordDialog;

struct MainWindowOptions {
  QStringList ports;         // --port PATH, first in the port list
  bool searchCradle = true;  // look for the cradle when first shown
  bool demo = false;         // start the built-in simulated pager and list it first
  double pollUnitMs = 10.0;  // tests shrink the link's time-outs and pauses
  double waitScale = 1.0;
  // File dialogs; tests replace them. An empty result means cancelled.
  std::function<QString(QWidget*, const QString& folder)> chooseOpenFile;
  std::function<QString(QWidget*, const QString& folder)> chooseSaveFile;
  // Where the window remembers its options and recent files (an INI file);
  // empty: the user's own settings. Tests give a temporary file.
  QString settingsFile;
  // Where Write saves the pager's backups; empty: the application data
  // folder's "backups".
  QString backupFolder;
  // Shows a folder with the desktop's file manager; tests replace it.
  std::function<bool(const QUrl&)> openUrl;
  // A table file to open once the window has started, as "Open" opens it.
  QString startupFile;
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(MainWindowOptions options = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  editor::EditorModel& Model() { return *model_; }
  QString StatusText() const;
  void SetStatusText(const QString& text);
  QString SaveTarget() const;
  ProgressWindow& Progress() { return *progress_; }
  PasswordDialog& Password() { return *password_; }
  QComboBox* PortList() const;
  QLabel* VersionLabel() const;
  QLineEdit* FocusSink() const;
  QTabWidget* Pages() const;
  ResultStrip& Results() { return *strip_; }
  int ActivePage() const;
  PagerLink& Link() { return *link_; }
  // The working image differs from what was last opened, saved or read.
  bool HasUnsavedChanges() const;
  // The caption names this file ("ZT310 V1.3.9  [path]"), or none when empty.
  void SetCaptionFile(const QString& path);
  QString BackupFolder() const;
  bool BackupBeforeWrite() const;
  // The field being edited commits; false when it refused.
  bool CommitField();
  // Save / Discard / Cancel while there are unsaved changes; false when the
  // user cancels or the save fails.
  bool MayDiscardChanges();
  // The image now in the model is a fresh start (opened, read): saved, no edit steps.
  void StartFresh();
  QString ChooseOpenFile(const QString& folder);
  QString CaptionFile() const { return captionFile_; }
  EditHistory& History() { return *history_; }
  ui::RecentFiles& Recent() { return *recent_; }

  // The window's actions, also reachable from tests.
  void OpenFile();
  // Opens this table file as "Open" does, after the unsaved-changes
  // question; also for a file named at start or handed over by a second start.
  void OpenFileAt(const QString& path);
  void OpenRecentFile(const QString& path);
  QStringList RecentFiles() const;
  // Whole-image steps of the committed edits.
  void Undo();
  void Redo();
  void OpenBackupsFolder();
  bool SaveFile();
  void SaveFileAs();
  void RestoreFactorySettings();
  void ShowAdvanceAccess();
  void ShowResetHelp();
  void ShowAbout();
  void RefreshFromModel();
  // The "Pager" menu: Write (F4), Read (F3), Verify (F2).
  void WritePager();
  void ReadPager();
  void VerifyPager();
  // "Restore Backup...": a backup chosen in the backups folder goes back
  // into the pager byte for byte.
  void RestoreBackup();
  // A scanned serial number: the production run, logged in the start-up directory.
  void ProduceSerial(const std::string& serial);
  // The production run's end: "Serial No." emptied and given the focus.
  void FocusSerialNumber();
  // F9 and double-click in a tone field: the tone table of the tone system,
  // when a tone field is the recorded target.
  void OpenToneTable();
  void SetToneTableOpener(std::function<void(MainWindow&)> opener) { toneTables_ = std::move(opener); }
  // The start-up steps that run when the window is first shown.
  void StartUp();
  // A termination request (SIGTERM): a running operation ends first, its
  // remaining questions answered by abandoning; then ReadyToQuit.
  void RequestQuit();
  // What a failed Verify found, shown once the operation has ended.
  void NoteVerifyFailure(const VerifyReport& report);
  // A write that stopped part-way, and the backup made before it, shown in
  // one box once the operation has ended.
  void NotePartialWrite(const PartialWrite& partial);
  void NoteBackup(const std::filesystem::path& file);
  bool OperationRunning() const;
  QString StartupDirectory() const { return startupDirectory_; }
  // The window's settings (recent files, the record, the check items).
  std::unique_ptr<QSettings> WindowSettings() const;
  // The demo pager's pseudo-terminal, or nothing without --demo.
  QString DemoDevice() const;
  // PORT is the demo pager's: its runs are logged and recorded apart.
  bool IsDemoPort(const QString& port) const;

 signals:
  // The port is closed and no operation runs: the program may end.
  void ReadyToQuit();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildStatusBar();
  void UpdateCaption();
  void FillPortList();
  void SearchCradle();

  MainWindowOptions options_;
  std::unique_ptr<editor::EditorModel> model_;
  std::unique_ptr<sim::PagerSimulator> demoSim_;
  std::unique_ptr<PagerLink> link_;
  ModelBinder* binder_ = nullptr;
  PageControl* pages_ = nullptr;
  TopPanel* top_ = nullptr;
  ui::FocusSink* focusSink_ = nullptr;
  ResultStrip* strip_ = nullptr;
  QLabel* status_[3] = {nullptr, nullptr, nullptr};
  ProgressWindow* progress_ = nullptr;
  SplashWindow* splash_ = nullptr;
  AboutBox* about_ = nullptr;
  HelpWindow* help_ = nullptr;
  PasswordDialog* password_ = nullptr;
  EditHistory* history_ = nullptr;
  ui::RecentFiles* recent_ = nullptr;
  OperationRunner* runner_ = nullptr;
  PagerActions* pager_ = nullptr;
  ScanField* scan_ = nullptr;
  std::unique_ptr<FileActions> files_;
  QString startupDirectory_;
  bool started_ = false;
  bool startedUp_ = false;
  std::function<void(MainWindow&)> toneTables_;
  QString captionFile_;  // the file the caption names, empty for none
  QString pendingOpen_;  // handed over before start-up ended
  QAction* backupAction_ = nullptr;
};

// The program caption, "ZT310 V1.3.9".
QString ProgramCaption();

}  // namespace zt310::ui
