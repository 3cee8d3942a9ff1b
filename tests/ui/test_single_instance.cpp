// One copy per user: the guard lives in the private runtime folder, and a
// second start that cannot simply bring the first copy forward says why
// instead of ending silently.
#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

#include "ui/SingleInstance.h"

using namespace zt310::ui;

namespace {

QString Key() { return "zt310-test-" + QString::number(QCoreApplication::applicationPid()); }

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void guardLivesInTheRuntimeFolder() {
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    SingleInstance first(Key());
    QVERIFY(first.Claim());
    qputenv("XDG_RUNTIME_DIR", previous);
    QVERIFY2(first.LockPath().startsWith(runtime.path() + "/"), qPrintable(first.LockPath()));
    QVERIFY(first.Problem().isEmpty());
    QVERIFY(QFileInfo(first.LockPath()).isFile());
  }

  void secondCopyBringsTheFirstForward() {
    SingleInstance first(Key(), dir_.path());
    QSignalSpy raised(&first, &SingleInstance::RaiseRequested);
    QVERIFY(first.Claim());
    SingleInstance second(Key(), dir_.path());
    QVERIFY(!second.Claim());
    QVERIFY(second.Problem().isEmpty());
    QVERIFY(raised.wait(2000));
  }

  // A second start with a file hands its absolute path over, whatever bytes
  // the name holds.
  void secondCopyHandsItsFileOver() {
    SingleInstance first(Key(), dir_.path());
    QSignalSpy opened(&first, &SingleInstance::OpenRequested);
    QVERIFY(first.Claim());
    const QString name = QString::fromUtf8("odd name\nwith \xC3\xA9 and spaces.tbl");
    SingleInstance second(Key(), dir_.path());
    QVERIFY(!second.Claim(name));
    QVERIFY(opened.wait(2000));
    QCOMPARE(opened.at(0).at(0).toString(), QDir::current().absoluteFilePath(name));
  }

  // A live process of another program named in the lock file.
  void lockOfAnotherProgramIsReported() {
    QProcess sleeper;
    sleeper.start("sleep", {"30"});
    QVERIFY(sleeper.waitForStarted());
    const QString lockPath = SingleInstance(Key(), dir_.path()).LockPath();
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QString("%1\nsleep\n%2\n").arg(sleeper.processId()).arg(QSysInfo::machineHostName()).toUtf8());
    lock.close();

    SingleInstance second(Key(), dir_.path());
    QVERIFY(!second.Claim());
    QVERIFY2(second.Problem().contains("sleep") && second.Problem().contains(QString::number(sleeper.processId())),
             qPrintable(second.Problem()));
    sleeper.kill();
    sleeper.waitForFinished();
    QFile::remove(lockPath);
  }

  void firstCopyThatDoesNotAnswerIsReported() {
    SingleInstance probe(Key(), dir_.path());
    QLockFile silent(probe.LockPath());  // held, but nobody listens
    QVERIFY(silent.tryLock(100));
    SingleInstance second(Key(), dir_.path());
    QVERIFY(!second.Claim());
    QVERIFY2(second.Problem().contains("does not answer"), qPrintable(second.Problem()));
  }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "test_single_instance.moc"
