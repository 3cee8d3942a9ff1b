// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainWindow.h"
#include "ui/ProductionLineWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QAbstractItemView>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>
#include <QWheelEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QDesktopServices>
#include <QAction>
#include <QMenu>

#include "codeplug/SafeFile.h"
#include "codeplug/TableFile.h"
#include "codeplug/TextPlug.h"
#include "editor/ChannelPages.h"
#include "editor/ModelOperations.h"
#include "editor/TextImport.h"
#include "port/PagerLink.h"
#include "link/Operations.h"
#include "link/PagerBackup.h"
#include "link/PagerRestore.h"
#include "link/PartialWrite.h"
#include "link/Production.h"
#include "session/OperationModel.h"
#include "sim/PagerSim.h"
#include "ui/WindowHost.h"
#include "ui/ControlWidgets.h"
#include "ui/DemoPager.h"
#include "ui/Dialogs.h"
#include "ui/MessageService.h"
#include "ui/ModelBinder.h"
#include "ui/Pages.h"
#include "ui/ProductionRecordWindow.h"
#include "ui/ToneTableDialogs.h"

namespace zt310::ui {

namespace names = editor::names;

using editor::Answer;
using editor::Buttons;
using editor::Icon;

QString ProgramCaption() { return QString::fromLatin1(kProgramCaption.data(), static_cast<int>(kProgramCaption.size())); }

namespace {

constexpr const char* kDefaultSaveQuestion =
    "Click OK will save all changes to the default file.\nThis will change all the default values and "
    "automatically loaded up by ZT310 programming software in the future.";
constexpr const char* kUnsavedQuestion = "The configuration has changes that are not saved.\nSave them first?";
constexpr const char* kBackupSetting = "pager/backupBeforeWrite";
constexpr const char* kRecentSetting = "files/recent";
// The test panel's widgets, named where the panel builds them and found by these names.
constexpr const char* kBtnVibratorOn = "btnVibratorOn";
constexpr const char* kBtnVibratorOff = "btnVibratorOFF";
constexpr const char* kBtnAlertTestOn = "btnAlertTestOn";
constexpr const char* kBtnAlertTestOff = "btnAlertTestOFF";
constexpr const char* kCboTestChannel = "cboChannel";
constexpr const char* kCboTestCall = "cboCall";
constexpr int kRecentCount = 8;
constexpr const char* kRestoreQuestion =
    "It will restore all the settings to the factory-default settings and your setting will be lost.";

struct PageRow {
  const char* name;
  const char* caption;
  int number;  // the active page number the tone tables read; 0 leaves it
};
constexpr PageRow kPages[] = {
    {names::kTabChannelF1, "Channel F1", 1}, {names::kTabChannelF2, "Channel F2", 2}, {names::kTabSetting, "Setting", 3},
    {names::kTabSystem, "System", 4},        {names::kTabAdvance, "Advance Setting", 0},
};

// The tab bar asks before a click, a wheel turn or a key changes the page:
// the field being edited commits first, and a refused one keeps its page
// with the focus and the typed text.
class PageTabBar : public QTabBar {
 public:
  PageTabBar(std::function<bool()> mayLeave, QWidget* parent) : QTabBar(parent), mayLeave_(std::move(mayLeave)) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    const int tab = tabAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && tab >= 0 && tab != currentIndex() && !mayLeave_()) return;
    QTabBar::mousePressEvent(event);
  }
  void wheelEvent(QWheelEvent* event) override {
    if (!mayLeave_()) return;
    QTabBar::wheelEvent(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (!mayLeave_()) return;
    QTabBar::keyPressEvent(event);
  }

 private:
  std::function<bool()> mayLeave_;
};

// A page scrolls when the window is smaller than the page, so the window fits
// a 1024 x 768 screen; it still asks for the whole page when there is room.
class PageScrollArea : public QScrollArea {
 public:
  PageScrollArea(QWidget* page, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);  // a click on a page's background takes no focus, as before
    setWidgetResizable(true);
    setWidget(page);
  }
  QSize sizeHint() const override { return widget()->sizeHint() + QSize(2 * frameWidth(), 2 * frameWidth()); }
};

// The page control of the main window. When the page changes with the focus
// still inside the old page, Qt hands the focus to a field of the new page,
// and entering a field empties it: the focus goes to the sink instead.
class PageControl : public QTabWidget {
 public:
  PageControl(std::function<bool()> mayLeave, std::function<void()> focusOutOfPages, QWidget* parent)
      : QTabWidget(parent), mayLeave_(mayLeave) {
    auto* bar = new PageTabBar(std::move(mayLeave), this);
    // Connected before the page control's own slot, so this runs while the old page is still shown.
    connect(bar, &QTabBar::currentChanged, this, [focusOutOfPages = std::move(focusOutOfPages)] { focusOutOfPages(); });
    setTabBar(bar);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool pageKey = (event->modifiers() & Qt::ControlModifier) &&
                         (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ||
                          event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown);
    if (pageKey && !mayLeave_()) return;
    QTabWidget::keyPressEvent(event);
  }

 private:
  std::function<bool()> mayLeave_;
};

