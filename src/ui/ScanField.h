// SPDX-License-Identifier: GPL-3.0-or-later
// The "Serial No." field as the scanner uses it: a scan (told from typing
// by its speed) starts the production run; a scan that is too short, typed
// by hand, or arrives while the pager is busy is refused in sight, with the
// text received, and the field is emptied for the next scan.
#pragma once

#include <QElapsedTimer>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "editor/EditorModel.h"

namespace zt310 {
class SerialScanKeys;
}

namespace zt310::ui {

class ResultStrip;

struct ScanFieldParts {
  editor::EditorModel& model;
  QLineEdit* field;
  QWidget* focusSink;
  ResultStrip& strip;
  std::function<void(const QString&)> status;       // the status line's text
  std::function<void(const std::string&)> produce;  // the production run
};

class ScanField : public QObject {
  Q_OBJECT

 public:
  explicit ScanField(ScanFieldParts parts, QObject* parent);
  ~ScanField() override;

  // While an operation runs the window is disabled and the keys go wherever
  // the focus happens to be: keys for the window or a window of its own
  // (KEEP_WINDOWS) are taken as a scan and refused; question boxes get theirs.
  void SetBusy(bool busy, QList<QWidget*> keepWindows);
  // The status text of the last refusal, empty when none since the last run.
  QString LastRefusal() const { return lastRefusal_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool FieldKey(QKeyEvent* event);
  bool BusyKey(QObject* receiver, QKeyEvent* event);
  void Refuse(const QString& rule, const QString& received, bool busy);

  ScanFieldParts parts_;
  std::unique_ptr<SerialScanKeys> keys_;
  QElapsedTimer clock_;
  bool busy_ = false;
  QList<QPointer<QWidget>> busyWindows_;
  QString busyText_;  // what arrived while busy, up to its Enter
  QString lastRefusal_;
};

}  // namespace zt310::ui
