// SPDX-License-Identifier: GPL-3.0-or-later
// "zt310 set" is all or nothing: a value the key filter cuts or the field's
// rules refuse, in any of the assignments, leaves the file byte for byte as
// it was and exits 1 naming the control, the value and what was dropped.
#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int kTimeoutMs = 60000;

struct Finished {
  int exit = -1;
  QString out;
  QString err;
};

Finished Run(const QStringList& args) {
  QProcess process;
  process.start(ZT310_CLI, args);
  if (!process.waitForFinished(kTimeoutMs) || process.exitStatus() != QProcess::NormalExit) return {};
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class CliSetRefusalsTest : public QObject {
  Q_OBJECT

 private slots:
  void refusedValuesLeaveTheFileAsItWas_data() {
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QStringList>("said");  // parts of stderr
    QTest::newRow("minus sign") << QStringList{"edtGapMax=-1"}
                                << QStringList{"edtGapMax=-1 refused", "edtGapMax takes no '-'", "keys dropped: '-'",
                                               "received \"1\""};
    QTest::newRow("letter inside") << QStringList{"edtGapMax=1x5"}
                                   << QStringList{"edtGapMax=1x5 refused", "keys dropped: 'x'", "received \"15\""};
    QTest::newRow("thousands commas") << QStringList{"edtF1Freq=1,525,000"}
                                      << QStringList{"edtF1Freq=1,525,000 refused", "keys dropped: ',' ','"};
    QTest::newRow("eighth digit of a frequency")
        << QStringList{"edtF1Freq=15250001"} << QStringList{"edtF1Freq=15250001 refused", "keys dropped: '1'"};
    QTest::newRow("digit too many after the point")
        << QStringList{"edtTonality0=1.2345"} << QStringList{"edtTonality0=1.2345 refused", "keys dropped: '5'"};
    QTest::newRow("non-ASCII in a number")
        << QStringList{"edtRFDelay=3\xc2\xb5"}
        << QStringList{"edtRFDelay=3\\xC2\\xB5 refused", "keys dropped: '\\xC2' '\\xB5'"};
    QTest::newRow("past the field's range")
        << QStringList{"edtGapMax=300"}
        << QStringList{"edtGapMax=300 refused: the field's rules said: Please insert a number between 0 to 255"};
    QTest::newRow("tonality out of range")
        << QStringList{"edtTonality0=9"} << QStringList{"edtTonality0=9 refused: the field's rules said:"};
    QTest::newRow("disabled control") << QStringList{"edtF1T13=1000.0"}
                                      << QStringList{"edtF1T13 is disabled", "edtF1T13=1000.0 refused"};
    QTest::newRow("one of three refused")
        << QStringList{"chkF1Call3=1", "edtGapMax=1x5", "edtRFDelay=7"} << QStringList{"edtGapMax=1x5 refused"};
    QTest::newRow("two refused") << QStringList{"edtGapMax=-1", "edtRFDelay=9999"}
                                 << QStringList{"edtGapMax=-1 refused", "edtRFDelay=9999 refused"};
  }
  void refusedValuesLeaveTheFileAsItWas() {
    QFETCH(QStringList, assignments);
    QFETCH(QStringList, said);
    QTemporaryDir dir;
    const QString file = dir.filePath("f.tbl");
    QCOMPARE(Run({"new", "-o", file}).exit, 0);
    QCOMPARE(Run({"set", file, "edtGapMax=9", "edtRFDelay=4"}).exit, 0);  // a file with a .BAK beside it
    const QByteArray before = Bytes(file);
    const QByteArray backupBefore = Bytes(dir.filePath("f.BAK"));

    for (const bool toOther : {false, true}) {
      const QString other = dir.filePath("other.tbl");
      QStringList args{"set", file};
      args += assignments;
      if (toOther) args += QStringList{"-o", other};
      const Finished run = Run(args);
      QCOMPARE(run.exit, 1);
      for (const QString& part : said) QVERIFY2(run.err.contains(part), qPrintable(run.err));
      QVERIFY2(run.err.contains("nothing was saved"), qPrintable(run.err));
      QCOMPARE(Bytes(file), before);
      QCOMPARE(Bytes(dir.filePath("f.BAK")), backupBefore);
      QVERIFY(!QFile::exists(other));
    }
    QCOMPARE(Run({"get", file, "edtGapMax", "chkF1Call3", "edtRFDelay"}).out, QString("9\n0\n4\n"));
  }

  // The same assignments, every one fitting, are all saved.
  void fittingAssignmentsAreSavedTogether() {
    QTemporaryDir dir;
    const QString file = dir.filePath("f.tbl");
    QCOMPARE(Run({"new", "-o", file}).exit, 0);
    const Finished run = Run({"set", file, "chkF1Call3=1", "edtGapMax=15", "edtF1Freq=1525000", "edtTonality0=1.234"});
    QVERIFY2(run.exit == 0, qPrintable(run.err));
    QCOMPARE(Run({"get", file, "chkF1Call3", "edtGapMax", "edtF1Freq", "edtTonality0"}).out,
             QString("1\n15\n1525000\n1.234\n"));
  }
};

QTEST_GUILESS_MAIN(CliSetRefusalsTest)
#include "test_cli_set_refusals.moc"
