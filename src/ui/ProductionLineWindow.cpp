// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ProductionLineWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "link/Production.h"
#include "port/PortList.h"

namespace zt310::ui {

namespace {

constexpr int kFeedIntervalMs = 50;

QString CradleName(int cradle, const QString& port) { return QStringLiteral("cradle %1 %2").arg(cradle).arg(port); }

}  // namespace

QString ProductionLineWindow::NameOf(int cradle) const {
  return CradleName(cradle, cradlePorts_.at(static_cast<std::size_t>(cradle - 1)));
}

namespace {

// A cradle's runs report to the window from the cradle's thread: every call
// is handed to the window's thread, and nothing here waits for a person.
// Questions are answered as the window's tick said when the line started.
class CradleHost : public HeadlessHost {
 public:
  using Post = std::function<void(std::function<void()>)>;
  CradleHost(int cradle, PagerLink& link, bool answerOk, Post post, std::function<void(int, const QString&)> say,
             std::function<void(int, const QString&)> state, std::function<void(int, const QString&)> firmware)
      : cradle_(cradle),
        link_(link),
        answerOk_(answerOk),
        post_(std::move(post)),
        say_(std::move(say)),
        state_(std::move(state)),
        firmware_(std::move(firmware)) {}

  void Warning(const std::string& text) override { Say(text); }
  void Plain(const std::string& text) override { Say(text); }
  bool Question(const std::string& text) override {
    Say(text + (answerOk_ ? " OK" : " Cancel"));
    return answerOk_;
  }
  void ProgressLabel(const std::string& text) override { State(QString::fromStdString(text).trimmed()); }
  void PaceRequests(unsigned ms) override { link_.WaitPumping(ms); }
  void PagerFirmwareShown(const std::string& text) override {
    // Copies only: the host may be gone when the window takes the call.
    const QString shown = QString::fromStdString(text);
    const int cradle = cradle_;
    post_([firmware = firmware_, cradle, shown] { firmware(cradle, shown); });
  }
  void PagerBackedUp(const std::filesystem::path& file) override {
    Say("The pager's memory is backed up in " + file.string());
  }
  void ResultNotLogged(const std::string& text) override { Say(text); }

 private:
  void Say(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    const int cradle = cradle_;
    post_([say = say_, cradle, shown] { say(cradle, shown); });
  }
  void State(const QString& text) {
    const int cradle = cradle_;
    post_([state = state_, cradle, text] { state(cradle, text); });
  }

  int cradle_;
  PagerLink& link_;
  bool answerOk_;
  Post post_;
  std::function<void(int, const QString&)> say_;
  std::function<void(int, const QString&)> state_;
  std::function<void(int, const QString&)> firmware_;
};

}  // namespace

ProductionLineWindow::ProductionLineWindow(ProductionLineSetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)) {
  setObjectName("ProductionLineWindow");
  setWindowTitle("Production Line");
  if (!setup_.chooseListFile) {
    setup_.chooseListFile = [](QWidget* parent) {
      return QFileDialog::getOpenFileName(parent, "Serial number list", QString(),
                                          "Text files (*.txt *.csv);;All files (*)");
    };
  }
  BuildLayout();
  poll_ = new QTimer(this);
  poll_->setInterval(kFeedIntervalMs);
  connect(poll_, &QTimer::timeout, this, [this] {
    Feed();
    CheckFinished();
  });
  SetIdleControls(true);
}

ProductionLineWindow::~ProductionLineWindow() {
  // The runs in hand end before the window goes (each within its time-outs).
  station_.reset();
}

