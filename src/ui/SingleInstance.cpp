// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SingleInstance.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <utility>

namespace zt310::ui {

namespace {

QString PrivateFolder(const QString& folder) {
  if (!folder.isEmpty()) return folder;
  // Qt makes the folder (mode 0700) when missing, and gives none when the
  // one it finds is not the user's own. The shared temporary folder is never
  // used: another user could plant the lock or take the socket's name there.
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (!runtime.isEmpty()) return runtime;
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  QDir().mkpath(cache);
  return cache;
}

// The lock names the holder's process and program name; the window later
// renames the application, so the program file is what tells a copy of ours.
bool HeldByThisProgram(qint64 pid, const QString& app) {
  const QString holderFile = QFileInfo(QString("/proc/%1/exe").arg(pid)).symLinkTarget();
  if (!holderFile.isEmpty()) return holderFile == QCoreApplication::applicationFilePath();
  return app == QFileInfo(QCoreApplication::applicationFilePath()).fileName() ||
         app == QCoreApplication::applicationName();
}

}  // namespace

SingleInstance::SingleInstance(const QString& key, const QString& folder, QObject* parent) : QObject(parent) {
  QString safe = key;
  safe.replace(QRegularExpression("[^A-Za-z0-9.]"), "-");
  const QString base = QString("%1-%2").arg(safe).arg(::getuid());
  const QString dir = PrivateFolder(folder);
  lockPath_ = dir + "/" + base + ".lock";
  serverName_ = dir + "/" + base + ".socket";  // a path: the socket is made right there
  lock_ = std::make_unique<QLockFile>(lockPath_);
  lock_->setStaleLockTime(0);  // only a live process holds the lock
}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

bool SingleInstance::Claim(const QString& file) {
  if (lock_->tryLock(100)) {
    Listen();
    return true;
  }
  if (lock_->error() != QLockFile::LockFailedError) {
    // No lock can be made (a folder we may not write): run without the guard
    // rather than refuse to start.
    problem_ =
        QString("The lock file %1 cannot be created; a second copy of the program will not be noticed.").arg(lockPath_);
    return true;
  }
  const QString holder = DescribeHolder();
  if (!holder.isEmpty()) {
    problem_ = holder;
    return false;
  }
  if (!AskFirstCopyToShow(file)) {
    qint64 pid = 0;
    QString host, app;
    lock_->getLockInfo(&pid, &host, &app);
    problem_ = QString(
                   "The program is already running (process %1) but does not answer.\n"
                   "Close it, or end process %1, and start again.")
                   .arg(pid);
  }
  return false;
}

// Says who holds the lock when it is not a copy of this program.
QString SingleInstance::DescribeHolder() const {
  qint64 pid = 0;
  QString host, app;
  if (!lock_->getLockInfo(&pid, &host, &app)) return {};
  const QFileInfo file(lockPath_);
  if (file.ownerId() != ::getuid()) {
    return QString(
               "The lock file %1 belongs to another user (%2), not to you.\n"
               "The program does not start while it is there.")
        .arg(lockPath_, file.owner());
  }
  if (!HeldByThisProgram(pid, app)) {
    return QString(
               "The lock file %1 is held by another program (%2, process %3), not by this one.\n"
               "The program does not start while that program holds it.")
        .arg(lockPath_, app)
        .arg(pid);
  }
  return {};
}

bool SingleInstance::AskFirstCopyToShow(const QString& file) {
  QLocalSocket socket;
  socket.connectToServer(serverName_);
  if (!socket.waitForConnected(1000)) return false;
  // The path travels in base64: a file name may hold any byte but '/' ones and NUL.
  socket.write(file.isEmpty() ? QByteArray("raise\n")
                              : "open " + QFileInfo(file).absoluteFilePath().toUtf8().toBase64() + "\n");
  const bool sent = socket.waitForBytesWritten(1000);
  socket.disconnectFromServer();
  return sent;
}

void SingleInstance::Listen() {
  QLocalServer::removeServer(serverName_);  // a socket left by a crashed copy
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(serverName_)) {
    problem_ = QString("A second start cannot bring this window to the front: %1").arg(server_->errorString());
    return;
  }
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) Accept(socket);
  });
}

void SingleInstance::Accept(QLocalSocket* socket) {
  if (connections_.size() >= kMaxConnections) {
    // The oldest goes, after what it did send is taken.
    QLocalSocket* oldest = connections_.takeFirst();
    oldest->waitForReadyRead(0);
    TakeRequest(oldest);
    oldest->abort();
  }
  connections_.append(socket);
  connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
    connections_.removeOne(socket);
    socket->deleteLater();
  });
  connect(socket, &QLocalSocket::readyRead, this, [this, socket] { TakeRequest(socket); });
  QTimer::singleShot(kConnectionMs, socket, [socket] { socket->abort(); });
  emit RaiseRequested();  // a request that never arrives still brings the window forward
}

// One line: "raise", or "open " and the file's path in base64. A line
// longer than any path can be is dropped whole with its connection.
void SingleInstance::TakeRequest(QLocalSocket* socket) {
  constexpr qint64 kLongestPath = 4096;  // PATH_MAX
  constexpr qint64 kLongestRequest = 5 + (kLongestPath + 2) / 3 * 4 + 2;
  while (socket->canReadLine()) {
    const QByteArray raw = socket->readLine(kLongestRequest + 1);
    if (!raw.endsWith('\n')) {
      socket->abort();
      return;
    }
    const QByteArray line = raw.trimmed();
    if (line.startsWith("open ")) {
      const auto decoded = QByteArray::fromBase64Encoding(line.mid(5), QByteArray::AbortOnBase64DecodingErrors);
      if (decoded) {
        const QString file = QString::fromUtf8(*decoded);
        if (!file.isEmpty() && QFileInfo(file).isAbsolute()) QueueFile(file);
      }
    }
  }
  if (socket->bytesAvailable() > kLongestRequest) socket->abort();
}

void SingleInstance::StopHandingOver() {
  stopped_ = true;
  queuedFiles_.clear();
}

void SingleInstance::QueueFile(const QString& file) {
  if (stopped_ || queuedFiles_.contains(file)) return;
  if (queuedFiles_.size() >= kMaxQueuedFiles) {
    ++dropped_;
    return;
  }
  queuedFiles_.append(file);
  if (!delivering_) QTimer::singleShot(0, this, &SingleInstance::DeliverNextFile);
}

void SingleInstance::DeliverNextFile() {
  if (delivering_) return;
  delivering_ = true;
  while (!stopped_ && !queuedFiles_.isEmpty()) emit OpenRequested(queuedFiles_.takeFirst());
  delivering_ = false;
  if (dropped_ > 0) {
    emit OpenRequestsDropped(std::exchange(dropped_, 0));
  }
}

}  // namespace zt310::ui
