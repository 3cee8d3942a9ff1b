// SPDX-License-Identifier: GPL-3.0-or-later
// The zt310-sim program and the link verbs of the zt310 command line.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sstream>

#include "CliRunner.h"
#include "SimFixture.h"
#include "codeplug/TableFile.h"

using namespace zt310;
using namespace zt310::testing;

namespace {

// zt310-sim running as a child process.
class SimProgram {
 public:
  explicit SimProgram(const QStringList& args) {
    process_.setProgram(QStringLiteral(ZT310_SIM_PATH));
    process_.setArguments(args);
    process_.start();
    if (process_.waitForReadyRead(5000)) readyLine_ = QString::fromUtf8(process_.readLine()).trimmed();
  }
  ~SimProgram() { Stop(); }
  void Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    process_.waitForFinished(5000);
  }
  const QString& readyLine() const { return readyLine_; }
  int exitCode() const { return process_.exitCode(); }

 private:
  QProcess process_;
  QString readyLine_;
};

QString ReadText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

class SimProgramTest : public QObject {
  Q_OBJECT
 private slots:
  void linkProbeAndTestVerbs() {
    QTemporaryDir dir;
    const QString link = dir.filePath("cradle");
    const QString simTrace = dir.filePath("sim.trace");
    SimProgram sim({"--link", link, "--trace", simTrace});
    QVERIFY2(sim.readyLine().startsWith("ready /dev/pts/"), qPrintable(sim.readyLine()));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.readyLine().mid(6));

    const QString linkTrace = dir.filePath("link.trace");
    const CliRun probe = RunZt310(Args({"probe", "--port", link, "--trace", linkTrace}));
    QCOMPARE(probe.code, cli::kExitOk);
    QCOMPARE(probe.out, link.toStdString() + "\n");
    QVERIFY(ReadText(linkTrace).contains(link + " < 4D 61 72 6C 6F 77 74 69 64 65 33 52 00 00 85"));

    QCOMPARE(RunZt310(Args({"test", "vibrator", "on", "--port", link})).code, cli::kExitOk);
    QCOMPARE(RunZt310(Args({"test", "alert", "on", "--channel", "F2", "--call", "4", "--port", link})).code,
             cli::kExitOk);
    // Each test verb finds the cradle first.
    QTRY_COMPARE(ReadText(simTrace).count('\n'), 6);
    const QStringList lines = ReadText(simTrace).split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines[1].contains("33 52 03 00 00 00 00 88 ; read 0+0"));
    QVERIFY(lines[2].contains("3B 01 03 00 00 00 00 3F ; vibrator on"));
    QVERIFY(lines[4].contains("3B 04 03 00 00 00 00 42 ; alert test off"));
    QVERIFY(lines[5].contains("3B 03 03 02 04 00 00 47 ; alert test on channel F2 call 4"));

    const CliRun ports = RunZt310(Args({"ports", "--port", link}));
    QCOMPARE(ports.code, cli::kExitOk);
    QVERIFY(QString::fromStdString(ports.out).startsWith(link + "\n"));
    sim.Stop();
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link));
  }

  void usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("call out of range") << QStringList{"test", "alert", "on", "--call", "13"};
    QTest::newRow("call not a number") << QStringList{"test", "alert", "on", "--call", "1x"};
    QTest::newRow("channel unknown") << QStringList{"test", "alert", "on", "--channel", "F3"};
    QTest::newRow("vibrator with channel") << QStringList{"test", "vibrator", "on", "--channel", "F1"};
    QTest::newRow("unknown test") << QStringList{"test", "buzzer", "on"};
    QTest::newRow("neither on nor off") << QStringList{"test", "vibrator", "maybe"};
    QTest::newRow("probe stray argument") << QStringList{"probe", "ttyS0"};
    QTest::newRow("port without value") << QStringList{"probe", "--port"};
    QTest::newRow("trace cannot be written") << QStringList{"probe", "--trace", "/nonexistent/dir/t.txt"};
  }
  void usageErrors() {
    QFETCH(QStringList, args);
    QCOMPARE(RunZt310(Args(args)).code, cli::kExitUsage);
  }

  void memoryOptionsAndSaveFile() {
    QTemporaryDir dir;
    CodePlugImage start = FactoryDefaultImage();
    start[200] = 0x5A;
    QFile memoryFile(dir.filePath("start.tbl"));
    QVERIFY(memoryFile.open(QIODevice::WriteOnly));
    memoryFile.write(reinterpret_cast<const char*>(start.data()), 512);
    memoryFile.close();
    const QString save = dir.filePath("saved.tbl");
    SimProgram sim({"--link", dir.filePath("cradle"), "--memory", memoryFile.fileName(), "--firmware", "5.1.0",
                    "--single-channel", "--serial", "SN42", "--save", save});
    QVERIFY(sim.readyLine().startsWith("ready "));

    PagerLink link({}, FastTiming());
    link.SetPortNames({dir.filePath("cradle")});
    QVERIFY(link.CheckTargetBoard());
    std::array<std::uint8_t, 16> identity{};
    QVERIFY(link.ReadBlock(kMemoryAddress, identity.data(), 0, 16));
    QCOMPARE(identity[11], std::uint8_t{254});
    QCOMPARE(identity[12], std::uint8_t{5});
    QCOMPARE(identity[13], std::uint8_t{1});
    CodePlugImage written = start;
    for (int i = 0; i < 16; ++i) written[496 + i] = static_cast<std::uint8_t>(i);
    QVERIFY(link.WriteBlock(written, 496, 16));
    QFile saved(save);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray savedBytes = saved.readAll();
    QCOMPARE(savedBytes.size(), 512);
    QCOMPARE(static_cast<std::uint8_t>(savedBytes[200]), std::uint8_t{0x5A});
    QCOMPARE(static_cast<std::uint8_t>(savedBytes[511]), std::uint8_t{15});
    QCOMPARE(savedBytes.mid(416, 4), QByteArray("SN42"));
    link.Port().Close();
  }

  void badOptionsStopTheProgram() {
    QProcess process;
    process.start(QStringLiteral(ZT310_SIM_PATH), {"--fault", "melt@1"});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardError().contains("unknown fault"));
  }
};

QTEST_GUILESS_MAIN(SimProgramTest)
#include "test_sim_program.moc"