void ProductionLineWindow::BuildLayout() {
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  layout->addLayout(top);

  auto* cradles = new QGroupBox("Cradles", this);
  auto* cradlesLayout = new QVBoxLayout(cradles);
  ports_ = new QListWidget(cradles);
  ports_->setObjectName("lstCradlePorts");
  for (const PortDetails& port : DescribePorts(setup_.ports)) {
    auto* item = new QListWidgetItem(port.name, ports_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    item->setToolTip(PortToolTip(port));
  }
  cradlesLayout->addWidget(ports_);
  top->addWidget(cradles);

  auto* numbers = new QGroupBox("Serial numbers", this);
  auto* numbersLayout = new QVBoxLayout(numbers);
  source_ = new QComboBox(numbers);
  source_->setObjectName("cboSerialSource");
  source_->addItems({"Scanner", "List file", "Counter"});
  numbersLayout->addWidget(source_);
  sourcePages_ = new QStackedWidget(numbers);

  auto* scannerPage = new QWidget(sourcePages_);
  auto* scannerLayout = new QFormLayout(scannerPage);
  scan_ = new QLineEdit(scannerPage);
  scan_->setObjectName("edtStationScan");
  scan_->setPlaceholderText("scan: the first free cradle takes it");
  scannerLayout->addRow("S/N:", scan_);
  sourcePages_->addWidget(scannerPage);

  auto* listPage = new QWidget(sourcePages_);
  auto* listLayout = new QHBoxLayout(listPage);
  listFile_ = new QLineEdit(listPage);
  listFile_->setObjectName("edtSerialList");
  auto* browse = new QPushButton("Browse...", listPage);
  browse->setObjectName("btnSerialList");
  listLayout->addWidget(listFile_);
  listLayout->addWidget(browse);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString path = setup_.chooseListFile(this);
    if (!path.isEmpty()) listFile_->setText(path);
  });
  sourcePages_->addWidget(listPage);

  auto* counterPage = new QWidget(sourcePages_);
  auto* counterLayout = new QFormLayout(counterPage);
  counterStart_ = new QLineEdit(counterPage);
  counterStart_->setObjectName("edtSerialStart");
  counterStart_->setPlaceholderText("AB0000001000");
  counterCount_ = new QSpinBox(counterPage);
  counterCount_->setObjectName("spnSerialCount");
  counterCount_->setRange(1, 999999);
  counterCount_->setValue(50);
  counterLayout->addRow("Start:", counterStart_);
  counterLayout->addRow("Count:", counterCount_);
  sourcePages_->addWidget(counterPage);
  numbersLayout->addWidget(sourcePages_);
  connect(source_, &QComboBox::currentIndexChanged, sourcePages_, &QStackedWidget::setCurrentIndex);

  noWait_ = new QCheckBox("Next number as soon as a cradle is free", numbers);
  noWait_->setObjectName("chkNoWait");
  numbersLayout->addWidget(noWait_);
  answerOk_ = new QCheckBox("Answer the band questions with OK", numbers);
  answerOk_->setObjectName("chkAnswerOk");
  numbersLayout->addWidget(answerOk_);
  top->addWidget(numbers);

  auto* buttons = new QHBoxLayout;
  start_ = new QPushButton("Start", this);
  start_->setObjectName("btnStationStart");
  nextRound_ = new QPushButton("Next Round", this);
  nextRound_->setObjectName("btnNextRound");
  stop_ = new QPushButton("Stop", this);
  stop_->setObjectName("btnStationStop");
  for (QPushButton* button : {start_, nextRound_, stop_}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  buttons->addStretch();
  status_ = new QLabel(this);
  status_->setObjectName("lblStationStatus");
  buttons->addWidget(status_);
  layout->addLayout(buttons);
  connect(start_, &QPushButton::clicked, this, &ProductionLineWindow::Start);
  connect(nextRound_, &QPushButton::clicked, this, &ProductionLineWindow::NextRound);
  connect(stop_, &QPushButton::clicked, this, &ProductionLineWindow::Stop);
  connect(scan_, &QLineEdit::returnPressed, this, &ProductionLineWindow::Scanned);

  table_ = new QTableWidget(0, ColumnCount, this);
  table_->setObjectName("tblCradles");
  table_->setHorizontalHeaderLabels(
      {"Cradle", "Port", "State", "Serial No.", "Firmware", "Last result", "Good", "Failed"});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(ColResult, QHeaderView::Stretch);
  layout->addWidget(table_, 1);

  log_ = new QPlainTextEdit(this);
  log_->setObjectName("txtStationLog");
  log_->setReadOnly(true);
  log_->setMaximumBlockCount(5000);
  layout->addWidget(log_, 1);
  resize(860, 560);
}

