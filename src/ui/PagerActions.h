// SPDX-License-Identifier: GPL-3.0-or-later
// The "Pager" menu, the production run of a scanned serial number and the
// test buttons: each runs through the operation runner, its outcome stays
// in the result strip, and what went wrong is explained once the port is
// closed.
#pragma once

#include <QObject>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "link/OperationHost.h"
#include "link/Operations.h"

namespace zt310::ui {

class MainWindow;
class OperationRunner;
class ResultStrip;

class PagerActions : public QObject {
  Q_OBJECT

 public:
  PagerActions(MainWindow& window, OperationRunner& runner, ResultStrip& strip);
  ~PagerActions() override;

  void Write();
  void Read();
  void Verify();
  // "Restore Backup...": a backup chosen in the backups folder goes back
  // into the pager byte for byte.
  void RestoreBackup();
  // A scanned serial number: the production run, logged in the start-up directory.
  void Produce(const std::string& serial);
  void VibratorTest(std::uint8_t command);
  void AlertTest(bool on, int channel, int call);

  // What the operation host hands over while an operation runs.
  void NoteVerifyFailure(const VerifyReport& report) { verifyFailure_ = std::make_unique<VerifyReport>(report); }
  void NotePartialWrite(const PartialWrite& partial) { partialWrite_ = std::make_unique<PartialWrite>(partial); }
  void NoteBackup(const std::filesystem::path& file) { lastBackup_ = file; }

 private:
  // Write, Read and Verify: the field being edited commits first, so the
  // pager gets what is shown. Returns the operation's result.
  template <typename Operation>
  OperationResult RunBench(Operation operation, const char* name);
  // A bench Write, Verify or Restore as a row of the production record;
  // a record that cannot be used is named in the status line.
  void RecordBench(const char* operation, std::chrono::steady_clock::time_point started, const OperationResult& result,
                   const CodePlugImage& image);
  void ShowResult(const QString& subject, const OperationResult& result, const char* name);
  void ShowPartialWriteIfAny();
  QString FileSubject() const;

  MainWindow& window_;
  OperationRunner& runner_;
  ResultStrip& strip_;
  std::unique_ptr<VerifyReport> verifyFailure_;
  std::unique_ptr<PartialWrite> partialWrite_;
  std::filesystem::path lastBackup_;
};

}  // namespace zt310::ui
