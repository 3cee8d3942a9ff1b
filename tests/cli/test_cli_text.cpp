// SPDX-License-Identifier: GPL-3.0-or-later
// zt310 export and import, each verb a process of its own as scripts run
// them: the stored files come back byte for byte, a one-tone change in the
// text gives what "zt310 set" gives, a refused text stops with where and why
// and writes nothing, and a ".yaml" file goes wherever a table file goes.
#include <QtTest>

#include <sys/stat.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "CliRunner.h"
#include "SimFixture.h"
#include "TestData.h"

using namespace zt310;
using namespace zt310::testing;

namespace {

struct Run {
  int code = -1;
  QString out;
  QString err;
};

Run Zt310(const QStringList& args) {
  QProcess process;
  process.start(ZT310_CLI, args);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return {};
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void Store(const QString& path, const QByteArray& contents) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size()) {
    qFatal("cannot write %s", qPrintable(path));
  }
}

// The text with the value of KEY replaced.
QByteArray WithValue(QByteArray text, const QByteArray& key, const QByteArray& value) {
  const qsizetype at = ("\n" + text).indexOf("\n" + key + ": ");  // at the line's start
  if (at < 0) qFatal("no key %s", key.constData());
  const qsizetype start = at + key.size() + 2;
  return text.replace(start, text.indexOf('\n', start) - start, value);
}

}  // namespace

class CliTextTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void storedFilesComeBackByteForByte() {
    for (const char* name : kStoredFiles) {
      const QString table = QString::fromStdString(TestDataPath(name));
      const Run exported = Zt310({"export", table});
      QCOMPARE(exported.code, 0);
      QVERIFY(exported.out.startsWith("zt310-codeplug: 1\n"));
      QCOMPARE(Zt310({"export", table, "-o", Path("x.yaml")}).code, 0);
      QCOMPARE(Contents(Path("x.yaml")), exported.out.toUtf8());
      const Run imported = Zt310({"import", Path("x.yaml"), "-o", Path("x.tbl")});
      QVERIFY2(imported.code == 0, qPrintable(imported.err));
      QVERIFY2(Contents(Path("x.tbl")) == Contents(table), name);
      QCOMPARE(Zt310({"export", Path("x.tbl")}).out, exported.out);
      QCOMPARE(Zt310({"diff", table, Path("x.yaml")}).code, 0);
      QCOMPARE(Zt310({"dump", Path("x.yaml")}).out, Zt310({"dump", table}).out);
    }
  }

  // The text of a file the tool saved, one tone changed, imported: the same
  // bytes as typing that tone with "zt310 set".
  void oneToneInTheTextIsTheSameAsSet() {
    const QString factory = QString::fromStdString(TestDataPath(kFactoryFile));
    QCOMPARE(Zt310({"set", factory, "chkF1Call3=1", "-o", Path("site.tbl")}).code, 0);
    const Run exported = Zt310({"export", Path("site.tbl")});
    QCOMPARE(exported.code, 0);
    Store(Path("site.yaml"), WithValue(exported.out.toUtf8(), "channels.F1.calls[3].tone1", "1500.5"));
    QCOMPARE(Zt310({"import", Path("site.yaml"), "-o", Path("by-text.tbl")}).code, 0);
    QCOMPARE(Zt310({"set", Path("site.tbl"), "edtF1T13=1500.5", "-o", Path("by-set.tbl")}).code, 0);
    QCOMPARE(Contents(Path("by-text.tbl")), Contents(Path("by-set.tbl")));
    // The review diff names the one field (and the checksum it moves).
    const Run diff = Zt310({"diff", Path("site.tbl"), Path("site.yaml")});
    QCOMPARE(diff.code, 1);
    QVERIFY2(diff.out.contains("channels.F1.calls[3].tone1: 1285.8 -> 1513.5\n"), qPrintable(diff.out));
  }

  void refusedTextsWriteNothing_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");  // what follows "FILE:"
    const QByteArray factory = Zt310({"export", QString::fromStdString(TestDataPath(kFactoryFile))}).out.toUtf8();
    const auto at = [&](const QByteArray& key) {
      const int line = int(factory.left(factory.indexOf("\n" + key + ": ")).count('\n')) + 2;
      return QString("%1:%2: %3: ").arg(line).arg(key.size() + 3).arg(QString(key));
    };
    QTest::newRow("out of range") << WithValue(factory, "setting.carrier_off_delay_x150ms", "300")
                                  << at("setting.carrier_off_delay_x150ms") + "Please insert a number between";
    QTest::newRow("wrong list item") << WithValue(factory, "setting.record_section", "64 sections")
                                     << at("setting.record_section") + "\"64 sections\" is not an item";
    QTest::newRow("unknown key") << factory + "channels.F1.colour: blue\n"
                                 << QString("%1:1: channels.F1.colour: no such key").arg(factory.count('\n') + 1);
    QTest::newRow("wrong version") << WithValue(factory, "zt310-codeplug", "7")
                                   << "1:17: zt310-codeplug: the text is in format version 7";
    QTest::newRow("not YAML") << QByteArray("zt310-codeplug: 1\n\tkey: 1\n") << "2:1: not YAML: illegal tab";
    QTest::newRow("a table file") << Contents(QString::fromStdString(TestDataPath(kFactoryFile))) << "";
  }
  void refusedTextsWriteNothing() {
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString in = dir.filePath("in.yaml");
    const QString out = dir.filePath("out.tbl");
    Store(in, text);
    Store(out, "kept");
    const Run run = Zt310({"import", in, "-o", out});
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.startsWith(in + ":" + error), qPrintable(run.err));
    QVERIFY(run.err.endsWith("Nothing was written.\n"));
    QCOMPARE(Contents(out), QByteArray("kept"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"in.yaml", "out.tbl"}));
  }

  // A huge file, a FIFO: refused before they are read, naming the file.
  void filesThatAreNoTextAreNotRead() {
    QFile big(Path("big.yaml"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(100 * 1024 * 1024));
    big.close();
    const Run huge = Zt310({"import", Path("big.yaml"), "-o", Path("big.tbl")});
    QCOMPARE(huge.code, 2);
    QVERIFY2(huge.err.contains(Path("big.yaml")) && huge.err.contains("104857600 bytes"), qPrintable(huge.err));
    QVERIFY(!QFile::exists(Path("big.tbl")));
    QVERIFY(::mkfifo(Path("fifo.yaml").toLocal8Bit().constData(), 0600) == 0);
    const Run fifo = Zt310({"dump", Path("fifo.yaml")});
    QCOMPARE(fifo.code, 2);
    QVERIFY2(fifo.err.contains("not a regular file"), qPrintable(fifo.err));
  }

  // "set" and "get" on a text, "diff" across the two formats, --base.
  void textsGoWhereTableFilesGo() {
    const QString factory = QString::fromStdString(TestDataPath(kFactoryFile));
    QCOMPARE(Zt310({"export", factory, "-o", Path("t.yaml")}).code, 0);
    QCOMPARE(Zt310({"set", Path("t.yaml"), "chkF1Call5=1"}).code, 0);
    QVERIFY(Contents(Path("t.yaml")).contains("\nchannels.F1.calls[5].enabled: true\n"));
    QVERIFY(Contents(Path("t.BAK")).contains("\nchannels.F1.calls[5].enabled: false\n"));
    QCOMPARE(Zt310({"get", Path("t.yaml"), "chkF1Call5"}).out, QString("1\n"));
    const Run diff = Zt310({"diff", factory, Path("t.yaml")});
    QCOMPARE(diff.code, 1);
    QVERIFY2(diff.out.contains("channels.F1.calls[5].enabled: 0 -> 1\n"), qPrintable(diff.out));

    // A template: the keys it gives, on the base's other bytes.
    Store(Path("freq.yaml"), "zt310-codeplug: 1\nchannels.F2.frequency: 1550000\n");
    const QString base = QString::fromStdString(TestDataPath(kOldTimingFile));
    QCOMPARE(Zt310({"import", Path("freq.yaml"), "--base", base, "-o", Path("v.tbl")}).code, 0);
    const Run variant = Zt310({"diff", base, Path("v.tbl")});
    QVERIFY2(variant.out.contains("channels.F2.frequency: 1620000 -> 1550000\n"), qPrintable(variant.out));
    QVERIFY2(!variant.out.contains("firmware"), qPrintable(variant.out));
  }

  // A pager read stored as text, written and verified from that text.
  void readWriteVerifyThroughText() {
    RunningSim pager;
    const std::string port = pager.device().toStdString();
    const std::string text = Path("pager.yaml").toStdString();
    const CliRun read = RunZt310({"read", "--port", port, "-o", text});
    QVERIFY2(read.code == 0, read.err.c_str());
    QVERIFY(Contents(Path("pager.yaml")).startsWith("zt310-codeplug: 1\n"));
    QCOMPARE(RunZt310({"write", "--port", port, text}).code, 0);
    const CliRun verify = RunZt310({"verify", "--port", port, text});
    QVERIFY2(verify.code == 0, verify.err.c_str());
  }
};

QTEST_GUILESS_MAIN(CliTextTest)
#include "test_cli_text.moc"