void ProductionLineWindow::SetIdleControls(bool idle) {
  ports_->setEnabled(idle);
  source_->setEnabled(idle);
  listFile_->setEnabled(idle);
  counterStart_->setEnabled(idle);
  counterCount_->setEnabled(idle);
  noWait_->setEnabled(idle);
  answerOk_->setEnabled(idle);
  start_->setEnabled(idle);
  stop_->setEnabled(!idle);
  const bool numbered = source_->currentIndex() != Scanner;
  nextRound_->setEnabled(!idle && numbered && !noWait_->isChecked());
  scan_->setEnabled(!idle && !numbered);
}

void ProductionLineWindow::Say(const QString& text) { log_->appendPlainText(text); }

void ProductionLineWindow::SetCell(int row, Column column, const QString& text) {
  QTableWidgetItem* item = table_->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    table_->setItem(row, column, item);
  }
  item->setText(text);
}

std::optional<std::vector<std::string>> ProductionLineWindow::PlannedNumbers() {
  if (source_->currentIndex() == ListFile) {
    if (listFile_->text().trimmed().isEmpty()) {
      Say("Choose the serial number list first.");
      return std::nullopt;
    }
    SerialListFile list = ReadSerialList(listFile_->text().trimmed().toStdString());
    if (!list.refusal.empty()) {
      Say(QString::fromStdString(list.refusal) + " Nothing was programmed.");
      return std::nullopt;
    }
    return list.serials;
  }
  SerialCounterPlan plan = PlanSerialCounter(counterStart_->text().trimmed().toStdString(), counterCount_->value());
  if (!plan.refusal.empty()) {
    Say(QString::fromStdString(plan.refusal) + " Nothing was programmed.");
    return std::nullopt;
  }
  return plan.serials;
}