QString ChooseTableFile(QWidget* parent, const QString& folder, bool save) {
  QFileDialog dialog(parent, save ? "Save As" : "Open", folder, "Table files (*.tbl);;Code-plug text (*.yaml *.yml)");
  dialog.setDefaultSuffix("tbl");
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
    dialog.setDefaultSuffix(filter.contains("yaml") ? "yaml" : "tbl");
  });
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)) {
  setObjectName("TForm1");
  setWindowTitle(ProgramCaption());
  QApplication::setApplicationName(ProgramCaption());
  startupDirectory_ = QDir::currentPath();
  if (!options_.chooseOpenFile) options_.chooseOpenFile = [](QWidget* p, const QString& f) { return ChooseTableFile(p, f, false); };
  if (!options_.chooseSaveFile) options_.chooseSaveFile = [](QWidget* p, const QString& f) { return ChooseTableFile(p, f, true); };
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
      MessageService::Instance().Show(ProgramCaption(), QString("The simulated pager could not start: %1").arg(QString::fromStdString(error)),
                                      Icon::Exclamation, Buttons::Ok, this);
    }
  }
  link_ = std::make_unique<PagerLink>(LinkHost{}, LinkTiming{options_.pollUnitMs, options_.waitScale});
  LinkHost linkHost;
  linkHost.showOpenError = [this](const QString& message) {
    MessageService::Instance().Show(ProgramCaption(), message, Icon::None, Buttons::Ok, this);
  };
  link_->SetHost(linkHost);
  model_->SetMessageSink([this](const editor::Message& message) { return MessageService::Instance().Show(message, this); });
  binder_ = new ModelBinder(*model_, this);

  auto* central = new QWidget(this);
  central->setObjectName("Panel1");
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->addWidget(BuildTopPanel());
  BuildPages();
  layout->addWidget(pages_, 1);
  layout->addWidget(BuildTestPanel());
  focusSink_ = new QLineEdit(central);
  focusSink_->setObjectName(editor::kFocusSink);
  focusSink_->setFrame(false);
  focusSink_->setFixedSize(1, 1);
  focusSink_->move(0, 0);
  setCentralWidget(central);
  BuildMenus();
  BuildStatusBar();

  progress_ = new ProgressWindow(this);
  splash_ = new SplashWindow(this);
  about_ = new AboutBox(this);
  auto* standardTones = new StandardToneTableDialog(this);
  help_ = new HelpWindow(this);
  password_ = new PasswordDialog(this);
  auto* plectronTones = new PlectronToneTableDialog(this);
  SetToneTableOpener(ToneTableOpener(standardTones, plectronTones));
  connect(portList_, &QComboBox::activated, this, [this](int index) { link_->SelectPort(index); });
  connect(portList_, &QComboBox::currentIndexChanged, this, [this] { portList_->setToolTip(portList_->currentText()); });
  const struct {
    const char* name;
    std::function<void()> action;
  } testButtons[] = {
      {kBtnVibratorOn, [this] { SendVibratorTest(kCommandVibratorOn); }},
      {kBtnVibratorOff, [this] { SendVibratorTest(kCommandVibratorOff); }},
      {kBtnAlertTestOn, [this] { SendAlertTest(true); }},
      {kBtnAlertTestOff, [this] { SendAlertTest(false); }},
  };
  for (const auto& button : testButtons) {
    if (auto* widget = findChild<QPushButton*>(button.name)) connect(widget, &QPushButton::clicked, this, button.action);
  }
  connect(password_, &PasswordDialog::AccessGranted, this, [this] {
    pages_->setTabVisible(pages_->count() - 1, true);
  });

  binder_->SetFocusSink(focusSink_);
  binder_->Bind(this);
  operationHost_ = std::make_unique<WindowOperationHost>(*this);
  scanKeys_ = std::make_unique<SerialScanKeys>();
  clock_.start();
  // Installed after the binder's filter, so it sees the scanner's keys first.
  if (auto* serial = findChild<QLineEdit*>(names::kEdtSerialNo)) serial->installEventFilter(this);
  focusSink_->installEventFilter(this);
  connect(binder_, &ModelBinder::ModelChanged, this, [this] { RefreshFromModel(); });
  RefreshFromModel();
  MarkSaved();
  ResetEditHistory();
  // The whole pages when the screen has room; otherwise they scroll. The
  // allowance leaves room for a title bar and the window's frame.
  if (QScreen* where = screen()) resize(sizeHint().boundedTo(where->availableGeometry().size() - QSize(16, 40)));
}

MainWindow::~MainWindow() {
  // Closing the widgets moves the focus out of a field being edited; the
  // model is gone by then, so no field may commit any more.
  delete binder_;
  binder_ = nullptr;
  if (link_) link_->Port().Close();
  if (demoSim_) demoSim_->Stop();
}

QString MainWindow::DemoDevice() const {
  return demoSim_ ? QString::fromStdString(demoSim_->DevicePath()) : QString();
}
bool MainWindow::IsDemoPort(const QString& port) const { return demoSim_ && !port.isEmpty() && port == DemoDevice(); }

