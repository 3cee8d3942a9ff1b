// SPDX-License-Identifier: GPL-3.0-or-later
// zt310 keys, get and set: the editor model driven from the command line.
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "CliRunner.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"

using namespace zt310;
using namespace zt310::layout;
using zt310::testing::CliRun;
using zt310::testing::RunZt310;

namespace {

CodePlugImage ReadImage(const std::string& path) {
  CodePlugImage image;
  std::ifstream file(path, std::ios::binary);
  file.read(reinterpret_cast<char*>(image.data()), layout::kImageSize);
  return image;
}

}  // namespace

class ChannelCliTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }
  std::string NewFile(const char* name) {
    const std::string path = Path(name);
    std::filesystem::remove(path);
    RunZt310({"new", "-o", path});
    return path;
  }

 private slots:
  void setChangesOneToneAndSaves() {
    const std::string file = NewFile("a.tbl");
    const CliRun run = RunZt310({"set", file, "edtF1T10=1000"});
    QCOMPARE(run.code, 0);
    QVERIFY(run.err.empty());
    const CodePlugImage image = ReadImage(file);
    QCOMPARE(image.GetWord(CallTone1Freq(0, 0)), std::uint16_t{10069});  // snapped under Standard
    QCOMPARE(image.GetWord(kImageChecksum), ComputeImageChecksum(image));
    QVERIFY(std::filesystem::exists(BackupPathFor(file)));
    // The stored Auto code became 12.5 kHz's when the file was loaded.
    QCOMPARE(RunZt310({"get", file, "edtF1T10", "chkF1Call0", "cboCSpaceF1"}).out, std::string("1006.9\n1\n12.5 K\n"));
  }

  // Every message is reported, each refusing its assignment: nothing is saved.
  void setReportsEveryMessageAndSavesNothing() {
    const std::string file = NewFile("b.tbl");
    const std::string out = Path("b2.tbl");
    const CliRun run = RunZt310({"set", file, "edtF1T20=1285.8", "edtF1T10=3000", "edtF1T10=1500", "-o", out});
    QCOMPARE(run.code, 1);
    std::istringstream lines(run.err);
    std::vector<std::string> said;
    for (std::string line; std::getline(lines, line);) said.push_back(line);
    QCOMPARE(said.size(), std::size_t(5));
    QVERIFY(said[0].rfind("ZT310: Tone Frequency Error!\\n\\nPlease check", 0) == 0);
    QVERIFY(said[0].find("\\nThe original tone frequency is restored.") != std::string::npos);
    QVERIFY(said[1].rfind("zt310 set: edtF1T20=1285.8 refused: the field's rules said: Tone Frequency Error!", 0) == 0);
    QCOMPARE(said[2], std::string("ZT310: Please insert a number between 288.5 to 2468.2"));
    QVERIFY(said[3].rfind("zt310 set: edtF1T10=3000 refused", 0) == 0);
    QCOMPARE(said[4], "zt310 set: nothing was saved; " + out + " was not written");
    QVERIFY(!std::filesystem::exists(out));
  }

  void setRefusesUnreachableControls() {
    const std::string file = NewFile("c.tbl");
    const CodePlugImage before = ReadImage(file);
    const CliRun run =
        RunZt310({"set", file, "edtF1T13=1000", "edtF1ATime0=5", "chkF1SA0=0", "chkF1Call3=1", "edtF1T13=1513.5"});
    QCOMPARE(run.code, 1);
    QVERIFY(run.err.find("edtF1T13 is disabled") != std::string::npos);
    QVERIFY(run.err.find("edtF1ATime0 is hidden") != std::string::npos);
    QVERIFY(run.err.find("chkF1SA0 is disabled") != std::string::npos);
    QVERIFY(run.err.find("ZT310") == std::string::npos);            // no editor message, only refusals
    QVERIFY(run.err.find("edtF1T13=1513.5") == std::string::npos);  // typed once call 4 was enabled
    QVERIFY(ReadImage(file).bytes() == before.bytes());
    // The reachable ones alone are saved.
    QCOMPARE(RunZt310({"set", file, "chkF1Call3=1", "edtF1T13=1513.5"}).code, 0);
    const CodePlugImage image = ReadImage(file);
    QCOMPARE(image.GetWord(CallTone1Freq(0, 3)), std::uint16_t{15135});
    QCOMPARE(image[CallEnableBits(0)], std::uint8_t{0x09});
    QCOMPARE(image[CallDutyBits(0, 0)], before[CallDutyBits(0, 0)]);
  }

  void setActsLikeAUserOnEachKindOfControl() {
    const std::string file = NewFile("d.tbl");
    const CliRun run =
        RunZt310({"set", file, "radToneSystem1=1", "cboCSpaceF2=2.5 K", "edtF2Freq=1620025", "chkEnableAlertTime=1",
                  "cboF1ATime0=FIXED", "edtF1ATime0=2.5", "cboF1TType0=User define", "edtF1Patten0=ab"});
    QCOMPARE(run.code, 0);
    QVERIFY2(run.err.empty(), run.err.c_str());
    const CodePlugImage image = ReadImage(file);
    QCOMPARE(image[kToneSystem], std::uint8_t{254});
    QCOMPARE(image[RfSpacingCode(1)], std::uint8_t{32});
    QCOMPARE(image.GetLong(RfReferenceWord(1)), 0x00082F11u);
    QCOMPARE(image[kFixedAlertTimeAllowed], std::uint8_t{254});
    QCOMPARE(image[CallAlertTime(0, 0)], std::uint8_t{5});
    QCOMPARE(image[CallPattern(0, 0)], std::uint8_t{0x12});
    QCOMPARE(image[CallPattern(0, 0) + 1], std::uint8_t{0x00});
  }

  void keyFilterMessagesAndTypingStopsWhenFocusLeaves() {
    const std::string file = NewFile("e.tbl");
    const CliRun run = RunZt310({"set", file, "edtF1Freq=15x25000"});
    QCOMPARE(run.code, 1);
    QCOMPARE(run.err,
             "Warning!: Please insert a numeric  !\n"
             "zt310 set: edtF1Freq takes no 'x': edtF1Freq=15x25000 refused (keys dropped: 'x'; the field "
             "received \"1525000\")\n"
             "zt310 set: nothing was saved; " +
                 file + " is left as it was\n");
    QCOMPARE(RunZt310({"get", file, "edtF1Freq"}).out, std::string("1520000\n"));  // the cut 1525000 is not stored
  }

  // set stores what it was told or says why not: a squelch voltage beyond
  // its byte, keys a field drops without a message.
  void setRefusesWhatItCannotStore_data() {
    QTest::addColumn<QString>("assignment");
    QTest::addColumn<QString>("said");
    QTest::newRow("squelch above 2.55 V") << "edtSquLevel8=2.60"
                                          << "ZT310: Please insert a number between 0.02 to 2.55 !";
    QTest::newRow("tone nan") << "edtF1T10=nan"
                              << "zt310 set: edtF1T10 takes no 'n'";
    QTest::newRow("full-width digits") << "edtF1T10=\xef\xbc\x91\xef\xbc\x90\xef\xbc\x90\xef\xbc\x90"
                                       << "zt310 set: edtF1T10 takes no '\\xEF'";
    QTest::newRow("one decimal too many") << "edtF1T10=1000.55"
                                          << "zt310 set: edtF1T10 takes no '5'";
  }
  void setRefusesWhatItCannotStore() {
    QFETCH(QString, assignment);
    QFETCH(QString, said);
    CodePlugImage image = FactoryImageForChannels(false);
    image[kNrssiThreshold] = 0xFF;  // NRSSI 2.99 V: the squelch voltages may go above 2.55 V
    const std::string file = Path("limits.tbl");
    QVERIFY(SaveTableFile(file, image, SaveKind::Save).ok);
    const CodePlugImage before = ReadImage(file);
    const CliRun run = RunZt310({"set", file, assignment.toUtf8().toStdString()});
    QCOMPARE(run.code, 1);
    QVERIFY2(run.err.find(said.toUtf8().toStdString()) != std::string::npos, run.err.c_str());
    const CodePlugImage after = ReadImage(file);
    QCOMPARE(after[kSquelchTable + 8], before[kSquelchTable + 8]);
    QCOMPARE(after.GetWord(CallTone1Freq(0, 0)), before.GetWord(CallTone1Freq(0, 0)));
    QCOMPARE(RunZt310({"set", file, "edtSquLevel8=2.55"}).code, 0);
    QCOMPARE(int(ReadImage(file)[kSquelchTable + 8]), 255);
  }

  // A blank pager's frequency digits (0xFF) are no number: loading it asks
  // nobody to type one, and the stored words stay.
  void loadingDamagedFrequencyDigitsShowsNoKeyMessage() {
    CodePlugImage image = FactoryImageForChannels(false);
    std::fill(image.data() + RfFrequency(0), image.data() + RfFrequency(0) + 7, 0xFF);
    const std::string file = Path("blank.tbl");
    QVERIFY(SaveTableFile(file, image, SaveKind::Save).ok);
    const CliRun run = RunZt310({"get", file, "lblF1PLLN"});
    QCOMPARE(run.code, 0);
    QVERIFY2(run.err.empty(), run.err.c_str());
    QCOMPARE(RunZt310({"set", file, "edtF1T10=1000"}).code, 0);
    const CodePlugImage after = ReadImage(file);
    QVERIFY(
        std::equal(image.data() + RfFrequency(0), image.data() + RfFrequency(0) + 7, after.data() + RfFrequency(0)));
    QCOMPARE(after.GetLong(RfDividerWord(0)), image.GetLong(RfDividerWord(0)));
  }

  void usageAndFileErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown control") << QStringList{"set", "FILE", "edtNoSuch=1"};
    QTest::newRow("not an assignment") << QStringList{"set", "FILE", "edtF1T10"};
    QTest::newRow("list item unknown") << QStringList{"set", "FILE", "cboCSpaceF1=5 K"};
    QTest::newRow("box value") << QStringList{"set", "FILE", "chkF1Call1=yes"};
    QTest::newRow("radio off") << QStringList{"set", "FILE", "radToneSystem0=0"};
    QTest::newRow("label") << QStringList{"set", "FILE", "lblF1PLLR=0"};
    QTest::newRow("missing file") << QStringList{"set", "MISSING", "edtF1T10=1000"};
    QTest::newRow("get unknown") << QStringList{"get", "FILE", "edtNoSuch"};
    QTest::newRow("keys missing file") << QStringList{"keys", "MISSING"};
  }
  void usageAndFileErrors() {
    QFETCH(QStringList, args);
    const std::string file = NewFile("f.tbl");
    const CodePlugImage before = ReadImage(file);
    std::vector<std::string> argv;
    for (const QString& arg : args) {
      argv.push_back(arg == "FILE" ? file : arg == "MISSING" ? Path("missing.tbl") : arg.toStdString());
    }
    const CliRun run = RunZt310(argv);
    QCOMPARE(run.code, 2);
    QVERIFY(!run.err.empty());
    QVERIFY(ReadImage(file) == before);
    QVERIFY(!std::filesystem::exists(BackupPathFor(file)));
  }

  void keysListsEveryControlWithItsState() {
    const std::string file = NewFile("g.tbl");
    const CliRun run = RunZt310({"keys", file});
    QCOMPARE(run.code, 0);
    QVERIFY(run.out.find("edtF1T10\t1285.8\n") != std::string::npos);
    QVERIFY(run.out.find("chkF1Call0\t1\n") != std::string::npos);
    QVERIFY(run.out.find("edtF2T13\t1285.8\t(disabled)\n") != std::string::npos);
    QVERIFY(run.out.find("cboBandWidth\t0.7\n") != std::string::npos);
    QVERIFY(run.out.find("lblF1PLLN\t00146800\n") != std::string::npos);
    const auto lines = std::count(run.out.begin(), run.out.end(), '\n');
    QVERIFY(lines > 400);
  }
};

QTEST_GUILESS_MAIN(ChannelCliTest)
#include "test_channel_cli.moc"