void ProductionLineWindow::Start() {
  if (station_) return;
  cradlePorts_.clear();
  for (int i = 0; i < ports_->count(); ++i) {
    if (ports_->item(i)->checkState() == Qt::Checked) cradlePorts_.push_back(ports_->item(i)->text());
  }
  if (cradlePorts_.empty()) {
    Say("Tick the ports of the cradles first.");
    return;
  }
  numbers_.reset();
  if (source_->currentIndex() != Scanner) {
    auto planned = PlannedNumbers();
    if (!planned) return;
    numbers_.emplace(std::move(*planned));
  }
  answerOkChosen_ = answerOk_->isChecked();
  stopping_ = false;
  outstanding_ = 0;

  table_->setRowCount(static_cast<int>(cradlePorts_.size()));
  good_.assign(cradlePorts_.size(), 0);
  failed_.assign(cradlePorts_.size(), 0);
  for (int row = 0; row < table_->rowCount(); ++row) {
    SetCell(row, ColCradle, QString::number(row + 1));
    SetCell(row, ColPort, cradlePorts_[static_cast<std::size_t>(row)]);
    SetCell(row, ColState, "Free");
    for (Column column : {ColSerial, ColFirmware, ColResult}) SetCell(row, column, QString());
    SetCell(row, ColGood, "0");
    SetCell(row, ColFailed, "0");
  }

  QPointer<ProductionLineWindow> self(this);
  const auto post = [self](std::function<void()> call) {
    if (self) QMetaObject::invokeMethod(self.data(), std::move(call), Qt::QueuedConnection);
  };
  ProductionStation::Setup setup;
  setup.ports = cradlePorts_;
  setup.request = setup_.request();
  setup.options.logDirectory = setup_.logDirectory;
  setup.startupDirectory = setup_.logDirectory;
  if (setup_.backupDirectory) setup.backupDirectory = setup_.backupDirectory();
  const bool answerOk = answerOkChosen_;
  const LinkTiming timing = setup_.timing;
  setup.makeHost = [this, post, answerOk, timing](int cradle, PagerLink& link) -> std::unique_ptr<OperationHost> {
    link.SetTiming(timing);
    link.SetHost({{}, [post, this, cradle](const QString& message) {
                    post([this, cradle, message] { Say(NameOf(cradle) + ": " + message); });
                  }});
    return std::make_unique<CradleHost>(
        cradle, link, answerOk, post,
        [this](int c, const QString& text) {
          for (const QString& line : text.split('\n')) Say(NameOf(c) + ": " + line);
        },
        [this](int c, const QString& text) { SetCell(c - 1, ColState, text); },
        [this](int c, const QString& text) { SetCell(c - 1, ColFirmware, QString(text).remove("FirmVer. ")); });
  };
  setup.runStarted = [post, this](int cradle, const std::string& serial) {
    post([this, cradle, serial] { RunStarted(cradle, serial); });
  };
  setup.runEnded = [post, this](const CradleRunResult& result) { post([this, result] { RunEnded(result); }); };
  station_ = std::make_unique<ProductionStation>(std::move(setup));
  SetIdleControls(false);
  Say(QStringLiteral("Production line started with %1 %2.")
          .arg(cradlePorts_.size())
          .arg(cradlePorts_.size() == 1 ? "cradle" : "cradles"));
  if (numbers_) {
    NextRound();
  } else {
    status_->setText("Scan a serial number.");
    scan_->setFocus(Qt::OtherFocusReason);
  }
  poll_->start();
}

void ProductionLineWindow::StartCounter(const QStringList& cradles, const QString& start, int count) {
  for (int i = 0; i < ports_->count(); ++i) {
    ports_->item(i)->setCheckState(cradles.contains(ports_->item(i)->text()) ? Qt::Checked : Qt::Unchecked);
  }
  source_->setCurrentIndex(Counter);
  counterStart_->setText(start);
  counterCount_->setValue(count);
  noWait_->setChecked(true);
  Start();
}

void ProductionLineWindow::StartOn(int cradle, const std::string& serial) {
  Say(NameOf(cradle) + ": " + QString::fromStdString(PrintableSerial(serial)));
  ++outstanding_;
  SetCell(cradle - 1, ColState, "Starting");
  SetCell(cradle - 1, ColSerial, QString::fromStdString(PrintableSerial(serial)));
  station_->Start(cradle, serial);
}

void ProductionLineWindow::NextRound() {
  if (!station_ || stopping_ || !numbers_) return;
  bool started = false;
  while (numbers_->Remaining() > 0) {
    const auto cradle = station_->FirstFreeCradle();
    if (!cradle) break;
    StartOn(*cradle, *numbers_->Next());
    started = true;
  }
  if (!started && numbers_->Remaining() > 0) Say("Every cradle is busy: this round starts no run.");
  status_->setText(QStringLiteral("%1 serial numbers left").arg(numbers_->Remaining()));
}

void ProductionLineWindow::Scanned() {
  const std::string serial = scan_->text().trimmed().toStdString();
  scan_->clear();
  if (!station_ || stopping_ || serial.empty()) return;
  if (const auto refusal = SerialNumberRefusal(serial)) {
    Say(QString::fromStdString(*refusal));
    return;
  }
  const auto cradle = station_->FirstFreeCradle();
  if (!cradle) {
    Say(QString::fromStdString("Every cradle is busy: scan " + PrintableSerial(serial) + " again when one is free."));
    return;
  }
  StartOn(*cradle, serial);
}

