// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "codeplug/SafeFile.h"
#include "editor/ChannelPages.h"
#include "port/PagerLink.h"
#include "port/PortList.h"
#include "session/OperationModel.h"
#include "sim/PagerSim.h"
#include "ui/DemoPager.h"
#include "ui/Dialogs.h"
#include "ui/EditHistory.h"
#include "ui/FileActions.h"
#include "ui/FocusSink.h"
#include "ui/MessageService.h"
#include "ui/ModelBinder.h"
#include "ui/OperationRunner.h"
#include "ui/PageControl.h"
#include "ui/PagerActions.h"
#include "ui/RecentFiles.h"
#include "ui/ResultStrip.h"
#include "ui/ScanField.h"
#include "ui/ToneTableDialogs.h"
#include "ui/TopPanel.h"
#include "ui/WindowMenus.h"

namespace zt310::ui {

using editor::Answer;
using editor::Buttons;
using editor::Icon;

QString ProgramCaption() {
  return QString::fromLatin1(kProgramCaption.data(), static_cast<int>(kProgramCaption.size()));
}

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent) : QMainWindow(parent), options_(std::move(options)) {
  setObjectName("TForm1");
  setWindowTitle(ProgramCaption());
  QApplication::setApplicationName(ProgramCaption());
  startupDirectory_ = QDir::currentPath();
  files_ = std::make_unique<FileActions>(*this, startupDirectory_, options_.chooseOpenFile, options_.chooseSaveFile);
  if (!options_.openUrl) options_.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  model_ = editor::CreateEditorModel();
  if (options_.demo) {
    demoSim_ = std::make_unique<sim::PagerSimulator>(sim::SimOptions{});
    std::string error;
    if (demoSim_->Open(&error)) {
      demoSim_->Start();
      options_.ports.prepend(QString::fromStdString(demoSim_->DevicePath()));
    } else {
      demoSim_.reset();
      MessageService::Instance().Show(
          ProgramCaption(), QString("The simulated pager could not start: %1").arg(QString::fromStdString(error)),
          Icon::Exclamation, Buttons::Ok, this);
    }
  }
  link_ = std::make_unique<PagerLink>(LinkHost{}, LinkTiming{options_.pollUnitMs, options_.waitScale});
  LinkHost linkHost;
  linkHost.showOpenError = [this](const QString& message) {
    MessageService::Instance().Show(ProgramCaption(), message, Icon::None, Buttons::Ok, this);
  };
  link_->SetHost(linkHost);
  model_->SetMessageSink(
      [this](const editor::Message& message) { return MessageService::Instance().Show(message, this); });
  binder_ = new ModelBinder(*model_, this);
  history_ = new EditHistory(*model_, this);
  connect(history_, &EditHistory::UnsavedChanged, this, &MainWindow::UpdateCaption);

  auto* central = new QWidget(this);
  central->setObjectName("Panel1");
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 0);
  top_ = new TopPanel(*model_, central);
  layout->addWidget(top_);
  const PageContext context{*model_,
                            [this] {
                              if (binder_) binder_->CommitByFocusSink();
                            },
                            [this] { ShowResetHelp(); }, [this] { OpenToneTable(); }};
  pages_ = new PageControl(
      context, [this] { return !binder_ || binder_->CommitByFocusSink(); }, central);
  connect(pages_, &PageControl::ActivePageChanged, this,
          [this](int number) { model_->PartOf<editor::ChannelPages>().SetActivePage(number); });
  connect(history_, &EditHistory::Applied, pages_, [this](int page) {
    if (page >= 0 && page < pages_->count() && pages_->isTabVisible(page)) pages_->setCurrentIndex(page);
  });
  layout->addWidget(pages_, 1);
  layout->addWidget(BuildTestPanel({[this](std::uint8_t command) { pager_->VibratorTest(command); },
                                    [this](bool on, int channel, int call) { pager_->AlertTest(on, channel, call); }},
                                   central));
  strip_ = new ResultStrip(central);
  layout->addWidget(strip_);
  focusSink_ = new ui::FocusSink(central);
  setCentralWidget(central);
  BuildStatusBar();

  progress_ = new ProgressWindow(this);
  splash_ = new SplashWindow(this);
  about_ = new AboutBox(this);
  auto* standardTones = new StandardToneTableDialog(this);
  help_ = new HelpWindow(this);
  password_ = new PasswordDialog(this);
  auto* plectronTones = new PlectronToneTableDialog(this);
  SetToneTableOpener(ToneTableOpener(standardTones, plectronTones));
  connect(PortList(), &QComboBox::activated, this, [this](int index) { link_->SelectPort(index); });
  connect(PortList(), &QComboBox::currentIndexChanged, this,
          [this] { PortList()->setToolTip(PortList()->currentText()); });
  connect(password_, &PasswordDialog::AccessGranted, this,
          [this] { pages_->setTabVisible(pages_->count() - 1, true); });

  runner_ = new OperationRunner(*this, *link_, startupDirectory_);
  pager_ = new PagerActions(*this, *runner_, *strip_);
  const WindowMenus menus = BuildWindowMenus(*this, *pages_, options_.settingsFile);
  recent_ = new ui::RecentFiles(
      options_.settingsFile, menus.recent, [this](const QString& path) { OpenFileAt(path); }, this);
  backupAction_ = menus.backup;
  strip_->SetSoundOnFailure(menus.sound->isChecked());
  connect(menus.sound, &QAction::toggled, strip_, &ResultStrip::SetSoundOnFailure);
  binder_->SetFocusSink(focusSink_);
  binder_->Bind(this);
  // Installed after the binder's filter, so it sees the scanner's keys first.
  scan_ = new ScanField(
      {*model_, top_->SerialField(), focusSink_, *strip_, [this](const QString& text) { SetStatusText(text); },
       [this](const std::string& serial) { ProduceSerial(serial); }},
      this);
  connect(runner_, &OperationRunner::Started, this, [this] {
    strip_->Clear();
    scan_->SetBusy(true, {this, progress_});
  });
  connect(runner_, &OperationRunner::Finished, this, [this] {
    scan_->SetBusy(false, {});
    RefreshFromModel();
    history_->Absorb();  // what an operation put into the image is no edit to undo
    UpdateCaption();
    if (!scan_->LastRefusal().isEmpty()) SetStatusText(scan_->LastRefusal());
  });
  connect(runner_, &OperationRunner::OpenRequested, this, &MainWindow::OpenFileAt);
  connect(runner_, &OperationRunner::ReadyToQuit, this, &MainWindow::ReadyToQuit);
  connect(binder_, &ModelBinder::ModelChanged, this, [this] { RefreshFromModel(); });
  RefreshFromModel();
  history_->Reset();
  // The whole pages when the screen has room; otherwise they scroll. The
  // allowance leaves room for a title bar and the window's frame.
  if (QScreen* where = screen()) resize(sizeHint().boundedTo(where->availableGeometry().size() - QSize(16, 40)));
}

