// SPDX-License-Identifier: GPL-3.0-or-later
// The small windows around the main window.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace zt310::ui {

// The operation progress window: a state label and a gauge.
class ProgressWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ProgressWindow(QWidget* mainWindow);
  void SetLabel(const QString& text);
  QString Label() const { return label_->text(); }
  void SetRange(int minimum, int maximum);
  void SetValue(int value);
  void SetGaugeVisible(bool visible);
  QProgressBar* Gauge() const { return gauge_; }
  // Shown: the main window is disabled. Closed: enabled, gauge at 0.
  void Open();
  void Finish();

 protected:
  // The operation alone closes the window; Escape or a window manager's
  // close would hide it while the transfer goes on.
  void closeEvent(QCloseEvent* event) override;
  void reject() override {}

 private:
  QWidget* mainWindow_;
  QLabel* label_;
  QProgressBar* gauge_;
};

// The start-up splash shown while the cradle is searched for.
class SplashWindow : public QDialog {
  Q_OBJECT
 public:
  explicit SplashWindow(QWidget* parent = nullptr);
};

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

// The reset-function help: nineteen lines exactly as they stand.
class HelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  static const QStringList& Lines();
};

// The access code for the "Advance Setting" page: three tries.
class PasswordDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PasswordDialog(QWidget* parent = nullptr);
  int Failures() const { return failures_; }
  bool Unlocked() const { return unlocked_; }
  // Prepares for a new showing: empty field with the focus.
  void Prepare();

 signals:
  void AccessGranted();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Check();
  QLineEdit* edit_;
  int failures_ = 0;
  bool unlocked_ = false;
};

}  // namespace zt310::ui
