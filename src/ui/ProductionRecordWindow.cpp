// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ProductionRecordWindow.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <map>

namespace zt310::ui {

namespace {

constexpr const char* kLocationKey = "production/record";
constexpr const char* kStationKey = "production/station";

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString Shown(const std::string& local) {
  QString text = Q(local.substr(0, 19));
  if (text.size() > 10) text[10] = ' ';
  return text;
}

struct Column {
  const char* title;
  QString (*text)(const record::Row& row);
};

const Column kColumns[] = {
    {"Time", [](const record::Row& r) { return Shown(r.localTime); }},
    {"Station", [](const record::Row& r) { return Q(r.station); }},
    {"Cradle", [](const record::Row& r) { return QString::number(r.cradle); }},
    {"Port", [](const record::Row& r) { return Q(r.port); }},
    {"Serial No.", [](const record::Row& r) { return Q(r.serial); }},
    {"Operation", [](const record::Row& r) { return Q(r.operation); }},
    {"Result", [](const record::Row& r) { return Q(r.result).replace('\n', ' ') + (r.repeat ? " (repeat)" : ""); }},
    {"Duration (ms)", [](const record::Row& r) { return QString::number(r.durationMs); }},
    {"Firmware", [](const record::Row& r) { return Q(r.firmware); }},
    {"File", [](const record::Row& r) { return Q(r.fileName); }},
    {"SHA-256", [](const record::Row& r) { return Q(r.imageSha256); }},
    {"Version", [](const record::Row& r) { return Q(r.toolVersion); }},
};

}  // namespace

RecordSetting ReadRecordSetting(QSettings& settings) {
  return {settings.value(kLocationKey).toString().trimmed(), settings.value(kStationKey).toString().trimmed()};
}

void WriteRecordSetting(QSettings& settings, const RecordSetting& setting) {
  settings.setValue(kLocationKey, setting.location.trimmed());
  settings.setValue(kStationKey, setting.station.trimmed());
}

std::unique_ptr<record::ProductionRecord> OpenRecord(const RecordSetting& setting, const QString& startupDirectory,
                                                     record::ProductionRecord::Mode mode, std::string* error) {
  const auto location = setting.location.isEmpty()
                            ? std::optional(record::RecordInFolder(startupDirectory.toStdString()))
                            : record::ParseLocation(setting.location.toStdString(), error);
  if (!location) return nullptr;
  return record::ProductionRecord::Open(*location, mode, error);
}

std::unique_ptr<record::ProductionRecord> RecordForScan(QSettings& settings, const QString& startupDirectory,
                                                        const QString& port, const QString& file,
                                                        ProductionOptions& options, std::string* message,
                                                        bool inFolder) {
  RecordSetting setting = ReadRecordSetting(settings);
  if (inFolder) setting.location.clear();
  std::string error;
  auto opened = OpenRecord(setting, startupDirectory, record::ProductionRecord::Mode::CreateOrUpgrade, &error);
  if (!opened) {
    *message = "The production record cannot be used: " + error + ".\nNothing was programmed.";
    return nullptr;
  }
  options.record = opened.get();
  options.recorded.station = setting.station.isEmpty() ? record::DefaultStation() : setting.station.toStdString();
  options.recorded.port = port.toStdString();
  options.recorded.fileName = file.toStdString();
  return opened;
}

QString LastProgrammedStatus(QSettings& settings, const QString& startupDirectory, const std::string& serial) {
  if (serial.empty()) return {};
  std::string error;
  auto opened =
      OpenRecord(ReadRecordSetting(settings), startupDirectory, record::ProductionRecord::Mode::ReadOnly, &error);
  if (!opened) return {};
  const auto last = opened->LastProgrammed(serial, &error);
  if (!last) return "  Serial No. " + Q(serial) + " is not in the production record as programmed.";
  return "  Serial No. " + Q(serial) + " was last programmed " + Shown(last->localTime) + " at station " +
         Q(last->station) + ", cradle " + QString::number(last->cradle) + " with " + Q(last->fileName);
}

std::optional<QString> RecordBenchRun(QSettings& settings, const QString& startupDirectory, const BenchRun& run,
                                      const OperationResult& result, const CodePlugImage& image) {
  const RecordSetting setting = ReadRecordSetting(settings);
  std::string error;
  auto opened = OpenRecord(setting, startupDirectory, record::ProductionRecord::Mode::CreateOrUpgrade, &error);
  record::Row row;
  record::StampNow(row);
  row.station = setting.station.isEmpty() ? record::DefaultStation() : setting.station.toStdString();
  row.port = run.port.toStdString();
  row.serial = SerialBlockText(SerialBlockOf(image));
  row.firmware = run.firmware.toStdString();
  row.operation = run.operation;
  row.result = Trimmed(result.label);
  if (row.result.empty()) row.result = "Abandoned";
  row.outcome = result.outcome == OperationOutcome::Success  ? record::Outcome::Good
                : result.outcome == OperationOutcome::Failed ? record::Outcome::Failed
                                                             : record::Outcome::Refused;
  row.durationMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - run.started).count();
  row.fileName = run.file.toStdString();
  row.imageSha256 = ConfigurationSha256(image);
  row.toolVersion = record::ToolVersion();
  if (opened && opened->Add(row, &error)) return std::nullopt;
  return "  This " + Q(run.operation) + " is not recorded: " + Q(error);
}