MainWindow::~MainWindow() {
  // Closing the widgets moves the focus out of a field being edited; the
  // model is gone by then, so no field may commit any more.
  delete binder_;
  binder_ = nullptr;
  delete scan_;
  scan_ = nullptr;
  if (link_) link_->Port().Close();
  if (demoSim_) demoSim_->Stop();
}

QComboBox* MainWindow::PortList() const { return top_->PortList(); }
std::unique_ptr<QSettings> MainWindow::WindowSettings() const { return OpenWindowSettings(options_.settingsFile); }
QString MainWindow::DemoDevice() const { return demoSim_ ? QString::fromStdString(demoSim_->DevicePath()) : QString(); }
bool MainWindow::IsDemoPort(const QString& port) const { return demoSim_ && !port.isEmpty() && port == DemoDevice(); }
QLabel* MainWindow::VersionLabel() const { return top_->VersionLabel(); }
QLineEdit* MainWindow::FocusSink() const { return focusSink_; }
QTabWidget* MainWindow::Pages() const { return pages_; }
int MainWindow::ActivePage() const { return pages_->ActivePage(); }
bool MainWindow::OperationRunning() const { return runner_->Running(); }
bool MainWindow::CommitField() { return binder_->CommitByFocusSink(); }
QString MainWindow::ChooseOpenFile(const QString& folder) { return files_->ChooseOpenFile(folder); }
QString MainWindow::SaveTarget() const { return files_->SaveTarget(); }

