// SPDX-License-Identifier: GPL-3.0-or-later
// How "zt310 set" saves: two processes on the same file at the same moment
// each see the other's result, or one fails naming the file (neither edit is
// ever lost while both report success); a read-only file is refused.
#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int kPairs = 60;
constexpr int kTimeoutMs = 60000;

QProcess* Start(const QStringList& args, QObject* parent) {
  auto* process = new QProcess(parent);
  process->start(ZT310_CLI, args);
  return process;
}

struct Finished {
  int exit = -1;
  QString err;
};

Finished Wait(QProcess* process) {
  if (!process->waitForFinished(kTimeoutMs)) return {};
  return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
          QString::fromUtf8(process->readAllStandardError())};
}

}  // namespace

class CliSetSavingTest : public QObject {
  Q_OBJECT

 private slots:
  void concurrentSetsLoseNoEdit() {
    QTemporaryDir dir;
    const QString file = dir.filePath("site.tbl");
    int silentLosses = 0, refusals = 0;
    for (int pair = 0; pair < kPairs; ++pair) {
      QVERIFY(QProcess::execute(ZT310_CLI, {"new", "-o", file}) == 0);
      QObject owner;
      QProcess* first = Start({"set", file, "chkF1Call3=1"}, &owner);
      QProcess* second = Start({"set", file, "chkF1Call5=1"}, &owner);
      const Finished a = Wait(first);
      const Finished b = Wait(second);
      QVERIFY2(a.exit >= 0 && b.exit >= 0, "a set did not finish");

      QProcess get;
      get.start(ZT310_CLI, {"get", file, "chkF1Call3", "chkF1Call5"});
      QVERIFY(get.waitForFinished(kTimeoutMs));
      const QStringList shown = QString::fromUtf8(get.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
      QCOMPARE(shown.size(), 2);
      for (const auto& [run, value] : {std::pair{a, shown[0]}, std::pair{b, shown[1]}}) {
        if (run.exit == 0) {
          silentLosses += value == "1" ? 0 : 1;
        } else {
          ++refusals;
          QVERIFY2(run.err.contains(file), qPrintable(run.err));
        }
      }
    }
    QCOMPARE(silentLosses, 0);
    qInfo("%d pairs, %d refused with a message", kPairs, refusals);
  }

  void readOnlyFileIsRefusedWithExit2() {
    QTemporaryDir dir;
    const QString file = dir.filePath("locked.tbl");
    QVERIFY(QProcess::execute(ZT310_CLI, {"new", "-o", file}) == 0);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QProcess* set = Start({"set", file, "chkF1Call3=1"}, this);
    const Finished run = Wait(set);
    QCOMPARE(run.exit, 2);
    QVERIFY2(run.err.contains(file) && run.err.contains("read-only"), qPrintable(run.err));
    QProcess get;
    get.start(ZT310_CLI, {"get", file, "chkF1Call3"});
    QVERIFY(get.waitForFinished(kTimeoutMs));
    QCOMPARE(QString::fromUtf8(get.readAllStandardOutput()), QString("0\n"));
  }
};

QTEST_GUILESS_MAIN(CliSetSavingTest)
#include "test_cli_set_saving.moc"
