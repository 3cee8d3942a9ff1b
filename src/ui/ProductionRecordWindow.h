// SPDX-License-Identifier: GPL-3.0-or-later
// The window's side of the production record: where it is (a setting:
// empty for production.sqlite in the start-up folder, or a PostgreSQL URL)
// and the station's name (empty for the host name), the record opened for
// a scan, the "Production History..." window, and the status line after a
// Read that says when the pager's serial number was last programmed.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTableWidget>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/Production.h"
#include "record/ProductionRecord.h"

namespace zt310::ui {

struct RecordSetting {
  QString location;  // empty: production.sqlite in the start-up folder
  QString station;   // empty: the host name
};
RecordSetting ReadRecordSetting(QSettings& settings);
void WriteRecordSetting(QSettings& settings, const RecordSetting& setting);

std::unique_ptr<record::ProductionRecord> OpenRecord(const RecordSetting& setting, const QString& startupDirectory,
                                                     record::ProductionRecord::Mode mode, std::string* error);

// The record opened for one scan and the options that name this station,
// port and file; nothing, with the message to show, when it cannot be used.
// With inFolder the record is production.sqlite in startupDirectory whatever
// the setting says (the demo pager's runs never reach a line's record).
std::unique_ptr<record::ProductionRecord> RecordForScan(QSettings& settings, const QString& startupDirectory,
                                                        const QString& port, const QString& file,
                                                        ProductionOptions& options, std::string* message,
                                                        bool inFolder = false);

// "Serial No. AB1234567890 was last programmed 2026-12-11 17:30:05 at
// station line-2, cradle 1 with site.tbl", or that the record has it not
// programmed; empty for a pager without a serial number or without a record.
QString LastProgrammedStatus(QSettings& settings, const QString& startupDirectory, const std::string& serial);

// A bench operation of the window (Write, Verify, Restore) as a row of the
// record; the text for the status line when the record missed it.
struct BenchRun {
  std::string operation;  // write, verify, restore
  QString port;
  QString file;
  QString firmware;  // as lblVersion shows it
  std::chrono::steady_clock::time_point started;
};
std::optional<QString> RecordBenchRun(QSettings& settings, const QString& startupDirectory, const BenchRun& run,
                                      const OperationResult& result, const CodePlugImage& image);

// "Production History...": every row of the record, newest first, a filter
// that keeps the rows holding its text, the yield of the rows shown, and
// the record's setting.
class ProductionHistoryDialog : public QDialog {
  Q_OBJECT
 public:
  ProductionHistoryDialog(std::unique_ptr<QSettings> settings, QString startupDirectory, QWidget* parent);

  QTableWidget* table() const { return table_; }
  QLineEdit* filter() const { return filter_; }
  QLabel* yield() const { return yield_; }
  // Reads the record again.
  void Reload();

 private:
  void ApplyFilter();
  void UseSetting();

  std::unique_ptr<QSettings> settings_;
  QString startupDirectory_;
  QLineEdit* location_;
  QLineEdit* station_;
  QLineEdit* filter_;
  QTableWidget* table_;
  QLabel* yield_;
  QLabel* problem_;
  std::vector<record::Row> rows_;
};

}  // namespace zt310::ui
