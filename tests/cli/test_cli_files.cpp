// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <sys/stat.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <sstream>

#include "CliRunner.h"
#include "TestData.h"
#include "codeplug/TableFile.h"

using namespace zt310;
using namespace zt310::testing;

class CliFilesTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  std::string Path(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }

 private slots:
  void newWritesTheStampedFactoryDefault() {
    const auto run = RunZt310({"new", "-o", Path("new.tbl")});
    QCOMPARE(run.code, 0);
    const auto bytes = *ReadFileBytes(Path("new.tbl"), nullptr);
    QCOMPARE(bytes.size(), std::size_t{512});
    QCOMPARE(int{bytes[496]}, 0x93);
    QCOMPARE(int{bytes[497]}, 0x9A);
    QCOMPARE(std::string(bytes.begin() + 498, bytes.begin() + 510), std::string("ZT310 V1.3.9"));
    QVERIFY2(bytes == TestDataBytes(kFactoryFile), "zt310 new no longer makes tests/data/factory.tbl");
  }

  // The stored files load as what they were made to be: a file read from an
  // old-timing or a single-channel pager shows its firmware and channels,
  // the tone system and the band chosen through the editor stay chosen.
  void storedFilesShowWhatTheyWereMadeAs_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("shown");  // lblVersion, radToneSystem2, chkNB, chkOneChannel
    QTest::newRow("factory") << kFactoryFile << "FirmVer. 0.0.0\n0\n0\n0";
    QTest::newRow("old timing") << kOldTimingFile << "FirmVer. 1.0.5\n0\n0\n0";
    QTest::newRow("one channel") << kOneChannelFile << "FirmVer. 5.0.0\n0\n0\n1";
    QTest::newRow("Plectron") << kPlectronFile << "FirmVer. 0.0.0\n1\n0\n0";
    QTest::newRow("narrow band") << kNarrowBandFile << "FirmVer. 0.0.0\n0\n1\n0";
  }
  void storedFilesShowWhatTheyWereMadeAs() {
    QFETCH(QString, file);
    QFETCH(QString, shown);
    const auto run =
        RunZt310({"get", TestDataPath(file.toStdString()), "lblVersion", "radToneSystem2", "chkNB", "chkOneChannel"});
    QCOMPARE(run.code, 0);
    QCOMPARE(QString::fromStdString(run.out), shown + "\n");
    QVERIFY2(run.err.empty(), run.err.c_str());
  }

  void dumpJsonHasTheStableFields() {
    QCOMPARE(RunZt310({"new", "-o", Path("j.tbl")}).code, 0);
    const auto run = RunZt310({"dump", Path("j.tbl"), "--json"});
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
    for (const char* key : {"tone2", "tone_type", "alert_pattern", "alert_time", "priority"})
      QVERIFY(call.contains(key));
    const auto group = f1["group_calls"].toArray()[3].toObject();
    for (const char* key : {"enabled", "tone", "tone_type", "alert_pattern", "alert_time", "priority"}) {
      QVERIFY(group.contains(key));
    }
  }

  void dumpHexPrints32Rows() {
    QCOMPARE(RunZt310({"new", "-o", Path("h.tbl")}).code, 0);
    const auto run = RunZt310({"dump", Path("h.tbl"), "--hex"});
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
      const auto run = RunZt310(verb);
      QCOMPARE(run.code, 2);
      QVERIFY2(run.err.find(message.toStdString()) != std::string::npos, run.err.c_str());
    }
  }

  void diffListsChangedFields() {
    QCOMPARE(RunZt310({"new", "-o", Path("a.tbl")}).code, 0);
    QCOMPARE(RunZt310({"diff", Path("a.tbl"), Path("a.tbl")}).code, 0);
    CodePlugImage image = FactoryDefaultImage();
    StampCaption(image);
    image.SetWord(layout::CallTone2Freq(1, 2), 15000);
    QVERIFY(SaveTableFile(Path("b.tbl"), image, SaveKind::Save).ok);
    const auto run = RunZt310({"diff", Path("a.tbl"), Path("b.tbl")});
    QCOMPARE(run.code, 1);
    QVERIFY2(run.out.find("channels.F2.calls[2].tone2: 879.0 -> 1500.0") != std::string::npos, run.out.c_str());
  }

  void diffSeesBytesNoFieldShows() {
    CodePlugImage image = FactoryDefaultImage();
    StampCaption(image);
    QVERIFY(SaveTableFile(Path("c.tbl"), image, SaveKind::Save).ok);
    image[3] = 0x42;  // identity block, shown by no field
    QVERIFY(SaveTableFile(Path("d.tbl"), image, SaveKind::Save).ok);
    const auto run = RunZt310({"diff", Path("c.tbl"), Path("d.tbl")});
    QCOMPARE(run.code, 1);
    QVERIFY(run.out.find("byte 3: FF -> 42") != std::string::npos);
  }

  // dump and diff show what the file stores, not what "Open" would make of it.
  void dumpAndDiffShowTheFileAsStored() {
    QCOMPARE(RunZt310({"new", "-o", Path("n.tbl")}).code, 0);
    const auto json =
        QJsonDocument::fromJson(QByteArray::fromStdString(RunZt310({"dump", Path("n.tbl"), "--json"}).out));
    const auto checksum = json.object()["checksum"].toObject();
    QCOMPARE(checksum["computed"].toString(), checksum["stored"].toString());
    QVERIFY(RunZt310({"dump", Path("n.tbl"), "--hex"}).out.find("128 0080: 32 3A 32 3A 32 3A 32 3A FF") !=
            std::string::npos);

    auto bytes = *ReadFileBytes(Path("n.tbl"), nullptr);
    for (const int offset : {136, 411, 412}) {
      auto changed = bytes;
      changed[static_cast<std::size_t>(offset)] = changed[static_cast<std::size_t>(offset)] == 0 ? 1 : 0;
      QFile file(QString::fromStdString(Path("m.tbl")));
      QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(reinterpret_cast<const char*>(changed.data()), static_cast<qint64>(changed.size()));
      file.close();
      QVERIFY2(RunZt310({"diff", Path("n.tbl"), Path("m.tbl")}).code == 1, std::to_string(offset).c_str());
    }
  }

  // Any bytes in the text fields: JSON stays valid UTF-8, plain text one field a line.
  void dumpOfAnyBytes() {
    CodePlugImage image = FactoryDefaultImage();
    StampCaption(image);
    const std::uint8_t odd[] = {'A', 0xFF, '\n', 0x01, '"', 0x80, 'B', 0xC3, '\\', 0x7F, 'C', 'D', 'E', 'F'};
    std::copy(std::begin(odd), std::end(odd), image.data() + layout::kSerialNumber);
    image.SetWord(layout::kSerialChecksum, ComputeSerialChecksum(image));
    image[layout::kFirmwareMajor] = 0xC3;
    QVERIFY(SaveTableFile(Path("odd.tbl"), image, SaveKind::Save).ok);

    const auto json = RunZt310({"dump", Path("odd.tbl"), "--json"});
    QCOMPARE(json.code, 0);
    QVERIFY(QString::fromUtf8(json.out).toUtf8() == QByteArray::fromStdString(json.out));  // valid UTF-8
    QJsonParseError error{};
    QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);

    const auto plain = RunZt310({"dump", Path("odd.tbl")});
    std::istringstream lines(plain.out);
    std::string line;
    while (std::getline(lines, line)) {
      QVERIFY2(line.find(" = ") != std::string::npos, line.c_str());
      for (const char c : line) QVERIFY(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F);
    }
  }

  // keys and get print printable ASCII whatever the serial number holds, and
  // their JSON parses, giving each byte as dump --json gives it.
  void keysAndGetOfAnyBytes() {
    CodePlugImage image = FactoryDefaultImage();
    StampCaption(image);
    const std::uint8_t odd[] = {'A', 0xFF, '\n', 0x01, '"', 0x80, 'B', 0xC3, '\\', 0x7F, 'C', 0x0D, 'E', 'F'};
    std::copy(std::begin(odd), std::end(odd), image.data() + layout::kSerialNumber);
    image.SetWord(layout::kSerialChecksum, ComputeSerialChecksum(image));
    QVERIFY(SaveTableFile(Path("oddkeys.tbl"), image, SaveKind::Save).ok);
    const QString serial = QString::fromLatin1(reinterpret_cast<const char*>(odd), sizeof odd);

    const auto keys = RunZt310({"keys", Path("oddkeys.tbl")});
    QCOMPARE(keys.code, 0);
    for (const char c : keys.out) {
      const auto byte = static_cast<unsigned char>(c);
      QVERIFY2(c == '\n' || c == '\t' || (byte >= 0x20 && byte < 0x7F), keys.out.c_str());
    }
    const auto get = RunZt310({"get", Path("oddkeys.tbl"), "edtSerialNo", "edtRFDelay"});
    QCOMPARE(QString::fromStdString(get.out), QString("A\\xFF\\n\\x01\"\\x80B\\xC3\\x5C\\x7FC\\x0DEF\n35\n"));

    const auto dump =
        QJsonDocument::fromJson(QByteArray::fromStdString(RunZt310({"dump", Path("oddkeys.tbl"), "--json"}).out));
    QCOMPARE(dump.object()["serial_number"].toString(), serial);
    const auto keysJson = RunZt310({"keys", Path("oddkeys.tbl"), "--json"});
    QCOMPARE(keysJson.code, 0);
    QJsonParseError error{};
    const auto keysDocument = QJsonDocument::fromJson(QByteArray::fromStdString(keysJson.out), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(keysDocument.object()["file"].toString(), QString::fromStdString(Path("oddkeys.tbl")));
    bool found = false;
    for (const auto& control : keysDocument.object()["controls"].toArray()) {
      if (control.toObject()["name"].toString() != "edtSerialNo") continue;
      found = true;
      QCOMPARE(control.toObject()["value"].toString(), serial);
      QCOMPARE(control.toObject()["kind"].toString(), QString("edit"));
    }
    QVERIFY(found);
    const auto getJson = RunZt310({"get", Path("oddkeys.tbl"), "edtSerialNo", "chkF1Call0", "--json"});
    QCOMPARE(getJson.code, 0);
    const auto values =
        QJsonDocument::fromJson(QByteArray::fromStdString(getJson.out), &error).object()["values"].toObject();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(values["edtSerialNo"].toString(), serial);
    QCOMPARE(values["chkF1Call0"].toString(), QString("1"));

    // An error is an object too.
    const auto unknown = RunZt310({"get", Path("oddkeys.tbl"), "edtNoSuch", "--json"});
    QCOMPARE(unknown.code, 2);
    const auto failed = QJsonDocument::fromJson(QByteArray::fromStdString(unknown.out), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(failed["outcome"].toString(), QString("error"));
    QVERIFY(failed["failure"].toString().contains("edtNoSuch"));
  }

  // One channel and the reset method decode as the editor shows them.
  void decodedChannelModeAndResetFollowTheEditor_data() {
    QTest::addColumn<int>("byte11");
    QTest::addColumn<int>("byte397");
    QTest::addColumn<int>("firmware");
    QTest::addColumn<bool>("untilPress");
    QTest::addColumn<QString>("oneChannel");
    QTest::addColumn<QString>("reset");
    QTest::newRow("marker 11") << 254 << 255 << 130 << false << "1"
                               << "Manual RESET";
    QTest::newRow("marker 397") << 255 << 254 << 130 << false << "1"
                                << "Manual RESET";
    QTest::newRow("firmware 5.0.0") << 255 << 255 << 500 << true << "1"
                                    << "Manual RESET Until Press Reset";
    QTest::newRow("two channel, 2.1.0") << 255 << 255 << 210 << true << "0"
                                        << "Manual RESET Until Press Reset";
    QTest::newRow("two channel, 2.0.9") << 255 << 255 << 209 << true << "0"
                                        << "Manual RESET";
  }
  void decodedChannelModeAndResetFollowTheEditor() {
    QFETCH(int, byte11);
    QFETCH(int, byte397);
    QFETCH(int, firmware);
    QFETCH(bool, untilPress);
    QFETCH(QString, oneChannel);
    QFETCH(QString, reset);
    CodePlugImage image = FactoryDefaultImage();
    StampCaption(image);
    image[layout::kSingleChannelMarker] = static_cast<std::uint8_t>(byte11);
    image[layout::kSingleChannelMarker2] = static_cast<std::uint8_t>(byte397);
    image[layout::kFirmwareMajor] = static_cast<std::uint8_t>(firmware / 100);
    image[layout::kFirmwareMinor] = static_cast<std::uint8_t>(firmware / 10 % 10);
    image[layout::kFirmwarePatch] = static_cast<std::uint8_t>(firmware % 10);
    image[layout::kResetMode] = 3;
    image.SetBit(layout::kReceiverFlags, layout::kFlagPlainManualResetBit, !untilPress);
    QVERIFY(SaveTableFile(Path("mode.tbl"), image, SaveKind::Save).ok);
    const auto run = RunZt310({"dump", Path("mode.tbl")});
    QVERIFY(run.out.find("setting.one_channel = " + oneChannel.toStdString() + "\n") != std::string::npos);
    QVERIFY2(run.out.find("setting.reset_control = " + reset.toStdString() + "\n") != std::string::npos,
             run.out.c_str());
  }

  // Files are read up to 513 bytes; what is not a regular file is refused at once.
  void onlyRegularFilesAreRead() {
    const std::string fifo = Path("pipe.tbl");
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path :
         {fifo, std::string("/dev/zero"), std::string("/dev/null"), dir_.path().toStdString()}) {
      for (const auto& verb : {std::vector<std::string>{"dump", path}, {"get", path, "edtRFDelay"}}) {
        const auto run = RunZt310(verb);
        QCOMPARE(run.code, 2);
        QVERIFY2(run.err.find(path) != std::string::npos, run.err.c_str());
      }
    }
    QCOMPARE(RunZt310({"new", "-o", Path("long.tbl")}).code, 0);
    QFile file(QString::fromStdString(Path("long.tbl")));
    QVERIFY(file.open(QIODevice::Append));
    file.write(QByteArray(1 << 20, 'x'));
    file.close();
    QCOMPARE(ReadFileBytes(Path("long.tbl"), nullptr)->size(), kMaxTableFileRead);
    QCOMPARE(RunZt310({"dump", Path("long.tbl")}).code, 0);
  }

  void messagesNameTheFile() {
    QFile file(QString::fromStdString(Path("x.tbl")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(512, '\0'));
    file.close();
    for (const auto& verb : {std::vector<std::string>{"dump", Path("x.tbl")},
                             {"get", Path("x.tbl"), "edtRFDelay"},
                             {"set", Path("x.tbl"), "edtRFDelay=3"}}) {
      QCOMPARE(RunZt310(verb).err, Path("x.tbl") + ": The file is not ZT310 code-plug file.\n");
    }
  }

  void optionsEndAtDoubleDash() {
    const auto notHelp = RunZt310({"dump", "--", "-h"});  // a file named -h, not a help request
    QCOMPARE(notHelp.code, 2);
    QVERIFY(notHelp.err.find("Cannot read \"-h\"") != std::string::npos);
    QCOMPARE(RunZt310({"new", "-o", Path("-h")}).code, 0);
    const auto run = RunZt310({"dump", "--", Path("-h")});
    QCOMPARE(run.code, 0);
    QVERIFY(run.out.find("firmware = ") != std::string::npos);
    QCOMPARE(RunZt310({"diff", "--", Path("-h"), Path("-h")}).code, 0);
  }

  void usageErrorsAndHelp() {
    QCOMPARE(RunZt310({}).code, 2);
    QCOMPARE(RunZt310({"frobnicate"}).code, 2);
    QCOMPARE(RunZt310({"dump"}).code, 2);
    QCOMPARE(RunZt310({"new"}).code, 2);
    const auto help = RunZt310({"--help"});
    QCOMPARE(help.code, 0);
    for (const auto& verb : cli::AllVerbs()) {
      QVERIFY(help.out.find(verb.name) != std::string::npos);
      const auto verbHelp = RunZt310({verb.name, "--help"});
      QCOMPARE(verbHelp.code, 0);
      QVERIFY(verbHelp.out.find("Usage: " + verb.usage) != std::string::npos);
    }
  }
};

QTEST_GUILESS_MAIN(CliFilesTest)
#include "test_cli_files.moc"