void MainWindow::FillPortList() {
  link_->BuildPortList(options_.ports);
  portList_->clear();
  portList_->addItems(link_->PortNames());
  if (IsDemoPort(DemoDevice())) portList_->setItemText(int(link_->PortNames().indexOf(DemoDevice())), kDemoPortLabel);
  portList_->setCurrentIndex(link_->SelectedIndex());
  // Long device names (/dev/serial/by-id/...) show in full in the open list
  // and as the tooltip of the closed one.
  int widest = 0;
  for (int i = 0; i < portList_->count(); ++i) {
    portList_->setItemData(i, link_->PortNames().at(i), Qt::ToolTipRole);
    widest = std::max(widest, portList_->fontMetrics().horizontalAdvance(portList_->itemText(i)));
  }
  portList_->view()->setMinimumWidth(widest + 2 * portList_->view()->frameWidth() + 24);
  portList_->setToolTip(portList_->currentText());
}

void MainWindow::SearchCradle() {
  splash_->show();
  splash_->move(screen() ? screen()->geometry().center() - splash_->rect().center() : QPoint());
  QApplication::processEvents();
  const bool found = link_->FindTargetBoard();
  splash_->hide();
  if (found) {
    portList_->setCurrentIndex(link_->SelectedIndex());
  } else {
    link_->Port().Close();
    MessageService::Instance().Show(editor::kTitle, kBoardNotRespondingText, Icon::Exclamation, Buttons::Ok, this);
  }
}

void MainWindow::SendVibratorTest(std::uint8_t command) {
  RunOperation([&] { link_->SendTestCommand(command, 0, 0, 0); });
}

void MainWindow::SendAlertTest(bool on) {
  const auto* channel = findChild<QComboBox*>(kCboTestChannel);
  const auto* call = findChild<QComboBox*>(kCboTestCall);
  const auto commands = AlertTestCommands(on, channel->currentIndex() + 1, call->currentIndex() + 1);
  RunOperation([&] {
    for (const TestCommand& command : commands) link_->SendTestCommand(command[0], command[1], command[2], command[3]);
  });
}

QWidget* MainWindow::BuildTopPanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName("panTop");
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* tones = new QGroupBox("Tone System", panel);
  tones->setObjectName(names::kGrpToneSystem);
  tones->setToolTip(editor::kToneSystemHint);
  auto* toneLayout = new QHBoxLayout(tones);
  for (int i = 0; i < names::kToneSystemButtons; ++i) {
    const std::string& caption = model_->At(names::ToneSystemButton(i)).text;
    auto* radio = new QRadioButton(QString::fromStdString(caption), tones);
    radio->setObjectName(QString::fromStdString(names::ToneSystemButton(i)));
    toneLayout->addWidget(radio);
  }
  layout->addWidget(tones);

  auto* serial = new QGroupBox("Serial Setting", panel);
  serial->setObjectName("grpSerial");
  auto* serialLayout = new QHBoxLayout(serial);
  serialLayout->addWidget(new QLabel("COM Port", serial));
  portList_ = new QComboBox(serial);
  portList_->setObjectName("cboPort");
  portList_->setMinimumWidth(110);
  serialLayout->addWidget(portList_);
  version_ = new QLabel(serial);
  version_->setObjectName(names::kLblVersion);
  QFont underlined = version_->font();
  underlined.setUnderline(true);
  version_->setFont(underlined);
  // The label keeps its room while hidden, so the groups beside it do not
  // move when a firmware version appears.
  version_->setMinimumWidth(QFontMetrics(underlined).horizontalAdvance("FirmVer. 00.0.0"));
  QSizePolicy keepRoom = version_->sizePolicy();
  keepRoom.setRetainSizeWhenHidden(true);
  version_->setSizePolicy(keepRoom);
  version_->hide();
  serialLayout->addWidget(version_);
  layout->addWidget(serial);


  auto* serialNo = new QGroupBox("Serial No.", panel);
  serialNo->setObjectName("grpSerialNo");
  auto* serialNoLayout = new QHBoxLayout(serialNo);
  serialNoLayout->addWidget(new QLabel(QString::fromUtf8("S/N\xEF\xBC\x9A"), serialNo));
  auto* serialEdit = new QLineEdit(serialNo);
  serialEdit->setObjectName(names::kEdtSerialNo);
  serialEdit->setMinimumWidth(140);
  serialNoLayout->addWidget(serialEdit);
  layout->addWidget(serialNo);
  layout->addStretch();
  return panel;
}

// The vibrator and alert tests at the bottom of the window.
QWidget* MainWindow::BuildTestPanel() {
  auto* tests = new QGroupBox(this);
  tests->setObjectName("panTest");
  auto* layout = new QHBoxLayout(tests);
  layout->setContentsMargins(6, 2, 6, 2);
  auto addButton = [&](const char* name, const char* caption) {
    auto* button = new QPushButton(caption, tests);
    button->setObjectName(name);
    button->setMaximumWidth(44);
    layout->addWidget(button);
  };
  layout->addWidget(new QLabel("Vibrator Test", tests));
  addButton(kBtnVibratorOn, "ON");
  addButton(kBtnVibratorOff, "OFF");
  layout->addSpacing(24);
  layout->addWidget(new QLabel("Alert Test", tests));
  auto* channel = new QComboBox(tests);
  channel->setObjectName(kCboTestChannel);
  channel->addItems({"Channel F1", "Channel F2"});
  auto* call = new QComboBox(tests);
  call->setObjectName(kCboTestCall);
  for (int i = 1; i <= 8; ++i) call->addItem(QString("Call #%1").arg(i));
  for (int j = 1; j <= 4; ++j) call->addItem(QString("Group Call #%1").arg(j));
  layout->addWidget(channel);
  layout->addWidget(call);
  addButton(kBtnAlertTestOn, "ON");
  addButton(kBtnAlertTestOff, "OFF");
  layout->addStretch();
  return tests;
}

