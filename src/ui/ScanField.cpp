// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ScanField.h"

#include <QApplication>
#include <QKeyEvent>

#include "link/Production.h"
#include "ui/ResultStrip.h"

namespace zt310::ui {

namespace names = editor::names;

namespace {
constexpr const char* kTooShortRule = "too short: a serial number has 11 to 14 characters";
constexpr const char* kTypedRule = "typed by hand: a serial number comes from the scanner";
constexpr const char* kBusyRule = "the pager was busy: scan it again once the result shows";

bool IsEnter(const QKeyEvent* event) { return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter; }
}  // namespace

ScanField::ScanField(ScanFieldParts parts, QObject* parent)
    : QObject(parent), parts_(std::move(parts)), keys_(std::make_unique<SerialScanKeys>()) {
  clock_.start();
  parts_.field->installEventFilter(this);
}

ScanField::~ScanField() {
  if (busy_) qApp->removeEventFilter(this);
}

void ScanField::SetBusy(bool busy, QList<QWidget*> keepWindows) {
  if (busy == busy_) return;
  busy_ = busy;
  busyText_.clear();
  busyWindows_.clear();
  if (busy) {
    lastRefusal_.clear();
    for (QWidget* window : keepWindows) busyWindows_ << window;
    qApp->installEventFilter(this);
  } else {
    qApp->removeEventFilter(this);
  }
}

bool ScanField::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (busy_) return BusyKey(watched, key);
  if (watched == parts_.field) return FieldKey(key);
  return QObject::eventFilter(watched, event);
}

bool ScanField::FieldKey(QKeyEvent* event) {
  QLineEdit* field = parts_.field;
  const std::string text = field->text().toStdString();
  const bool enter = IsEnter(event);
  const auto action = keys_->KeyDown(text, enter, static_cast<std::uint32_t>(clock_.elapsed()));
  if (!enter) return false;
  const QString received = field->text().trimmed();
  if (!received.isEmpty() && received.size() < static_cast<int>(kScanMinLength)) {
    Refuse(kTooShortRule, received, false);
    return true;
  }
  if (action.focusField) {
    Refuse(kTypedRule, received, false);
    return true;
  }
  // The carriage return that ends a scan moves the focus to the sink, so the
  // next scan starts in an emptied field.
  if (keys_->KeyPress(text, '\r')) parts_.focusSink->setFocus(Qt::OtherFocusReason);
  if (action.scanned) parts_.produce(*action.scanned);
  return true;
}

bool ScanField::BusyKey(QObject* receiver, QKeyEvent* event) {
  auto* widget = qobject_cast<QWidget*>(receiver);
  if (!widget) return false;
  bool ours = false;
  for (const QPointer<QWidget>& window : busyWindows_) ours = ours || (window && widget->window() == window);
  if (!ours) return false;  // a question box asked by the operation gets its keys
  if (IsEnter(event)) {
    if (busyText_.trimmed().isEmpty()) return false;
    Refuse(kBusyRule, std::exchange(busyText_, QString()).trimmed(), true);
    return true;
  }
  const QString text = event->text();
  if (text.isEmpty() || !text.at(0).isPrint() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    return false;
  }
  busyText_ += text;
  return true;
}

void ScanField::Refuse(const QString& rule, const QString& received, bool busy) {
  lastRefusal_ = QString("  Scan refused, %1: \"%2\"").arg(rule, received);
  parts_.status(lastRefusal_);
  if (busy) {
    parts_.strip.AddNote(QString("Scan \"%1\" refused: %2").arg(received, rule));
    parts_.strip.Alarm();
  } else {
    parts_.strip.ShowFailure(QString("\"%1\"").arg(received), "Scan refused");
    parts_.strip.AddNote(QString("Refused: %1").arg(rule));
  }
  // Nothing of a refused scan stays: the next scan starts in an empty field.
  parts_.model.SetText(names::kEdtSerialNo, "");
  parts_.field->clear();
  if (!busy) parts_.field->setFocus(Qt::OtherFocusReason);
}

}  // namespace zt310::ui
