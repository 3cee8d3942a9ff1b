#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <sstream>

#include "cli/Cli.h"
#include "codeplug/TableFile.h"

using namespace zt310;

namespace {

struct Run {
  int code;
  std::string out;
  std::string err;
};

Run Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  std::istringstream in;
  cli::Io io{out, err, in};
  const int code = cli::RunCli(args, io);
  return {code, out.str(), err.str()};
}

}  // namespace

class CliFilesTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  std::string Path(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }

 private slots:
  void newWritesTheStampedFactoryDefault() {
    const auto run = Cli({"new", "-o", Path("new.tbl")});
    QCOMPARE(run.code, 0);
    const auto bytes = *ReadFileBytes(Path("new.tbl"), nullptr);
    QCOMPARE(bytes.size(), std::size_t{512});
    QCOMPARE(int{bytes[496]}, 0x93);
    QCOMPARE(int{bytes[497]}, 0x9A);
    QCOMPARE(std::string(bytes.begin() + 498, bytes.begin() + 510), std::string("ZT310 V1.3.9"));
  }

  void dumpJsonHasTheStableFields() {
    QCOMPARE(Cli({"new", "-o", Path("j.tbl")}).code, 0);
    const auto run = Cli({"dump", Path("j.tbl"), "--json"});
    QCOMPARE(run.code, 0);
    const auto json = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    QCOMPARE(json["firmware"].toString(), QString("0.0.0"));
    QVERIFY(json["serial_number"].isNull());
    QCOMPARE(json["tone_system"].toString(), QString("Standard"));
    QCOMPARE(json["checksum"].toObject()["stored"].toString(), QString("939A"));
    const auto f1 = json["channels"].toObject()["F1"].toObject();
    QCOMPARE(f1["frequency"].toString(), QString("1520000"));
    QCOMPARE(f1["plln"].toString(), QString("00146800"));
    QCOMPARE(f1["calls"].toArray().size(), 8);
    QCOMPARE(f1["group_calls"].toArray().size(), 4);
    const auto call = f1["calls"].toArray()[0].toObject();
    QCOMPARE(call["tone1"].toString(), QString("1285.8"));
    QCOMPARE(call["enabled"].toBool(), true);
    for (const char* key : {"tone2", "tone_type", "alert_pattern", "alert_time", "priority"}) QVERIFY(call.contains(key));
    const auto group = f1["group_calls"].toArray()[3].toObject();
    for (const char* key : {"enabled", "tone", "tone_type", "alert_pattern", "alert_time", "priority"}) {
      QVERIFY(group.contains(key));
    }
  }

  void dumpHexPrints32Rows() {
    QCOMPARE(Cli({"new", "-o", Path("h.tbl")}).code, 0);
    const auto run = Cli({"dump", Path("h.tbl"), "--hex"});
    QCOMPARE(run.code, 0);
    QCOMPARE(std::count(run.out.begin(), run.out.end(), '\n'), 32L);
    QVERIFY(run.out.find("016 0010: 01 05 02 00") != std::string::npos);
  }

  void filesThatCannotBeUsedExitWith2_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("not a code-plug") << QByteArray(512, '\0') << "The file is not ZT310 code-plug file.";
    QTest::newRow("missing") << QByteArray() << "Cannot read";
  }
  void filesThatCannotBeUsedExitWith2() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const std::string path = Path(content.isEmpty() ? "absent.tbl" : "zero.tbl");
    if (!content.isEmpty()) {
      QFile file(QString::fromStdString(path));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(content);
    }
    for (const auto& verb : {std::vector<std::string>{"dump", path}, {"diff", path, path}}) {
      const auto run = Cli(verb);
      QCOMPARE(run.code, 2);
      QVERIFY2(run.err.find(message.toStdString()) != std::string::npos, run.err.c_str());
    }
  }

  void diffListsChangedFields() {
    QCOMPARE(Cli({"new", "-o", Path("a.tbl")}).code, 0);
    QCOMPARE(Cli({"diff", Path("a.tbl"), Path("a.tbl")}).code, 0);
    CodePlugImage image = FactoryDefaultImage();
    StampCaption(image);
    image.SetWord(layout::CallTone2Freq(1, 2), 15000);
    QVERIFY(SaveTableFile(Path("b.tbl"), image, SaveKind::Save).ok);
    const auto run = Cli({"diff", Path("a.tbl"), Path("b.tbl")});
    QCOMPARE(run.code, 1);
    QVERIFY2(run.out.find("channels.F2.calls[2].tone2: 879.0 -> 1500.0") != std::string::npos, run.out.c_str());
  }

  void diffSeesBytesNoFieldShows() {
    CodePlugImage image = FactoryDefaultImage();
    StampCaption(image);
    QVERIFY(SaveTableFile(Path("c.tbl"), image, SaveKind::Save).ok);
    image[3] = 0x42;  // identity block, shown by no field
    QVERIFY(SaveTableFile(Path("d.tbl"), image, SaveKind::Save).ok);
    const auto run = Cli({"diff", Path("c.tbl"), Path("d.tbl")});
    QCOMPARE(run.code, 1);
    QVERIFY(run.out.find("byte 3: FF -> 42") != std::string::npos);
  }

  void usageErrorsAndHelp() {
    QCOMPARE(Cli({}).code, 2);
    QCOMPARE(Cli({"frobnicate"}).code, 2);
    QCOMPARE(Cli({"dump"}).code, 2);
    QCOMPARE(Cli({"new"}).code, 2);
    const auto help = Cli({"--help"});
    QCOMPARE(help.code, 0);
    for (const auto& verb : cli::AllVerbs()) {
      QVERIFY(help.out.find(verb.name) != std::string::npos);
      const auto verbHelp = Cli({verb.name, "--help"});
      QCOMPARE(verbHelp.code, 0);
      QVERIFY(verbHelp.out.find("Usage: " + verb.usage) != std::string::npos);
    }
  }
};

QTEST_GUILESS_MAIN(CliFilesTest)
#include "test_cli_files.moc"
