// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ResultStrip.h"

#include <QApplication>

namespace zt310::ui {

namespace {
constexpr const char* kSuccessStyle = "QLabel { background: #1b7a2e; color: white; font-weight: bold; padding: 4px; }";
constexpr const char* kFailureStyle = "QLabel { background: #b71c1c; color: white; font-weight: bold; padding: 4px; }";
constexpr const char* kIdleStyle = "QLabel { padding: 4px; }";
}  // namespace

ResultStrip::ResultStrip(QWidget* parent)
    : QLabel(parent), beep_([] { QApplication::beep(); }), clock_([] { return QTime::currentTime(); }) {
  setObjectName("ResultStrip");
  setFocusPolicy(Qt::NoFocus);
  setTextInteractionFlags(Qt::NoTextInteraction);
  QFont large = font();
  large.setPointSizeF(large.pointSizeF() * 1.4);
  setFont(large);
  // Two lines of room from the start, so the pages do not move when a result appears.
  setMinimumHeight(2 * QFontMetrics(large).height() + 8);
  Clear();
}

void ResultStrip::ShowSuccess(const QString& subject, const QString& result) { Present(subject, result, false); }

void ResultStrip::ShowFailure(const QString& subject, const QString& result) {
  Present(subject, result, true);
  Alarm();
}

void ResultStrip::Alarm() {
  if (!sound_) return;
  ++beeps_;
  beep_();
}

void ResultStrip::AddNote(const QString& note) {
  notes_ << note;
  Paint();
}

void ResultStrip::Clear() {
  result_.clear();
  notes_.clear();
  failed_ = false;
  Paint();
}

void ResultStrip::Present(const QString& subject, const QString& result, bool failed) {
  result_ = QString("%1    %2    %3").arg(subject, result, clock_().toString("HH:mm:ss"));
  failed_ = failed;
  Paint();
}

void ResultStrip::Paint() {
  QStringList lines;
  if (!result_.isEmpty()) lines << result_;
  lines << notes_;
  setText(lines.join('\n'));
  // A refused scan noted under a success still needs the operator's eye.
  setStyleSheet(lines.isEmpty() ? kIdleStyle : failed_ || !notes_.isEmpty() ? kFailureStyle : kSuccessStyle);
  // Text, not markup: a scanned text is shown as it came.
  setTextFormat(Qt::PlainText);
}

}  // namespace zt310::ui