void ProductionLineWindow::Feed() {
  if (!station_ || stopping_ || !numbers_ || !noWait_->isChecked()) return;
  while (numbers_->Remaining() > 0) {
    const auto cradle = station_->FirstFreeCradle();
    if (!cradle) break;
    StartOn(*cradle, *numbers_->Next());
  }
  status_->setText(QStringLiteral("%1 serial numbers left").arg(numbers_->Remaining()));
}

void ProductionLineWindow::RunStarted(int cradle, const std::string& serial) {
  SetCell(cradle - 1, ColState, "Running");
  SetCell(cradle - 1, ColSerial, QString::fromStdString(PrintableSerial(serial)));
}

void ProductionLineWindow::RunEnded(const CradleRunResult& result) {
  const int row = result.cradle - 1;
  --outstanding_;
  const bool good = result.programmed && result.logged;
  auto& count = good ? good_ : failed_;
  ++count[static_cast<std::size_t>(row)];
  SetCell(row, ColState, "Free");
  SetCell(row, good ? ColGood : ColFailed, QString::number(count[static_cast<std::size_t>(row)]));
  if (!result.firmware.empty()) SetCell(row, ColFirmware, QString::fromStdString(result.firmware));
  const QString text = QString::fromStdString(result.resultText);
  SetCell(row, ColResult, good ? text : (result.programmed ? "Not logged: " : "Not programmed: ") + text);
  Say(CradleName(result.cradle, QString::fromStdString(result.port)) + ": " +
      QString::fromStdString(PrintableSerial(result.serial)) + (good ? " " : " not programmed: ") + text);
  CheckFinished();
}

void ProductionLineWindow::Stop() {
  if (!station_ || stopping_) return;
  stopping_ = true;
  stop_->setEnabled(false);
  nextRound_->setEnabled(false);
  scan_->setEnabled(false);
  status_->setText("Stopping: the runs in hand end first.");
  CheckFinished();
}

void ProductionLineWindow::CheckFinished() {
  // Counted here rather than asked of the station, so every run's result
  // is shown before the line ends.
  if (!station_ || outstanding_ > 0) return;
  const bool usedUp = numbers_ && numbers_->Remaining() == 0;
  if (!stopping_ && !usedUp) return;
  poll_->stop();
  station_.reset();
  QString summary = stopping_ ? "Production line stopped." : "Every serial number is used.";
  if (numbers_ && numbers_->Remaining() > 0)
    summary += QStringLiteral(" %1 serial numbers were not used.").arg(numbers_->Remaining());
  Say(summary);
  status_->setText(summary);
  for (int row = 0; row < table_->rowCount(); ++row) SetCell(row, ColState, "Idle");
  stopping_ = false;
  SetIdleControls(true);
}

void ProductionLineWindow::closeEvent(QCloseEvent* event) {
  if (station_) {
    // Closing mid-run would leave pagers half written: stop first.
    Stop();
    Say("The production line is stopping; close the window once the runs in hand have ended.");
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace zt310::ui

#include "session/OperationModel.h"
#include "ui/MainWindow.h"

namespace zt310::ui {

ProductionLineWindow* ShowProductionLine(MainWindow& window, const QString& logDirectory) {
  auto* line = window.findChild<ProductionLineWindow*>("ProductionLineWindow", Qt::FindDirectChildrenOnly);
  if (!line) {
    ProductionLineSetup setup;
    setup.ports = window.Link().PortNames();
    setup.request = [&window] { return session::RequestFrom(window.Model()); };
    setup.logDirectory = logDirectory.toStdString();
    setup.backupDirectory = [&window]() -> std::optional<std::filesystem::path> {
      if (!window.BackupBeforeWrite()) return std::nullopt;
      return window.BackupFolder().toStdString();
    };
    setup.timing = window.Link().timing();
    line = new ProductionLineWindow(std::move(setup), &window);
  }
  line->show();
  line->raise();
  line->activateWindow();
  return line;
}

}  // namespace zt310::ui
