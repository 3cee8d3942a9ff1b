#include "ui/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QRegularExpression>
#include <unistd.h>

namespace zt310::ui {

SingleInstance::SingleInstance(const QString& key, const QString& folder, QObject* parent) : QObject(parent) {
  QString safe = key;
  safe.replace(QRegularExpression("[^A-Za-z0-9.]"), "-");
  serverName_ = QString("%1-%2").arg(safe).arg(::getuid());
  const QString dir = folder.isEmpty() ? QDir::tempPath() : folder;
  lock_ = std::make_unique<QLockFile>(dir + "/" + serverName_ + ".lock");
  lock_->setStaleLockTime(0);  // only a live process holds the lock
}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

bool SingleInstance::Claim() {
  if (!lock_->tryLock(100)) {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (socket.waitForConnected(1000)) {
      socket.write("raise\n");
      socket.waitForBytesWritten(1000);
      socket.disconnectFromServer();
    }
    return false;
  }
  QLocalServer::removeServer(serverName_);  // a socket left by a crashed copy
  server_ = new QLocalServer(this);
  server_->listen(serverName_);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      emit RaiseRequested();
    }
  });
  return true;
}

}  // namespace zt310::ui