ProductionHistoryDialog::ProductionHistoryDialog(std::unique_ptr<QSettings> settings, QString startupDirectory,
                                                 QWidget* parent)
    : QDialog(parent), settings_(std::move(settings)), startupDirectory_(std::move(startupDirectory)) {
  setObjectName("ProductionHistory");
  setWindowTitle("Production History");
  const RecordSetting setting = ReadRecordSetting(*settings_);
  location_ = new QLineEdit(setting.location, this);
  location_->setObjectName("historyRecord");
  location_->setPlaceholderText("production.sqlite in the start-up folder, or postgresql://USER@HOST/DB");
  station_ = new QLineEdit(setting.station, this);
  station_->setObjectName("historyStation");
  station_->setPlaceholderText(Q(record::DefaultStation()));
  auto* use = new QPushButton("Use", this);
  use->setObjectName("historyUse");
  filter_ = new QLineEdit(this);
  filter_->setObjectName("historyFilter");
  filter_->setPlaceholderText("serial number, station, file, result ...");
  filter_->setClearButtonEnabled(true);
  table_ = new QTableWidget(this);
  table_->setObjectName("historyTable");
  table_->setColumnCount(static_cast<int>(std::size(kColumns)));
  QStringList titles;
  for (const Column& column : kColumns) titles << column.title;
  table_->setHorizontalHeaderLabels(titles);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->hide();
  yield_ = new QLabel(this);
  yield_->setObjectName("historyYield");
  problem_ = new QLabel(this);
  problem_->setObjectName("historyProblem");
  problem_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  auto* reload = buttons->addButton("Reload", QDialogButtonBox::ActionRole);

  auto* form = new QFormLayout;
  auto* where = new QHBoxLayout;
  where->addWidget(location_, 1);
  where->addWidget(new QLabel("Station:", this));
  where->addWidget(station_);
  where->addWidget(use);
  form->addRow("Record:", where);
  form->addRow("Filter:", filter_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(problem_);
  layout->addWidget(table_, 1);
  layout->addWidget(yield_);
  layout->addWidget(buttons);
  resize(1000, 500);

  connect(filter_, &QLineEdit::textChanged, this, &ProductionHistoryDialog::ApplyFilter);
  connect(use, &QPushButton::clicked, this, &ProductionHistoryDialog::UseSetting);
  connect(reload, &QPushButton::clicked, this, &ProductionHistoryDialog::Reload);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Reload();
}

void ProductionHistoryDialog::UseSetting() {
  WriteRecordSetting(*settings_, {location_->text(), station_->text()});
  Reload();
}

void ProductionHistoryDialog::Reload() {
  rows_.clear();
  std::string error;
  auto opened =
      OpenRecord(ReadRecordSetting(*settings_), startupDirectory_, record::ProductionRecord::Mode::ReadOnly, &error);
  std::optional<std::vector<record::Row>> rows;
  if (opened) rows = opened->History({}, &error);
  if (rows) rows_ = std::move(*rows);
  problem_->setText(rows ? QString() : Q(error));
  problem_->setVisible(!rows);
  table_->setRowCount(static_cast<int>(rows_.size()));
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
    for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
      table_->setItem(r, c, new QTableWidgetItem(kColumns[c].text(rows_[static_cast<std::size_t>(r)])));
    }
  }
  table_->resizeColumnsToContents();
  ApplyFilter();
}

// Rows that hold the filter's text in any column stay; the yield counts the
// production runs among them.
void ProductionHistoryDialog::ApplyFilter() {
  const QString text = filter_->text().trimmed();
  std::map<QString, std::array<int, 3>> stations;
  std::map<QString, std::array<int, 3>> files;
  for (int r = 0; r < table_->rowCount(); ++r) {
    bool match = text.isEmpty();
    for (int c = 0; c < table_->columnCount() && !match; ++c) {
      match = table_->item(r, c)->text().contains(text, Qt::CaseInsensitive);
    }
    table_->setRowHidden(r, !match);
    const record::Row& row = rows_[static_cast<std::size_t>(r)];
    if (match && row.operation == "produce") {
      ++stations[Q(row.station)][static_cast<std::size_t>(row.outcome)];
      ++files[Q(row.fileName)][static_cast<std::size_t>(row.outcome)];
    }
  }
  const auto summary = [](const std::map<QString, std::array<int, 3>>& table) {
    QStringList lines;
    for (const auto& [name, counts] : table) {
      lines << QString("%1: %2 good, %3 failed, %4 refused").arg(name).arg(counts[0]).arg(counts[1]).arg(counts[2]);
    }
    return lines.join("; ");
  };
  yield_->setText(stations.empty() ? "No production runs shown."
                                   : "Yield by station — " + summary(stations) + "\nYield by file — " + summary(files));
}

}  // namespace zt310::ui