void MainWindow::BuildPages() {
  pages_ = new PageControl([this] { return !binder_ || binder_->CommitByFocusSink(); },
                           [this] {
                             QWidget* focus = QApplication::focusWidget();
                             if (binder_ && pages_ && focus && pages_->isAncestorOf(focus)) binder_->CommitByFocusSink();
                           },
                           this);
  pages_->setObjectName(names::kPageControl);
  for (const auto& page : kPages) {
    const PageContext context{*model_, [this] { if (binder_) binder_->CommitByFocusSink(); }, [this] { ShowResetHelp(); },
                              [this] { OpenToneTable(); }};
    QWidget* content = CreatePageWidget(context, page.name, pages_);
    if (!content->findChild<QWidget*>(page.name)) content->setObjectName(page.name);
    pages_->addTab(new PageScrollArea(content, pages_), page.caption);
  }
  connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index >= 0 && index < static_cast<int>(std::size(kPages)) && kPages[index].number != 0) {
      activePage_ = kPages[index].number;
      model_->PartOf<editor::ChannelPages>().SetActivePage(activePage_);
    }
  });
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&Open", this, &MainWindow::OpenFile)->setObjectName("Open1");
  file->addAction("&Save", this, &MainWindow::SaveFile)->setObjectName("Save1");
  file->addAction("Save As ...", this, &MainWindow::SaveFileAs)->setObjectName("SaveAs1");
  file->addAction("Restore all factory settings", this, &MainWindow::RestoreFactorySettings)
      ->setObjectName("Recallfaxtorysetup1");
  // Below the original items, so their places in the menu (and the keys that
  // reach them) stay as they were.
  recentMenu_ = file->addMenu("Open Recent");
  recentMenu_->setObjectName("OpenRecent1");
  FillRecentMenu();
  file->addSeparator();
  file->addAction("&Exit", this, &QWidget::close)->setObjectName("Close1");
  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->setObjectName("Edit1");
  undoAction_ = edit->addAction("&Undo", this, &MainWindow::Undo);
  undoAction_->setObjectName("Undo1");
  undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  redoAction_ = edit->addAction("&Redo", this, &MainWindow::Redo);
  redoAction_->setObjectName("Redo1");
  redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  QMenu* pager = menuBar()->addMenu("&Pager");
  pager->setObjectName("Pager1");
  pager->addAction("&Write", QKeySequence(Qt::Key_F4), this, &MainWindow::WritePager)->setObjectName("Write1");
  pager->addAction("&Read", QKeySequence(Qt::Key_F3), this, &MainWindow::ReadPager)->setObjectName("Read1");
  pager->addAction("&Verify", QKeySequence(Qt::Key_F2), this, &MainWindow::VerifyPager)->setObjectName("Verify1");
  pager->addSeparator();
  backupAction_ = pager->addAction("Back up the pager before writing");
  backupAction_->setObjectName("BackUpBeforeWrite1");
  backupAction_->setCheckable(true);
  backupAction_->setChecked(Settings()->value(kBackupSetting, true).toBool());
  connect(backupAction_, &QAction::toggled, this, [this](bool on) { Settings()->setValue(kBackupSetting, on); });
  pager->addAction("Open Backups Folder", this, &MainWindow::OpenBackupsFolder)->setObjectName("OpenBackups1");
  pager->addAction("Restore Backup...", this, &MainWindow::RestoreBackup)->setObjectName("RestoreBackup1");
  pager->addAction("Production Line...", this, [this] { ShowProductionLine(*this, startupDirectory_); })
      ->setObjectName("ProductionLine1");
  pager->addAction("Production History...", this, [this] {
    auto* history = new ProductionHistoryDialog(Settings(), startupDirectory_, this);
    history->setAttribute(Qt::WA_DeleteOnClose);
    history->show();
  })->setObjectName("ProductionHistory1");
  QMenu* advance = menuBar()->addMenu("Advance");
  advance->addAction("Advance", this, &MainWindow::ShowAdvanceAccess)->setObjectName("Advance2");
  QMenu* about = menuBar()->addMenu("About");
  about->addAction("About", this, &MainWindow::ShowAbout)->setObjectName("About2");
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
  for (int i = 0; i < pages_->count() && i < static_cast<int>(std::size(kPages)); ++i) {
    if (model_->Has(kPages[i].name)) pages_->setTabEnabled(i, model_->At(kPages[i].name).enabled);
  }
  // A pick from a tone table changes the image without a field's commit.
  RecordEditStep();
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