void MainWindow::FillPortList() {
  QComboBox* ports = PortList();
  link_->BuildPortList(options_.ports);
  ports->clear();
  ports->addItems(link_->PortNames());
  if (IsDemoPort(DemoDevice())) ports->setItemText(int(link_->PortNames().indexOf(DemoDevice())), kDemoPortLabel);
  ports->setCurrentIndex(link_->SelectedIndex());
  // Long device names (/dev/serial/by-id/...) show in full in the open list
  // and as the tooltip of the closed one.
  // A USB adapter also names its vendor, product, serial number and stable
  // /dev/serial/by-id/ name.
  const std::vector<PortDetails> described = DescribePorts(link_->PortNames());
  int widest = 0;
  for (int i = 0; i < ports->count(); ++i) {
    ports->setItemData(i, PortToolTip(described.at(static_cast<std::size_t>(i))), Qt::ToolTipRole);
    widest = std::max(widest, ports->fontMetrics().horizontalAdvance(ports->itemText(i)));
  }
  ports->view()->setMinimumWidth(widest + 2 * ports->view()->frameWidth() + 24);
  ports->setToolTip(ports->currentText());
}

void MainWindow::SearchCradle() {
  splash_->show();
  splash_->move(screen() ? screen()->geometry().center() - splash_->rect().center() : QPoint());
  QApplication::processEvents();
  const bool found = link_->FindTargetBoard();
  splash_->hide();
  if (found) {
    PortList()->setCurrentIndex(link_->SelectedIndex());
  } else {
    link_->Port().Close();
    MessageService::Instance().Show(editor::kTitle, kBoardNotRespondingText, Icon::Exclamation, Buttons::Ok, this);
  }
}

void MainWindow::BuildStatusBar() {
  statusBar()->setObjectName("StatusBar1");
  const int widths[3] = {250, 400, 50};
  for (int i = 0; i < 3; ++i) {
    status_[i] = new QLabel(this);
    status_[i]->setObjectName(QString("StatusPanel%1").arg(i));
    status_[i]->setFixedWidth(widths[i]);
    statusBar()->addWidget(status_[i]);
  }
  status_[1]->setText(kStatusReady);
}

QString MainWindow::StatusText() const { return status_[1]->text(); }
void MainWindow::SetStatusText(const QString& text) { status_[1]->setText(text); }

void MainWindow::RefreshFromModel() {
  binder_->Sync();
  pages_->SyncEnabled(*model_);
  // A pick from a tone table changes the image without a field's commit;
  // what an operation puts into the image is no edit of the user's.
  if (!runner_ || !runner_->Running()) history_->Record(pages_->currentIndex());
}

void MainWindow::SetCaptionFile(const QString& path) {
  captionFile_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
  UpdateCaption();
}

void MainWindow::UpdateCaption() {
  QString caption = ProgramCaption();
  if (demoSim_) caption += kDemoCaptionMark;
  if (!captionFile_.isEmpty()) caption = QString("%1  [%2]").arg(caption, captionFile_);
  if (HasUnsavedChanges()) caption.prepend('*');
  if (windowTitle() != caption) setWindowTitle(caption);
}

bool MainWindow::HasUnsavedChanges() const { return history_ && history_->Unsaved(); }

void MainWindow::StartFresh() {
  history_->Reset();
  UpdateCaption();
}

void MainWindow::Undo() {
  if (runner_->Running() || !binder_->CommitByFocusSink()) return;
  history_->Undo();
  RefreshFromModel();
}

void MainWindow::Redo() {
  if (runner_->Running() || !binder_->CommitByFocusSink()) return;
  history_->Redo();
  RefreshFromModel();
}

// --- files ---

QStringList MainWindow::RecentFiles() const { return recent_->Files(); }
void MainWindow::OpenRecentFile(const QString& path) { recent_->Open(path); }
bool MainWindow::MayDiscardChanges() { return files_->MayDiscardChanges(); }
void MainWindow::OpenFile() { files_->OpenFile(); }
bool MainWindow::SaveFile() { return files_->SaveFile(); }
void MainWindow::SaveFileAs() { files_->SaveFileAs(); }
void MainWindow::RestoreFactorySettings() { files_->RestoreFactorySettings(); }

