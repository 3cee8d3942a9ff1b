// SPDX-License-Identifier: GPL-3.0-or-later
// A throw-away PostgreSQL server for one test: a cluster made in a folder
// under the build tree, listening on a free port of 127.0.0.1 and a socket
// folder of its own, started and stopped by the test. The server refuses to
// run as root, so under root the cluster belongs to "nobody" and every
// server program runs as that user (setpriv). Nothing is left running.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace zt310::testing {

class PostgresServer {
 public:
  // The folder of Debian's server programs, or empty when none is installed.
  static QString BinaryFolder() {
    QDir versions("/usr/lib/postgresql");
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
      const QString bin = versions.filePath(*it + "/bin");
      if (QFileInfo(bin + "/initdb").isExecutable() && QFileInfo(bin + "/pg_ctl").isExecutable()) return bin;
    }
    return {};
  }

  // Makes and starts the cluster; error() says why when it could not.
  PostgresServer() {
    bin_ = BinaryFolder();
    if (bin_.isEmpty()) {
      missing_ = true;
      error_ = "PostgreSQL's server programs are not installed (Debian package postgresql)";
      return;
    }
    StopLeftovers();
    folder_ = std::make_unique<QTemporaryDir>(QCoreApplication::applicationDirPath() + "/pg-XXXXXX");
    if (!folder_->isValid()) {
      error_ = "cannot make a folder under " + QCoreApplication::applicationDirPath().toStdString();
      return;
    }
    if (::geteuid() == 0) {
      const passwd* nobody = ::getpwnam("nobody");
      if (!nobody) {
        error_ = "running as root and there is no user nobody to run the server as";
        return;
      }
      uid_ = nobody->pw_uid;
      gid_ = nobody->pw_gid;
      if (::chown(folder_->path().toLocal8Bit().constData(), uid_, gid_) != 0) {
        error_ = "cannot give the cluster folder to nobody";
        return;
      }
    }
    Live().insert(folder_->path());
    QDir(folder_->path()).mkdir("socket");
    if (uid_ >= 0 && ::chown(SocketFolder().toLocal8Bit().constData(), uid_, gid_) != 0) {
      error_ = "cannot give the socket folder to nobody";
      return;
    }
    port_ = FreePort();
    if (!Run("initdb", {"-D", DataFolder(), "-A", "trust", "-U", "zt310", "--no-sync", "-E", "UTF8"})) return;
    Start();
  }
  ~PostgresServer() {
    Stop();
    if (folder_) Live().erase(folder_->path());
  }
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  bool ok() const { return error_.empty(); }
  // The server programs are not installed: the only reason to skip a test.
  bool missing() const { return missing_; }
  const std::string& error() const { return error_; }
  int port() const { return port_; }
  // The record's URL for zt310 --record.
  std::string Url() const { return "postgresql://zt310@127.0.0.1:" + std::to_string(port_) + "/postgres"; }

  bool Start() {
    running_ =
        Run("pg_ctl",
            {"-D", DataFolder(), "-l", folder_->filePath("server.log"), "-w", "-t", "60", "-o",
             QString("-p %1 -k %2 -h 127.0.0.1 -c fsync=off -c max_connections=60").arg(port_).arg(SocketFolder()),
             "start"});
    return running_;
  }
  // At once, as a crash or a pulled cable would end it for the clients.
  void Stop() {
    if (!running_) return;
    Run("pg_ctl", {"-D", DataFolder(), "-m", "immediate", "-w", "stop"});
    running_ = false;
  }

 private:
  QString DataFolder() const { return folder_->filePath("data"); }
  // The folders of the servers this process runs.
  static std::set<QString>& Live() {
    static std::set<QString> folders;
    return folders;
  }

  // A test that crashed left its server running: stopped and removed here,
  // so none outlives the run after it.
  void StopLeftovers() {
    QDir build(QCoreApplication::applicationDirPath());
    for (const QString& name : build.entryList({"pg-*"}, QDir::Dirs | QDir::NoDotAndDotDot)) {
      if (Live().count(build.filePath(name))) continue;  // another server of this test, running
      const QString data = build.filePath(name + "/data");
      if (QFileInfo::exists(data + "/postmaster.pid")) {
        QProcess::execute(::geteuid() == 0 ? "setpriv" : bin_ + "/pg_ctl",
                          (::geteuid() == 0 ? QStringList{"--reuid", "nobody", "--regid", "nogroup", "--clear-groups",
                                                          bin_ + "/pg_ctl"}
                                            : QStringList{}) +
                              QStringList{"-D", data, "-m", "immediate", "-w", "stop"});
      }
      QDir(build.filePath(name)).removeRecursively();
    }
  }
  QString SocketFolder() const { return folder_->filePath("socket"); }

  static int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
  }

  // A server program, as nobody when the test runs as root.
  bool Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(folder_->path());
    QString command = bin_ + "/" + program;
    QStringList arguments = args;
    if (uid_ >= 0) {
      arguments.prepend(command);
      arguments =
          QStringList{"--reuid", QString::number(uid_), "--regid", QString::number(gid_), "--clear-groups"} + arguments;
      command = "setpriv";
    }
    process.start(command, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
      error_ = program.toStdString() + " failed: " + process.readAll().toStdString();
      return false;
    }
    return true;
  }

  QString bin_;
  std::unique_ptr<QTemporaryDir> folder_;
  int uid_ = -1;
  gid_t gid_ = 0;
  int port_ = 0;
  bool running_ = false;
  bool missing_ = false;
  std::string error_;
};

}  // namespace zt310::testing

// Skips the test when PostgreSQL is not installed; any other reason the
// server did not start fails it.
#define ZT310_REQUIRE_POSTGRES(server)                         \
  do {                                                         \
    if (!(server).ok()) {                                      \
      if ((server).missing()) QSKIP((server).error().c_str()); \
      QFAIL((server).error().c_str());                         \
    }                                                          \
  } while (false)
