// SPDX-License-Identifier: GPL-3.0-or-later
// A user who may not open the cradle's port is told how to get access, once,
// by every verb that opens a port, instead of only hearing that the board
// does not respond. The verbs run as "nobody" (through setpriv) against a
// pseudo-terminal that only root may open.
#include <QtTest>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

class CliPortAccessTest : public QObject {
  Q_OBJECT
  int master_ = -1;
  QString device_;
  QString setpriv_;
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    if (::geteuid() != 0) QSKIP("needs root to run the verbs as another user");
    setpriv_ = QStandardPaths::findExecutable("setpriv");
    if (setpriv_.isEmpty()) QSKIP("setpriv is not installed");
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0);
    device_ = QString::fromLocal8Bit(::ptsname(master_));
    QVERIFY(QFile::setPermissions(device_, QFile::ReadOwner | QFile::WriteOwner));
    // The table file must be readable by "nobody", so the verbs get as far as the port.
    QVERIFY(QFile::setPermissions(
        dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    QProcess make;
    make.start(ZT310_CLI, {"new", "-o", dir_.filePath("plug.tbl")});
    QVERIFY(make.waitForFinished() && make.exitCode() == 0);
    QVERIFY(QFile::setPermissions(dir_.filePath("plug.tbl"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    // The production run opens its log before the port.
    QVERIFY(QDir(dir_.path()).mkdir("logs"));
    QVERIFY(QFile::setPermissions(dir_.filePath("logs"), QFile::ReadOther | QFile::WriteOther | QFile::ExeOther |
                                                             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  }
  void cleanupTestCase() {
    if (master_ >= 0) ::close(master_);
  }

  void deniedPortIsExplainedOnce_data() {
    QTest::addColumn<QStringList>("args");
    const QString plug = dir_.filePath("plug.tbl");
    QTest::newRow("probe") << QStringList{"probe", "--port", "@"};
    // read checks its output first: "nobody" may write in logs only.
    QTest::newRow("read") << QStringList{"read", "--port", "@", "-o", dir_.filePath("logs/out.tbl")};
    QTest::newRow("verify") << QStringList{"verify", "--port", "@", plug};
    QTest::newRow("write") << QStringList{"write", "--port", "@", plug};
    QTest::newRow("produce") << QStringList{"produce",  "--port",       "@",         plug,
                                            "--serial", "AB1234567890", "--log-dir", dir_.filePath("logs")};
    QTest::newRow("test") << QStringList{"test", "vibrator", "on", "--port", "@"};
  }
  void deniedPortIsExplainedOnce() {
    QFETCH(QStringList, args);
    args.replaceInStrings("@", device_);
    QProcess run;
    run.start(setpriv_, QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", ZT310_CLI} + args);
    QVERIFY(run.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(run.readAllStandardError());
    QCOMPARE(run.exitCode(), 1);
    QCOMPARE(err.count("usermod -aG"), 1);
    QVERIFY2(err.contains("You may not use " + device_), qPrintable(err));
    QVERIFY2(err.contains("Port " + device_ + ": permission denied.\n"), qPrintable(err));
  }
};

QTEST_GUILESS_MAIN(CliPortAccessTest)
#include "test_cli_port_access.moc"