void MainWindow::OpenFileAt(const QString& path) {
  if (runner_->DeferOpen(path)) return;  // opened once the pager is free again
  if (!startedUp_) {
    pendingOpen_ = path;  // opened once start-up has ended
    return;
  }
  files_->OpenFileAt(path);
}

QString MainWindow::BackupFolder() const {
  if (!options_.backupFolder.isEmpty()) return options_.backupFolder;
  // The pagers' backups are private to the user unless a folder was chosen.
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/backups";
  MakePrivateFolder(folder.toStdString());
  return folder;
}

bool MainWindow::BackupBeforeWrite() const { return backupAction_->isChecked(); }

void MainWindow::OpenBackupsFolder() {
  const QString folder = BackupFolder();
  // Made when missing, so the file manager shows the place the backups go.
  if (!QDir().mkpath(folder) || !options_.openUrl(QUrl::fromLocalFile(folder))) {
    MessageService::Instance().Show(editor::kTitle, QString("The backups folder %1 cannot be shown.").arg(folder),
                                    Icon::Exclamation, Buttons::Ok, this);
  }
}

void MainWindow::ShowAdvanceAccess() { password_->exec(); }
void MainWindow::ShowResetHelp() { help_->exec(); }
void MainWindow::ShowAbout() { about_->exec(); }

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!started_) {
    started_ = true;
    QTimer::singleShot(0, this, &MainWindow::StartUp);
  }
}

void MainWindow::StartUp() {
  FillPortList();
  // The search talks to every listed port: a close request waits for it too.
  if (options_.searchCradle) runner_->Run([this](OperationContext&) { SearchCradle(); });
  focusSink_->setFocus();
  if (CodePlugImage image = model_->image(); LoadDefaultTableFile(kDefaultTableName, image)) {
    model_->image() = image;
    model_->FillControlsFromImage();
    RefreshFromModel();
  }
  StartFresh();
  if (demoSim_) demoSim_->SetMemory(DemoPagerMemory(demoSim_->Memory(), session::RequestFrom(*model_)));
  startedUp_ = true;
  if (!options_.startupFile.isEmpty()) OpenFileAt(options_.startupFile);
  // A file handed over by a second start before this one was ready.
  if (!pendingOpen_.isEmpty()) OpenFileAt(std::exchange(pendingOpen_, QString()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing mid-transfer would leave the pager half written and the port
  // open: the window stays until the operation has ended. A termination
  // request cannot wait for an answer nobody may give.
  if (runner_->Running() || (!runner_->QuitRequested() && !MayDiscardChanges())) {
    event->ignore();
    return;
  }
  link_->Port().Close();
  QMainWindow::closeEvent(event);
}

void MainWindow::RequestQuit() { runner_->RequestQuit(); }

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F9) {
    OpenToneTable();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void MainWindow::WritePager() { pager_->Write(); }
void MainWindow::ReadPager() { pager_->Read(); }
void MainWindow::VerifyPager() { pager_->Verify(); }
void MainWindow::RestoreBackup() { pager_->RestoreBackup(); }
void MainWindow::ProduceSerial(const std::string& serial) { pager_->Produce(serial); }
void MainWindow::NoteVerifyFailure(const VerifyReport& report) { pager_->NoteVerifyFailure(report); }
void MainWindow::NotePartialWrite(const PartialWrite& partial) { pager_->NotePartialWrite(partial); }
void MainWindow::NoteBackup(const std::filesystem::path& file) { pager_->NoteBackup(file); }

void MainWindow::FocusSerialNumber() {
  model_->Enter(editor::names::kEdtSerialNo);  // emptied, ready for the next scan
  RefreshFromModel();
  top_->SerialField()->setFocus(Qt::OtherFocusReason);
  runner_->FocusTaken();
}

void MainWindow::OpenToneTable() {
  if (toneTables_) toneTables_(*this);
}

}  // namespace zt310::ui