bool MainWindow::HasUnsavedChanges() const { return model_ && model_->image() != savedImage_; }

void MainWindow::MarkSaved() {
  savedImage_ = model_->image();
  UpdateCaption();
}

bool MainWindow::MayDiscardChanges() {
  // The field being edited counts: what is shown is what would be lost.
  if (!binder_->CommitByFocusSink()) return false;
  if (!HasUnsavedChanges()) return true;
  switch (MessageService::Instance().AskSaveDiscardCancel(editor::kTitle, kUnsavedQuestion, this)) {
    case Answer::Yes:
      return SaveFile() && !HasUnsavedChanges();
    case Answer::No:
      return true;
    default:
      return false;
  }
}

// --- whole-image edit steps ---

void MainWindow::ResetEditHistory() {
  currentStep_ = model_->image();
  undoSteps_.clear();
  redoSteps_.clear();
  if (undoAction_) undoAction_->setEnabled(false);
  if (redoAction_) redoAction_->setEnabled(false);
}

void MainWindow::RecordEditStep() {
  // What an operation puts into the image is no edit of the user's.
  if (!undoAction_ || operationRunning_ || model_->image() == currentStep_) return;
  undoSteps_.push_back(currentStep_);
  currentStep_ = model_->image();
  redoSteps_.clear();
  undoAction_->setEnabled(true);
  redoAction_->setEnabled(false);
  UpdateCaption();
}

void MainWindow::RestoreStep(std::vector<CodePlugImage>& from, std::vector<CodePlugImage>& to) {
  if (operationRunning_) return;
  // A field being edited commits first and becomes a step of its own.
  if (!binder_->CommitByFocusSink()) return;
  if (from.empty()) return;
  to.push_back(currentStep_);
  currentStep_ = from.back();
  from.pop_back();
  model_->image() = currentStep_;
  model_->FillControlsFromImage();
  currentStep_ = model_->image();  // refilling is no new step
  RefreshFromModel();
  undoAction_->setEnabled(!undoSteps_.empty());
  redoAction_->setEnabled(!redoSteps_.empty());
  UpdateCaption();
}

void MainWindow::Undo() { RestoreStep(undoSteps_, redoSteps_); }
void MainWindow::Redo() { RestoreStep(redoSteps_, undoSteps_); }

// --- files ---

std::unique_ptr<QSettings> MainWindow::Settings() const {
  if (!options_.settingsFile.isEmpty()) return std::make_unique<QSettings>(options_.settingsFile, QSettings::IniFormat);
  auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "zt310prog", "zt310prog");
  // The recent files and folders are the user's own business: a 0600 file
  // in a 0700 folder, which later saves keep.
  const std::filesystem::path file = settings->fileName().toStdString();
  if (MakePrivateFolder(file.parent_path())) MakePrivateFile(file);
  return settings;
}

QStringList MainWindow::RecentFiles() const { return Settings()->value(kRecentSetting).toStringList(); }

void MainWindow::RememberRecentFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList recent = RecentFiles();
  recent.removeAll(absolute);
  recent.prepend(absolute);
  while (recent.size() > kRecentCount) recent.removeLast();
  Settings()->setValue(kRecentSetting, recent);
  FillRecentMenu();
}

void MainWindow::FillRecentMenu() {
  recentMenu_->clear();
  const QStringList recent = RecentFiles();
  for (int i = 0; i < recent.size(); ++i) {
    QString label = recent[i];
    label.replace('&', "&&");  // a file name's '&' is no shortcut marker
    QAction* action = recentMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(label));
    action->setObjectName(QString("RecentFile%1").arg(i + 1));
    connect(action, &QAction::triggered, this, [this, path = recent[i]] { OpenRecentFile(path); });
  }
  recentMenu_->setEnabled(!recent.isEmpty());
}

void MainWindow::OpenRecentFile(const QString& path) {
  if (!QFileInfo::exists(path)) {
    QStringList recent = RecentFiles();
    recent.removeAll(path);
    Settings()->setValue(kRecentSetting, recent);
    FillRecentMenu();
  }
  OpenFileAt(path);
}

void MainWindow::OpenFile() {
  if (operationRunning_ || !MayDiscardChanges()) return;
  const QString path = options_.chooseOpenFile(this, startupDirectory_);
  if (path.isEmpty()) return;
  OpenTableFileNow(path);
}

void MainWindow::OpenFileAt(const QString& path) {
  if (operationRunning_ || !startedUp_) {
    pendingOpen_ = path;  // opened once the pager is free again
    return;
  }
  if (!MayDiscardChanges()) return;
  OpenTableFileNow(path);
}

