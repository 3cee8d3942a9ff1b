// SPDX-License-Identifier: GPL-3.0-or-later
// The strip above the status bar that keeps the last outcome in sight until
// the next operation or scan: what it was for (serial number or file), the
// result and the time, green for success and red for failure, with a sound
// on failure when the user wants one.
#pragma once

#include <QLabel>
#include <QTime>
#include <functional>

namespace zt310::ui {

class ResultStrip : public QLabel {
  Q_OBJECT

 public:
  explicit ResultStrip(QWidget* parent);

  void ShowSuccess(const QString& subject, const QString& result);
  void ShowFailure(const QString& subject, const QString& result);
  // A second line under the result, kept until the strip is cleared.
  void AddNote(const QString& note);
  void Clear();
  // Red: a failed result, or a note of a refused scan.
  bool Failed() const { return failed_ || !notes_.isEmpty(); }
  QString Result() const { return result_; }

  // The failure sound, when switched on.
  void Alarm();
  void SetSoundOnFailure(bool on) { sound_ = on; }
  bool SoundOnFailure() const { return sound_; }
  // How many failure sounds were given; tests read it.
  int Beeps() const { return beeps_; }
  // Replaces QApplication::beep (tests, or a line's own signal).
  void SetBeep(std::function<void()> beep) { beep_ = std::move(beep); }
  // Where the time of day comes from; tests fix it.
  void SetClock(std::function<QTime()> clock) { clock_ = std::move(clock); }

 private:
  void Present(const QString& subject, const QString& result, bool failed);
  void Paint();

  QString result_;
  QStringList notes_;
  bool failed_ = false;
  bool sound_ = true;
  int beeps_ = 0;
  std::function<void()> beep_;
  std::function<QTime()> clock_;
};

}  // namespace zt310::ui
