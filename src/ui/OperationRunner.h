// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the window's pager operations: one at a time, through the window's
// operation host; afterwards the keyboard focus goes back where it was, a
// file handed over meanwhile is opened, and a quit asked for meanwhile ends
// the program.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "link/Operations.h"

namespace zt310 {
class PagerLink;
}

namespace zt310::ui {

class MainWindow;

class OperationRunner : public QObject {
  Q_OBJECT

 public:
  OperationRunner(MainWindow& window, PagerLink& link, QString startupDirectory);
  ~OperationRunner() override;

  bool Running() const { return running_; }
  OperationHost& Host() { return *host_; }
  // Runs OPERATION unless one runs already; false then. FOCUS is where the
  // keyboard focus goes back to afterwards (none: where it is now), unless
  // the operation gave it to the serial number itself.
  bool Run(const std::function<void(OperationContext&)>& operation, QWidget* focus = nullptr);
  // The operation gave the focus to "Serial No.": it stays there.
  void FocusTaken() { focusTaken_ = true; }
  // A file to open once no operation runs; false when it can be opened now.
  bool DeferOpen(const QString& path);
  // A termination request: at once when idle, else once the operation has
  // ended with its remaining questions answered by abandoning.
  void RequestQuit();
  bool QuitRequested() const { return quit_; }

 signals:
  void Started();
  void Finished();
  void OpenRequested(const QString& path);
  // The port is closed and no operation runs: the program may end.
  void ReadyToQuit();

 private:
  void Quit();

  MainWindow& window_;
  PagerLink& link_;
  QString startupDirectory_;
  std::unique_ptr<OperationHost> host_;
  bool running_ = false;
  bool quit_ = false;
  bool focusTaken_ = false;
  QString pendingOpen_;
};

}  // namespace zt310::ui