bool MainWindow::OpenTableFileNow(const QString& path) {
  QDir::setCurrent(QFileInfo(path).absolutePath());
  CodePlugImage image = model_->image();
  std::string refusal;
  const OpenResult result = text::IsTextPlugPath(path.toStdString())
                                ? editor::OpenTextFile(path.toStdString(), image, &refusal)
                                : OpenTableFile(path.toStdString(), image);
  if (result.status == OpenStatus::CannotRead) {
    MessageService::Instance().Show(kFileErrorTitle, kFileErrorText, Icon::Exclamation, Buttons::OkCancel, this);
    return false;
  }
  if (result.status == OpenStatus::NotCodePlug) {
    // A refused text says where and why, after the usual sentence.
    const QString text = refusal.empty() ? QString(kNotCodePlugText)
                                         : QString("%1\n%2").arg(kNotCodePlugText, QString::fromStdString(refusal));
    MessageService::Instance().Show(editor::kTitle, text, Icon::Exclamation, Buttons::Ok, this);
    return false;
  }
  model_->OpenImage(image);  // also shows the firmware version and its timing unit
  RefreshFromModel();
  MarkSaved();
  ResetEditHistory();
  SetCaptionFile(path);
  RememberRecentFile(path);
  return true;
}

bool MainWindow::WriteTable(const QString& path, bool saveAs) {
  binder_->CommitByFocusSink();
  const SaveKind kind = saveAs ? SaveKind::SaveAs : SaveKind::Save;
  const SaveResult saved = text::IsTextPlugPath(path.toStdString())
                               ? editor::SaveTextFile(path.toStdString(), model_->image(), kind)
                               : SaveTableFile(path.toStdString(), model_->image(), kind);
  RefreshFromModel();
  if (!saved.ok) {
    MessageService::Instance().Show(kFileErrorTitle, QString::fromStdString(saved.error), Icon::Error, Buttons::Ok, this);
    return false;
  }
  MarkSaved();
  RememberRecentFile(path);
  return true;
}

bool MainWindow::SaveFile() {
  if (saveTarget_ == kDefaultTableName) {
    const Answer answer =
        MessageService::Instance().Show(editor::kTitle, kDefaultSaveQuestion, Icon::Exclamation, Buttons::YesNo, this);
    if (answer != Answer::Yes) return false;
  }
  return WriteTable(saveTarget_, false);
}

void MainWindow::SaveFileAs() {
  QString path = options_.chooseSaveFile(this, startupDirectory_);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += ".tbl";
  QDir::setCurrent(QFileInfo(path).absolutePath());
  saveTarget_ = QFileInfo(path).absoluteFilePath();
  WriteTable(saveTarget_, true);
  SetCaptionFile(saveTarget_);
}

