// SPDX-License-Identifier: GPL-3.0-or-later
// SIGTERM, SIGINT and SIGHUP as a Qt signal on the window's thread, so a
// termination request can wait for a pager operation to end instead of
// cutting a transfer short.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <initializer_list>
#include <vector>

namespace zt310::ui {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // Only one watcher may exist per process; the signals keep their previous
  // handlers when the self-pipe cannot be made.
  explicit TerminationSignals(std::initializer_list<int> watched, QObject* parent = nullptr);
  ~TerminationSignals() override;
  bool Installed() const { return notifier_ != nullptr; }

 signals:
  void Requested(int signal);

 private:
  void Drain();
  QSocketNotifier* notifier_ = nullptr;
  std::vector<int> signals_;
};

}  // namespace zt310::ui
