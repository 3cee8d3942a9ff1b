// SPDX-License-Identifier: GPL-3.0-or-later
// One copy of the program per user: a lock file says a copy runs, and a
// local socket lets a second start ask the first copy to come to the front,
// and to open the table file the second start was given.
// Both live in the user's private runtime folder ($XDG_RUNTIME_DIR), where no
// other user can plant or bind them. The lock of a copy that crashed is taken
// over, never left stale.
#pragma once

#include <QList>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <memory>

namespace zt310::ui {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // key names the instance ("ZT310 V1.3.9"); folder holds the lock and the
  // socket (default: the user's runtime folder).
  explicit SingleInstance(const QString& key, const QString& folder = {}, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when this is the first copy. Otherwise this copy should end: the
  // first copy has been asked to show itself (and to open file, when one is
  // named), or Problem() says why not.
  bool Claim(const QString& file = {});

  // Empty when all went as it should; otherwise what the user should be
  // told (a lock held by another program, a copy that does not answer, a
  // first copy that cannot be reached by a second).
  const QString& Problem() const { return problem_; }

  const QString& LockPath() const { return lockPath_; }

  // The program is ending: no more files are handed over (a box for the
  // next one would keep it from ending).
  void StopHandingOver();

 signals:
  void RaiseRequested();
  // A second start was given this file (an absolute path). One at a time:
  // the next is not emitted while a receiver is still handling one (a box
  // it shows), so a flood of starts never stacks boxes; files named
  // meanwhile wait in a short queue, and what does not fit is dropped.
  void OpenRequested(const QString& file);
  // Files named by second starts were dropped while the queue was full.
  void OpenRequestsDropped(int count);

 public:
  // A connection is closed this long after it was made, sent or not.
  static constexpr int kConnectionMs = 3000;
  // At most this many second starts are served at once; a newer one closes
  // the oldest, so idle connections never use up the window's descriptors.
  static constexpr int kMaxConnections = 64;
  // Files waiting to be opened while one is being opened.
  static constexpr int kMaxQueuedFiles = 8;

 private:
  bool AskFirstCopyToShow(const QString& file);
  void Accept(QLocalSocket* socket);
  void TakeRequest(QLocalSocket* socket);
  void QueueFile(const QString& file);
  void DeliverNextFile();
  QString DescribeHolder() const;
  void Listen();

  QList<QLocalSocket*> connections_;
  QStringList queuedFiles_;
  bool delivering_ = false;
  bool stopped_ = false;
  int dropped_ = 0;

  QString lockPath_;
  QString serverName_;
  QString problem_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};

}  // namespace zt310::ui