void MainWindow::RestoreFactorySettings() {
  if (operationRunning_ || !MayDiscardChanges()) return;
  const Answer answer =
      MessageService::Instance().Show(editor::kTitle, kRestoreQuestion, Icon::Exclamation, Buttons::YesNo, this);
  if (answer != Answer::Yes) return;
  if (!captionFile_.isEmpty()) {
    saveTarget_ = kDefaultTableName;
    captionFile_.clear();
  }
  editor::RestoreFactorySettings(*model_);
  RefreshFromModel();
  // The factory image is a fresh start: closing now loses nothing.
  MarkSaved();
  ResetEditHistory();
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

namespace {

QString ByteLines(const std::vector<ByteDifference>& differences, const std::string& expectedName,
                  const std::string& foundName) {
  QStringList lines;
  for (const ByteDifference& difference : differences) {
    lines << QString::fromStdString(DescribeByteDifference(difference, expectedName, foundName));
  }
  return lines.join('\n');
}

QString BytesCount(std::size_t count) { return QString("%1 %2").arg(count).arg(count == 1 ? "byte" : "bytes"); }

}  // namespace

void MainWindow::RestoreBackup() {
  if (operationRunning_) return;
  const QString folder = BackupFolder();
  QDir().mkpath(folder);  // the dialog opens where the backups are
  const QString path = options_.chooseOpenFile(this, folder);
  if (path.isEmpty()) return;
  MessageService& messages = MessageService::Instance();
  std::string error;
  const auto bytes = ReadFileBytes(path.toStdString(), &error);
  if (!bytes) {
    messages.Show(kFileErrorTitle, QString("%1: %2").arg(path, QString::fromStdString(error)), Icon::Exclamation,
                  Buttons::Ok, this);
    return;
  }
  if (const auto problem = BackupFileProblem(*bytes)) {
    messages.Show(editor::kTitle,
                  QString("%1 cannot be restored: %2.\n%3")
                      .arg(path, QString::fromStdString(*problem), QString(kNothingWrittenText)),
                  Icon::Exclamation, Buttons::Ok, this);
    return;
  }
  RestoreResult restore;
  const auto started = std::chrono::steady_clock::now();
  RunOperation([&] {
    OperationContext context{*link_, *operationHost_, startupDirectory_.toStdString()};
    restore = RestorePager(context, RestoreRequest{ImageOfBackup(*bytes)});
  });
  RecordBench("restore", started, restore.result, ImageOfBackup(*bytes));
  if (restore.result.outcome == OperationOutcome::Abandoned) return;
  if (restore.result.outcome == OperationOutcome::Failed) {
    if (partialWrite_) {  // a block failed: say what the pager now holds
      ShowPartialWrite();
      return;
    }
    if (!restore.linkProblem.empty()) {
      messages.Show(editor::kTitle, QString::fromStdString(restore.linkProblem), Icon::Exclamation, Buttons::Ok, this);
    } else if (!restore.differences.empty()) {
      const QString text = QString("After the restore the pager holds other data than meant in %1.")
                               .arg(BytesCount(restore.differences.size()));
      messages.ShowWithDetails({editor::kTitle, text.toStdString(), Icon::Exclamation, Buttons::Ok},
                               ByteLines(restore.differences, "meant", "pager"), this);
    }
    return;
  }
  if (!restore.remade.empty()) {
    const QString text = QString("The backup is restored. The checksum and header stamp were made as Write makes "
                                 "them, which changed %1 of the file.")
                             .arg(BytesCount(restore.remade.size()));
    messages.ShowWithDetails({editor::kTitle, text.toStdString(), Icon::None, Buttons::Ok},
                             ByteLines(restore.remade, "file", "written"), this);
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
  if (options_.searchCradle) RunOperation([this] { SearchCradle(); });
  focusSink_->setFocus();
  if (CodePlugImage image = model_->image(); LoadDefaultTableFile(kDefaultTableName, image)) {
    model_->image() = image;
    model_->FillControlsFromImage();
    RefreshFromModel();
  }
  MarkSaved();
  ResetEditHistory();
  if (demoSim_) demoSim_->SetMemory(DemoPagerMemory(demoSim_->Memory(), session::RequestFrom(*model_)));
  startedUp_ = true;
  if (!options_.startupFile.isEmpty()) OpenFileAt(options_.startupFile);
  // A file handed over by a second start before this one was ready.
  if (!pendingOpen_.isEmpty()) OpenFileAt(std::exchange(pendingOpen_, QString()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing mid-transfer would leave the pager half written and the port
  // open: the window stays until the operation has ended.
  if (operationRunning_) {
    event->ignore();
    return;
  }
  // A termination request cannot wait for an answer nobody may give.
  if (!quitAfterOperation_ && !MayDiscardChanges()) {
    event->ignore();
    return;
  }
  link_->Port().Close();
  QMainWindow::closeEvent(event);
}

void MainWindow::RequestQuit() {
  quitAfterOperation_ = true;
  if (!operationRunning_) {
    link_->Port().Close();
    emit ReadyToQuit();
    return;
  }
  quitAfterOperation_ = true;
  // Nobody may be there to answer: a question abandons, a warning is passed.
  MessageService::Instance().SetAutomatic(true, Answer::Cancel);
  // The box on screen gets Escape: No or Cancel where it asks, OK where it only tells.
  if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &escape);
  }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F9) {
    OpenToneTable();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void MainWindow::RunOperation(const std::function<void()>& operation) {
  if (operationRunning_) return;
  operationRunning_ = true;
  operation();
  operationRunning_ = false;
  RefreshFromModel();
  // What an operation put into the image (Write adapts it to the pager) is
  // no edit of the user's to undo.
  currentStep_ = model_->image();
  UpdateCaption();
  if (quitAfterOperation_) {
    link_->Port().Close();
    emit ReadyToQuit();
    return;
  }
  if (!pendingOpen_.isEmpty()) {
    const QString path = std::exchange(pendingOpen_, QString());
    QTimer::singleShot(0, this, [this, path] { OpenFileAt(path); });
  }
}

template <typename Operation>
void MainWindow::RunPagerOperation(Operation operation) {
  if (operationRunning_) return;
  // The field being edited commits first, so the pager gets what is shown.
  if (!binder_->CommitByFocusSink()) return;
  RunOperation([&] {
    OperationContext context{*link_, *operationHost_, startupDirectory_.toStdString()};
    const OperationResult result = operation(context, session::RequestFrom(*model_));
    session::ShowOutcome(*model_, result);
  });
}

void MainWindow::WritePager() {
  const std::optional<std::filesystem::path> backups =
      BackupBeforeWrite() ? std::optional<std::filesystem::path>(BackupFolder().toStdString()) : std::nullopt;
  partialWrite_.reset();
  lastBackup_.clear();
  const auto started = std::chrono::steady_clock::now();
  RunPagerOperation([&](OperationContext& context, const OperationRequest& request) {
    context.backupDirectory = backups;
    OperationResult result = zt310::WritePager(context, request);
    RecordBench("write", started, result, result.image.value_or(request.image));
    return result;
  });
  ShowPartialWrite();
}

void MainWindow::ReadPager() {
  if (operationRunning_ || !MayDiscardChanges()) return;
  OperationOutcome outcome = OperationOutcome::Abandoned;
  RunPagerOperation([&](OperationContext& context, const OperationRequest& request) {
    OperationResult result = zt310::ReadPager(context, request);
    outcome = result.outcome;
    return result;
  });
  if (outcome == OperationOutcome::Success) {
    MarkSaved();
    ResetEditHistory();
    const QString last = LastProgrammedStatus(*Settings(), startupDirectory_, SerialBlockText(SerialBlockOf(model_->image())));
    if (!last.isEmpty()) SetStatusText(StatusText() + "   " + last.trimmed());
  }
}

void MainWindow::VerifyPager() {
  verifyFailure_.reset();
  const auto started = std::chrono::steady_clock::now();
  RunPagerOperation([&](OperationContext& context, const OperationRequest& request) {
    OperationResult result = zt310::VerifyPager(context, request);
    RecordBench("verify", started, result, result.image.value_or(request.image));
    return result;
  });
  ShowVerifyFailure();
}

void MainWindow::NoteVerifyFailure(const VerifyReport& report) { verifyFailure_ = std::make_unique<VerifyReport>(report); }

void MainWindow::NotePartialWrite(const PartialWrite& partial) { partialWrite_ = std::make_unique<PartialWrite>(partial); }

void MainWindow::NoteBackup(const std::filesystem::path& file) { lastBackup_ = file; }

// After a write that stopped part-way, once the port is closed: what failed,
// what the pager now holds and how to put it right.
void MainWindow::ShowPartialWrite() {
  const std::unique_ptr<PartialWrite> partial = std::move(partialWrite_);
  if (!partial) return;
  std::string text = partial->cause + "\n" + PartlyWrittenText(*partial) + "\nTo finish, write it again (Pager > Write, F4).";
  if (!lastBackup_.empty()) {
    text += "\nOr put back what the pager held before: Pager > Restore Backup... with " + lastBackup_.string() + ".";
  }
  MessageService::Instance().Show(editor::kTitle, QString::fromStdString(text), Icon::Exclamation, Buttons::Ok, this);
}

// After a failed Verify, once the port is closed: which fields differ, or
// what failed on the link.
void MainWindow::ShowVerifyFailure() {
  const std::unique_ptr<VerifyReport> report = std::move(verifyFailure_);
  if (!report) return;
  if (report->differences.empty()) {
    if (report->linkProblem.empty()) return;
    MessageService::Instance().Show(editor::kTitle, QString::fromStdString(report->linkProblem), Icon::Exclamation,
                                    Buttons::Ok, this);
    return;
  }
  QStringList lines;
  for (const FieldDifference& difference : report->differences) {
    lines << QString::fromStdString(DescribeDifference(difference, "window", "pager"));
  }
  const int count = static_cast<int>(lines.size());
  const QString text = QString("The pager holds other data than the window in %1 %2.")
                           .arg(count)
                           .arg(count == 1 ? "field" : "fields");
  MessageService::Instance().ShowWithDetails({editor::kTitle, text.toStdString(), Icon::Exclamation, Buttons::Ok},
                                             lines.join('\n'), this);
}

void MainWindow::ProduceSerial(const std::string& serial) {
  partialWrite_.reset();
  lastBackup_.clear();
  RunOperation([&] {
    OperationContext context{*link_, *operationHost_, startupDirectory_.toStdString()};
    if (BackupBeforeWrite()) context.backupDirectory = BackupFolder().toStdString();
    ProductionOptions production;
    // A demo pager's runs are kept apart from the real ones: their own log
    // and their own record, in the demo folder.
    const bool demo = IsDemoPort(link_->SelectedPortName());
    production.logDirectory =
        demo ? DemoLogDirectory(startupDirectory_) : std::filesystem::path(startupDirectory_.toStdString());
    std::string refusal;
    const auto productionRecord =
        RecordForScan(*Settings(), demo ? QString::fromStdString(production.logDirectory.string()) : startupDirectory_,
                      link_->SelectedPortName(), captionFile_, production, &refusal, demo);
    if (!productionRecord) {
      operationHost_->Warning(refusal);
      return operationHost_->FocusSerialNumber();
    }
    session::ShowOutcome(*model_, ProduceScannedSerial(context, session::RequestFrom(*model_), production, serial));
  });
  ShowPartialWrite();
}

void MainWindow::RecordBench(const char* operation, std::chrono::steady_clock::time_point started,
                             const OperationResult& result, const CodePlugImage& image) {
  const BenchRun run{operation, link_->SelectedPortName(), captionFile_, version_->text(), started};
  if (const auto missed = RecordBenchRun(*Settings(), startupDirectory_, run, result, image)) SetStatusText(*missed);
}

bool MainWindow::SerialNumberKey(QKeyEvent* event) {
  auto* field = findChild<QLineEdit*>(names::kEdtSerialNo);
  const std::string text = field->text().toStdString();
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const auto action = scanKeys_->KeyDown(text, enter, static_cast<std::uint32_t>(clock_.elapsed()));
  if (!enter) return false;
  // The carriage return that ends a scan moves the focus to the sink, so the
  // next scan starts in an emptied field.
  if (action.focusField) field->setFocus(Qt::OtherFocusReason);
  if (scanKeys_->KeyPress(text, '\r')) focusSink_->setFocus(Qt::OtherFocusReason);
  if (action.scanned) ProduceSerial(*action.scanned);
  return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // The focus sink is a line edit, which would keep Undo and Redo for its
  // own (always empty) text: they go to the window's edit steps instead.
  if (watched == focusSink_ && event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
        key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y)) {
      return true;  // left unaccepted: the window's shortcut runs
    }
  }
  if (watched->objectName() == names::kEdtSerialNo && event->type() == QEvent::KeyPress) {
    return SerialNumberKey(static_cast<QKeyEvent*>(event));
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::OpenToneTable() {
  if (toneTables_) toneTables_(*this);
}

}  // namespace zt310::ui
