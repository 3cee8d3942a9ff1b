// SPDX-License-Identifier: GPL-3.0-or-later
// zt310 read, write, verify and produce against the simulated pager: exit
// codes, stderr, the files they leave, and the questions answered by --yes.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <streambuf>

#include "CliRunner.h"
#include "SimFixture.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/Operations.h"

using namespace zt310;
using namespace zt310::layout;
using namespace zt310::testing;

namespace {

// The day's logs of a folder; the production record lies beside them.
std::vector<std::filesystem::path> DailyLogs(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> logs;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".log") logs.push_back(entry.path());
  }
  return logs;
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void Store(const std::string& path, const CodePlugImage& image) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), kImageSize);
}

int WritesSent(sim::PagerSimulator& pager) {
  int writes = 0;
  for (const sim::SimRequest& request : pager.Requests()) writes += request.description.rfind("write", 0) == 0;
  return writes;
}

// Standard input whose next line is only read after the previous one was
// used: between two lines the test swaps the pager in the cradle.
class LineByLine : public std::streambuf {
 public:
  LineByLine(std::vector<std::string> lines, std::function<void(std::size_t)> beforeLine)
      : lines_(std::move(lines)), beforeLine_(std::move(beforeLine)) {}

 protected:
  int_type underflow() override {
    if (next_ == lines_.size()) return traits_type::eof();
    beforeLine_(next_);
    current_ = lines_[next_++] + "\n";
    setg(current_.data(), current_.data(), current_.data() + current_.size());
    return traits_type::to_int_type(current_[0]);
  }

 private:
  std::vector<std::string> lines_;
  std::function<void(std::size_t)> beforeLine_;
  std::size_t next_ = 0;
  std::string current_;
};

// Milliseconds of the trace lines that send a frame, with the frame's bytes.
std::vector<std::pair<int, std::string>> SentFrames(const std::string& trace) {
  std::vector<std::pair<int, std::string>> frames;
  std::istringstream lines(trace);
  std::string line;
  while (std::getline(lines, line)) {
    const auto sent = line.find(" > ");
    if (line.empty() || line[0] == '#' || sent == std::string::npos) continue;
    frames.emplace_back(std::stoi(line), line.substr(sent + 3));
  }
  return frames;
}

// Every line of OUT parsed as one JSON object; a line that is no object fails.
std::vector<QJsonObject> JsonLines(const std::string& out) {
  std::vector<QJsonObject> objects;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
      qWarning("not a JSON object: %s", line.c_str());
      return {};
    }
    objects.push_back(document.object());
  }
  return objects;
}

QJsonObject OneJsonObject(const CliRun& run) {
  const std::vector<QJsonObject> objects = JsonLines(run.out);
  if (objects.size() != 1) qWarning("%zu JSON objects in: %s", objects.size(), run.out.c_str());
  return objects.size() == 1 ? objects[0] : QJsonObject();
}

}  // namespace

class OperationsCliTest : public QObject {
  Q_OBJECT
 private slots:
  // Every test runs in a fresh current directory: errtbl.tbl and the logs go there.
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_->path().toStdString());
  }
  void cleanup() {
    std::filesystem::current_path(previous_);
    dir_.reset();
  }

  void readWriteVerifyRoundTrip() {
    RunningSim pager;
    const std::string port = pager.device().toStdString();
    const CliRun read = RunZt310({"read", "--port", port, "-o", "pager.tbl"});
    QCOMPARE(read.code, cli::kExitOk);
    QVERIFY(Contains(read.err, "Read Success !"));
    // What "Save As ..." stores: the pager's bytes as the editor shows them,
    // with byte 136 cleared.
    const CodePlugImage memory = pager->Memory();
    const std::string file = FileText("pager.tbl");
    const auto bytes = [](const CodePlugImage& image, int from, int to) {
      return std::string(reinterpret_cast<const char*>(image.data()) + from, static_cast<std::size_t>(to - from));
    };
    QCOMPARE(file.size(), std::size_t(kImageSize));
    QCOMPARE(file.substr(0, 16), bytes(memory, 0, 16));
    QCOMPARE(file.substr(48, kNarrowBandMarker - 48), bytes(memory, 48, kNarrowBandMarker));
    QCOMPARE(int(file[kNarrowBandMarker]), 0);

    QCOMPARE(RunZt310({"write", "--port", port, "pager.tbl"}).code, cli::kExitOk);
    const CliRun verify = RunZt310({"verify", "--port", port, "pager.tbl"});
    QCOMPARE(verify.code, cli::kExitOk);
    QVERIFY(Contains(verify.err, "Verify Success !"));

    CodePlugImage other = FactoryImageForChannels(false);
    other[300] ^= 1;
    std::ofstream("other.tbl", std::ios::binary).write(reinterpret_cast<const char*>(other.data()), kImageSize);
    const CliRun differs = RunZt310({"verify", "--port", port, "other.tbl"});
    QCOMPARE(differs.code, cli::kExitFailed);
    QVERIFY(Contains(differs.err, "Verify Fail !"));
  }

  void bandQuestionIsRefusedUnlessYes() {
    sim::SimOptions options;
    options.narrowBand = true;
    RunningSim pager(options);
    const std::string port = pager.device().toStdString();
    CodePlugImage image = FactoryImageForChannels(false);
    std::ofstream("wide.tbl", std::ios::binary).write(reinterpret_cast<const char*>(image.data()), kImageSize);

    const CliRun refused = RunZt310({"write", "--port", port, "wide.tbl"});
    QCOMPARE(refused.code, cli::kExitFailed);
    QVERIFY(Contains(refused.err, "Are you sure to switch NB to WB ?"));
    QCOMPARE(pager->Requests().size(), std::size_t(3));

    const CliRun accepted = RunZt310({"write", "--port", port, "wide.tbl", "--yes"});
    QCOMPARE(accepted.code, cli::kExitOk);
    QCOMPARE(int(pager->Memory()[kBand]), 255);
  }

  void failedReadLeavesTheDumpHere() {
    RunningSim pager(SimFault(sim::FaultKind::Corrupt, 5));
    const CliRun read = RunZt310({"read", "--port", pager.device().toStdString(), "-o", "pager.tbl"});
    QCOMPARE(read.code, cli::kExitFailed);
    QVERIFY(Contains(read.err, "Read Fail !"));
    QVERIFY(!std::filesystem::exists("pager.tbl"));
    QCOMPARE(std::filesystem::file_size(kErrorDumpName), std::uintmax_t(1024));
  }

  void produceRunsOncePerLine() {
    RunningSim pager;
    const std::string port = pager.device().toStdString();
    CodePlugImage image = FactoryImageForChannels(false);
    std::ofstream("line.tbl", std::ios::binary).write(reinterpret_cast<const char*>(image.data()), kImageSize);
    std::filesystem::create_directory("logs");

    const CliRun run =
        RunZt310({"produce", "--port", port, "line.tbl", "--log-dir", "logs"}, "AB1234567890\n\n  AB1234567891  \n");
    QCOMPARE(run.code, cli::kExitOk);
    QCOMPARE(SerialNumberText(pager->Memory()).value_or(""), std::string("AB1234567891"));
    const std::vector<std::filesystem::path> logs = DailyLogs("logs");
    QCOMPARE(logs.size(), std::size_t(1));
    const std::string log = FileText(logs.front());
    QVERIFY(Contains(log, "Serial No. = AB1234567890  Write Success !\r\n"));
    QVERIFY(Contains(log, "Serial No. = AB1234567891  Write Success !\r\n"));

    const CliRun tooLong = RunZt310({"produce", "--port", port, "line.tbl", "--serial", "AB1234567890123"});
    QCOMPARE(tooLong.code, cli::kExitFailed);
    QVERIFY(Contains(tooLong.err, "AB1234567890123"));
    QCOMPARE(SerialNumberText(pager->Memory()).value_or(""), std::string("AB1234567891"));
  }

  // verify FILE right after write FILE, and verify X right after read -o X,
  // on old timing, 1.1.5, single-channel 5.0.0 and current firmware: each
  // verb is a fresh process that knows only FILE and the pager.
  void verifyAfterWriteAndAfterRead_data() {
    QTest::addColumn<int>("firmware");
    QTest::addColumn<bool>("singleChannel");
    QTest::addColumn<bool>("narrowBand");
    QTest::newRow("1.0.5 old timing") << 105 << false << false;
    QTest::newRow("1.1.5") << 115 << false << false;
    QTest::newRow("5.0.0 single channel") << 500 << true << false;
    QTest::newRow("1.3.0 current") << 130 << false << false;
    QTest::newRow("1.3.0 narrow band pager") << 130 << false << true;
  }
  void verifyAfterWriteAndAfterRead() {
    QFETCH(int, firmware);
    QFETCH(bool, singleChannel);
    QFETCH(bool, narrowBand);
    sim::SimOptions options;
    options.firmware = std::array<int, 3>{firmware / 100, firmware / 10 % 10, firmware % 10};
    options.singleChannel = singleChannel;
    options.narrowBand = narrowBand;
    options.serial = "SN0001234567";
    RunningSim pager(options);
    const std::string port = pager.device().toStdString();
    // GAP MAX. 9 and an audio gain: Write converts and clears what the pager needs.
    CodePlugImage image = FactoryImageForChannels(singleChannel);
    image[kGapMax] = 9;
    image[kAudioGain] = 8;
    Store("f.tbl", image);

    for (int round = 0; round < 2; ++round) {  // the second write meets the first one's band bytes
      const CliRun write = RunZt310({"write", "--port", port, "f.tbl", "--yes"});
      QCOMPARE(write.code, cli::kExitOk);
      const int writes = WritesSent(*pager);
      const CliRun verify = RunZt310({"verify", "--port", port, "f.tbl"});
      QVERIFY2(verify.code == cli::kExitOk, verify.err.c_str());
      QVERIFY(Contains(verify.err, "Verify Success !"));
      QCOMPARE(WritesSent(*pager), writes);
    }

    QCOMPARE(RunZt310({"read", "--port", port, "-o", "r.tbl"}).code, cli::kExitOk);
    const CliRun verifyRead = RunZt310({"verify", "--port", port, "r.tbl"});
    QVERIFY2(verifyRead.code == cli::kExitOk, verifyRead.err.c_str());
    QCOMPARE(RunZt310({"write", "--port", port, "r.tbl", "--yes"}).code, cli::kExitOk);
    QCOMPARE(RunZt310({"verify", "--port", port, "r.tbl"}).code, cli::kExitOk);

    // A pager that lost one byte is still caught, and the byte is named.
    CodePlugImage memory = pager->Memory();
    memory[300] ^= 1;
    pager->SetMemory(memory);
    const CliRun differs = RunZt310({"verify", "--port", port, "r.tbl"});
    QCOMPARE(differs.code, cli::kExitFailed);
    QVERIFY2(Contains(differs.err, "r.tbl differs from the pager at byte 300: the pager holds 0x"),
             differs.err.c_str());
  }

  void verifyPausesBetweenRequests() {
    UseTestLinkTiming();
    const PagerTimingScope pagerTiming;
    RunningSim pager;
    const std::string port = pager.device().toStdString();
    Store("f.tbl", FactoryImageForChannels(false));
    QCOMPARE(RunZt310({"write", "--port", port, "f.tbl"}).code, cli::kExitOk);
    QCOMPARE(RunZt310({"verify", "--port", port, "f.tbl", "--trace", "verify.trace"}).code, cli::kExitOk);
    // probe, identity, band, serial number, then the blocks: the serial
    // number and the first block each come 100 ms after the request before.
    const auto frames = SentFrames(FileText("verify.trace"));
    QVERIFY(frames.size() > 5);
    QVERIFY(Contains(frames[3].second, "33 52 03 01 A0 10"));
    QVERIFY2(frames[3].first - frames[2].first >= 100, "no pause before the serial number");
    QVERIFY2(frames[4].first - frames[3].first >= 100, "no pause before the blocks");
  }

  // A single-channel pager refuses the two-channel FILE; the next pager,
  // a two-channel one, still gets FILE as it was loaded.
  void produceStartsEveryPagerFromTheFile() {
    sim::SimOptions single;
    single.singleChannel = true;
    RunningSim pager(single);
    const CodePlugImage twoChannelPager = sim::InitialMemory({});
    Store("line.tbl", FactoryImageForChannels(false));
    std::filesystem::create_directory("logs");

    LineByLine lines({"AB1234567890", "AB1234567891"}, [&](std::size_t line) {
      if (line == 1) pager->SetMemory(twoChannelPager);
    });
    std::istream in(&lines);
    const CliRun run =
        RunZt310({"produce", "--port", pager.device().toStdString(), "line.tbl", "--log-dir", "logs"}, in);
    QCOMPARE(run.code, cli::kExitFailed);  // the first pager was refused
    QVERIFY(Contains(run.err, kSingleChannelPagerText));
    // A one-channel copy, never the production master edited in place.
    QVERIFY(Contains(run.err, "zt310 set line.tbl chkOneChannel=1 -o ONE-CHANNEL.tbl"));
    const CodePlugImage written = pager->Memory();
    QCOMPARE(int(written[kSingleChannelMarker2]), int(kMarkerOff));
    QCOMPARE(SerialNumberText(written).value_or(""), std::string("AB1234567891"));
    const std::vector<std::filesystem::path> logs = DailyLogs("logs");
    QCOMPARE(logs.size(), std::size_t(1));
    const std::string log = FileText(logs.front());
    QVERIFY(!Contains(log, "AB1234567890"));
    QVERIFY(Contains(log, "Serial No. = AB1234567891  Write Success !\r\n"));
  }

  // Anything but 11 to 14 printable ASCII characters is refused before the
  // pager is asked anything, and nothing is logged.
  void produceRefusesSerialsThatAreNotText_data() {
    QTest::addColumn<QByteArray>("serial");
    QTest::newRow("tab inside") << QByteArray("AB12345\t67890");
    QTest::newRow("blank inside") << QByteArray("AB12345 67890");
    QTest::newRow("control character") << QByteArray(
        "AB12345\x01"
        "67890");
    QTest::newRow("0xFF byte") << QByteArray(
        "AB\xff"
        "1234567890");
    QTest::newRow("UTF-8 letters, 12 bytes") << QByteArray("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9");
    QTest::newRow("15 characters") << QByteArray("AB1234567890123");
    QTest::newRow("10 characters") << QByteArray("AB12345678");
  }
  void produceRefusesSerialsThatAreNotText() {
    QFETCH(QByteArray, serial);
    RunningSim pager;
    Store("line.tbl", FactoryImageForChannels(false));
    const CliRun run =
        RunZt310({"produce", "--port", pager.device().toStdString(), "line.tbl", "--serial", serial.toStdString()});
    QCOMPARE(run.code, cli::kExitFailed);
    QVERIFY(Contains(run.err, "Nothing was programmed."));
    QVERIFY(pager->Requests().empty());
    QVERIFY(!Contains(run.err, "\t") && !Contains(run.err, "\x01") && !Contains(run.err, "\xff"));
    // line.tbl, and the production record with the refusal's row; no log.
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
      const std::string name = entry.path().filename().string();
      QVERIFY2(name == "line.tbl" || name.starts_with("production.sqlite"), name.c_str());
    }
  }

  void produceLogsExactlyTheSerialWritten() {
    RunningSim pager;
    Store("line.tbl", FactoryImageForChannels(false));
    const std::string serial = "!~Az09-_./+#%Z";  // 14, from both ends of the printable range
    const CliRun run = RunZt310({"produce", "--port", pager.device().toStdString(), "line.tbl", "--serial", serial});
    QCOMPARE(run.code, cli::kExitOk);
    QCOMPARE(SerialNumberText(pager->Memory()).value_or(""), serial);
    std::vector<std::filesystem::path> logs;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
      if (entry.path().extension() == ".log") logs.push_back(entry.path());
    }
    QCOMPARE(logs.size(), std::size_t(1));
    QVERIFY(Contains(FileText(logs.front()), "Serial No. = " + serial + "  Write Success !\r\n"));
  }

  // Serial numbers on standard input are never taken as answers: without
  // --yes a band question is answered Cancel and the next line is the next pager.
  void produceAnswersOnlyFromOptions_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("said");
    QTest::newRow("no option") << "" << cli::kExitFailed << "Cancel (give --yes to answer OK)";
    QTest::newRow("--no") << "--no" << cli::kExitFailed << "Cancel (--no)";
    QTest::newRow("--yes") << "--yes" << cli::kExitOk << "OK (--yes)";
  }
  void produceAnswersOnlyFromOptions() {
    QFETCH(QString, answer);
    QFETCH(int, exit);
    QFETCH(QString, said);
    sim::SimOptions options;
    options.narrowBand = true;
    RunningSim pager(options);
    Store("wide.tbl", FactoryImageForChannels(false));
    std::vector<std::string> args{"produce", "--port", pager.device().toStdString(), "wide.tbl"};
    if (!answer.isEmpty()) args.push_back(answer.toStdString());
    const CliRun run = RunZt310(args, "AB1234567890\nAB1234567891\n");
    QCOMPARE(run.code, exit);
    // Both lines were serial numbers: one band question per narrow-band
    // pager (after OK the pager in the cradle is wide band).
    std::size_t questions = 0;
    for (std::size_t at = run.err.find(kSwitchNbToWbText); at != std::string::npos;
         at = run.err.find(kSwitchNbToWbText, at + 1)) {
      ++questions;
    }
    QCOMPARE(questions, std::size_t(answer == "--yes" ? 1 : 2));
    QVERIFY(Contains(run.err, said.toStdString()));
    QCOMPARE(SerialNumberText(pager->Memory()).has_value(), answer == "--yes");
    QCOMPARE(RunZt310({"produce", "--port", "x", "wide.tbl", "--yes", "--no"}).code, cli::kExitUsage);
  }

  // --port P means P only: nothing else is opened (the trace names every port opened).
  void portMeansThatPortOnly() {
    SilentPty silent;
    const CliRun probe = RunZt310({"probe", "--port", silent.device().toStdString(), "--trace", "probe.trace"});
    QCOMPARE(probe.code, cli::kExitFailed);
    RunningSim pager;
    const std::string port = pager.device().toStdString();
    const CliRun test = RunZt310({"test", "vibrator", "on", "--port", port, "--trace", "test.trace"});
    QCOMPARE(test.code, cli::kExitOk);
    for (const auto& [trace, device] : {std::pair{std::string("probe.trace"), silent.device().toStdString()},
                                        std::pair{std::string("test.trace"), port}}) {
      std::istringstream lines(FileText(trace));
      std::string line;
      while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        QVERIFY2(Contains(line, " " + device + " "), line.c_str());
      }
    }
  }

  void readChecksTheOutputFirst() {
    RunningSim pager;
    const std::string port = pager.device().toStdString();
    std::filesystem::create_directory("folder.tbl");
    for (const std::string output : {"missing/x.tbl", "folder.tbl"}) {
      const CliRun read = RunZt310({"read", "--port", port, "-o", output});
      QCOMPARE(read.code, cli::kExitUsage);
      QVERIFY(Contains(read.err, output));
    }
    QVERIFY(pager->Requests().empty());
  }

  void optionsEndAtDoubleDash() {
    RunningSim pager;
    const std::string port = pager.device().toStdString();
    Store("--yes", FactoryImageForChannels(false));
    const CliRun write = RunZt310({"write", "--port", port, "--", "--yes"});
    QCOMPARE(write.code, cli::kExitOk);
    QCOMPARE(RunZt310({"verify", "--port", port, "--", "--yes"}).code, cli::kExitOk);
  }

  void writeBacksUpAndVerifyListsTheChangedFields() {
    RunningSim pager;
    const std::string port = pager.device().toStdString();
    // Both files as the editor stores them, one field apart.
    QCOMPARE(RunZt310({"new", "-o", "new.tbl"}).code, cli::kExitOk);
    QCOMPARE(RunZt310({"set", "new.tbl", "edtF1Freq=1520000", "-o", "a.tbl"}).code, cli::kExitOk);
    const CodePlugImage before = pager->Memory();
    const CliRun write = RunZt310({"write", "--port", port, "a.tbl", "--backup-dir", "backups"});
    QCOMPARE(write.code, cli::kExitOk);
    std::vector<std::filesystem::path> backups;
    for (const auto& entry : std::filesystem::directory_iterator("backups")) backups.push_back(entry.path());
    QCOMPARE(backups.size(), std::size_t(1));
    QVERIFY(backups[0].filename().string().rfind("no-serial-", 0) == 0);
    QVERIFY2(Contains(write.err, backups[0].string()), write.err.c_str());
    QCOMPARE(FileText(backups[0]), std::string(reinterpret_cast<const char*>(before.data()), kImageSize));

    QCOMPARE(RunZt310({"set", "a.tbl", "edtF1Freq=1530125", "-o", "b.tbl"}).code, cli::kExitOk);
    const CliRun verify = RunZt310({"verify", "--port", port, "b.tbl"});
    QCOMPARE(verify.code, cli::kExitFailed);
    // After the label, the fields 'zt310 diff' shows between the written
    // file and the verified one, as file value then pager value.
    const std::string tail = verify.err.substr(verify.err.find("Verify Fail !\n") + 14);
    std::string expected;
    std::istringstream diff(RunZt310({"diff", "a.tbl", "b.tbl"}).out);
    for (std::string line; std::getline(diff, line);) {
      const auto colon = line.find(": ");
      const auto arrow = line.find(" -> ");
      expected += line.substr(0, colon) + ": file " + line.substr(arrow + 4) + ", pager " +
                  line.substr(colon + 2, arrow - colon - 2) + "\n";
    }
    QVERIFY(Contains(expected, "channels.F1.frequency: file 1530125, pager 1520000\n"));
    QCOMPARE(QString::fromStdString(tail), QString::fromStdString(expected));
  }

  void verifyFailingOnTheLinkListsNothing() {
    // Probe, identity, band and serial blocks; request 6 reads bytes 32 to 63.
    RunningSim pager(SimFault(sim::FaultKind::Drop, 6));
    Store("a.tbl", FactoryImageForChannels(false));
    const CliRun verify = RunZt310({"verify", "--port", pager.device().toStdString(), "a.tbl"});
    QCOMPARE(verify.code, cli::kExitFailed);
    const std::size_t label = verify.err.find("Verify Fail !");
    QVERIFY2(label != std::string::npos, verify.err.c_str());
    QCOMPARE(verify.err.substr(label), std::string("Verify Fail !\nNo reply to the read of bytes 32 to 63.\n"));
  }

  void backupThatCannotBeSavedWritesNothing() {
    RunningSim pager;
    const std::string port = pager.device().toStdString();
    Store("a.tbl", FactoryImageForChannels(false));
    std::ofstream("taken") << "a file, not a folder";
    // Found before the first frame: a file error, and the pager is asked nothing.
    const CliRun write = RunZt310({"write", "--port", port, "a.tbl", "--backup-dir", "taken"});
    QCOMPARE(write.code, cli::kExitUsage);
    QVERIFY2(Contains(write.err,
                      "Cannot keep backups in the backup folder \"taken\": not a folder. "
                      "Nothing was sent to the pager."),
             write.err.c_str());
    QCOMPARE(pager->Requests().size(), std::size_t(0));

    const CliRun produce =
        RunZt310({"produce", "--port", port, "a.tbl", "--serial", "AB1234567890", "--backup-dir", "b"});
    QCOMPARE(produce.code, cli::kExitOk);
    QVERIFY(std::filesystem::exists("b"));
    QCOMPARE(std::distance(std::filesystem::directory_iterator("b"), std::filesystem::directory_iterator()), 1);
  }

  // --json: one object per operation, valid JSON whatever the pager's
  // serial number holds, for success, a difference and a link failure.
  void operationsReportAsJson() {
    sim::SimOptions options;
    options.serial = std::string("SN\xe9\x01\"\\4567890\xff", 12);
    RunningSim pager(options);
    const std::string port = pager.device().toStdString();
    const QString serial = QString::fromLatin1(options.serial->data(), 12);
    QCOMPARE(RunZt310({"new", "-o", "new.tbl"}).code, cli::kExitOk);
    QCOMPARE(RunZt310({"set", "new.tbl", "edtF1Freq=1520000", "-o", "a.tbl"}).code, cli::kExitOk);
    QCOMPARE(RunZt310({"set", "a.tbl", "edtF1Freq=1530125", "-o", "b.tbl"}).code, cli::kExitOk);

    const CliRun write = RunZt310({"write", "--port", port, "a.tbl", "--json"});
    QCOMPARE(write.code, cli::kExitOk);
    QVERIFY2(!Contains(write.err, "\xe9") && Contains(write.err, "Serial No. = SN\\xE9\\x01"), write.err.c_str());
    const QJsonObject written = OneJsonObject(write);
    QCOMPARE(written["verb"].toString(), QString("write"));
    QCOMPARE(written["port"].toString(), QString::fromStdString(port));
    QCOMPARE(written["file"].toString(), QString("a.tbl"));
    QCOMPARE(written["firmware"].toString(), QString("1.3.0"));
    QCOMPARE(written["serial"].toString(), serial);
    QCOMPARE(written["result"].toString(), QString("Write Success !"));
    QCOMPARE(written["outcome"].toString(), QString("success"));
    QCOMPARE(written["exit"].toInt(), 0);
    QVERIFY(written["failure"].isNull());
    QVERIFY(written["messages"].toArray().contains(QString("Write Success !")));

    const CliRun read = RunZt310({"read", "--port", port, "-o", "r.tbl", "--json"});
    QCOMPARE(read.code, cli::kExitOk);
    const QJsonObject readObject = OneJsonObject(read);
    QCOMPARE(readObject["serial"].toString(), serial);
    QCOMPARE(readObject["file"].toString(), QString("r.tbl"));
    QCOMPARE(readObject["result"].toString(), QString("Read Success !"));
    // The serial number as dump gives it.
    const auto dump = QJsonDocument::fromJson(QByteArray::fromStdString(RunZt310({"dump", "r.tbl", "--json"}).out));
    QCOMPARE(readObject["serial"], dump.object()["serial_number"]);

    const CliRun verify = RunZt310({"verify", "--port", port, "b.tbl", "--json"});
    QCOMPARE(verify.code, cli::kExitFailed);
    const QJsonObject differs = OneJsonObject(verify);
    QCOMPARE(differs["outcome"].toString(), QString("failed"));
    QCOMPARE(differs["result"].toString(), QString("Verify Fail !"));
    QVERIFY(differs["differences"].toArray().contains(
        QJsonObject{{"field", "channels.F1.frequency"}, {"file", "1530125"}, {"pager", "1520000"}}));
    QVERIFY2(differs["first_difference"].toString().contains(": the pager holds 0x"),
             qPrintable(differs["first_difference"].toString()));
    QVERIFY(!differs["failure"].toString().isEmpty());
  }

  void linkFailuresAndErrorsReportAsJson() {
    RunningSim pager(SimFault(sim::FaultKind::Drop, 6));
    Store("a.tbl", FactoryImageForChannels(false));
    const std::string port = pager.device().toStdString();
    const QJsonObject failed = OneJsonObject(RunZt310({"verify", "--port", port, "a.tbl", "--json"}));
    QCOMPARE(failed["outcome"].toString(), QString("failed"));
    QCOMPARE(failed["failure"].toString(), QString("No reply to the read of bytes 32 to 63."));
    QCOMPARE(failed["exit"].toInt(), cli::kExitFailed);

    SilentPty silent;
    const CliRun noCradle = RunZt310({"write", "--port", silent.device().toStdString(), "a.tbl", "--json"});
    QCOMPARE(noCradle.code, cli::kExitFailed);
    const QJsonObject abandoned = OneJsonObject(noCradle);
    QCOMPARE(abandoned["outcome"].toString(), QString("abandoned"));
    QVERIFY(abandoned["result"].isNull());
    QVERIFY(!abandoned["failure"].toString().isEmpty());

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"write", "--port", port, "missing.tbl", "--json"},
          {"read", "--port", port, "--json"},
          {"produce", "--port", port, "missing.tbl", "--json"}}) {
      const CliRun run = RunZt310(args);
      QCOMPARE(run.code, cli::kExitUsage);
      const QJsonObject error = OneJsonObject(run);
      QCOMPARE(error["outcome"].toString(), QString("error"));
      QCOMPARE(error["exit"].toInt(), cli::kExitUsage);
      QVERIFY(!error["failure"].toString().isEmpty());
    }
  }

  // produce --json: one object a line, per serial number, as each pager is
  // done; a refused serial number with bytes beyond ASCII too.
  void produceReportsEachPagerAsJson() {
    RunningSim pager;
    Store("line.tbl", FactoryImageForChannels(false));
    const CliRun run = RunZt310({"produce", "--port", pager.device().toStdString(), "line.tbl", "--json"},
                                "AB\xff"
                                "1234567890\nAB1234567891\n");
    QCOMPARE(run.code, cli::kExitFailed);
    const std::vector<QJsonObject> pagers = JsonLines(run.out);
    QCOMPARE(pagers.size(), std::size_t(2));
    QCOMPARE(pagers[0]["serial"].toString(), QString::fromLatin1("AB\xff"
                                                                 "1234567890"));
    QCOMPARE(pagers[0]["exit"].toInt(), cli::kExitFailed);
    QVERIFY(pagers[0]["failure"].toString().contains("Nothing was programmed"));
    QCOMPARE(pagers[1]["serial"].toString(), QString("AB1234567891"));
    QCOMPARE(pagers[1]["outcome"].toString(), QString("success"));
    QCOMPARE(pagers[1]["result"].toString(), QString("Write Success !"));
    QCOMPARE(pagers[1]["file"].toString(), QString("line.tbl"));
  }

  // A file whose stored checksum does not match its bytes is written all
  // the same, with a warning, and the pager gets a right checksum.
  void writeWarnsOfAStaleStoredChecksum() {
    RunningSim pager;
    const std::string port = pager.device().toStdString();
    const CodePlugImage good = FactoryImageForChannels(false);
    CodePlugImage changed = good;
    changed[300] ^= 1;  // changed behind the program's back
    Store("good.tbl", good);
    Store("stale.tbl", changed);
    for (const std::string& file : {std::string("good.tbl"), std::string("stale.tbl")}) {
      const CliRun write = RunZt310({"write", "--port", port, file, "--json"});
      QCOMPARE(write.code, cli::kExitOk);
      const bool stale = file == "stale.tbl";
      const CodePlugImage& image = stale ? changed : good;
      QCOMPARE(Contains(write.err, "Warning: stale.tbl stores the checksum"), stale);
      QCOMPARE(OneJsonObject(write)["warnings"].toArray().size(), stale ? 1 : 0);
      const CodePlugImage memory = pager->Memory();
      QCOMPARE(int(memory.GetWord(kImageChecksum)), int(ComputeImageChecksum(memory)));
      QCOMPARE(int(memory[300]), int(image[300]));
    }
    const CliRun produce = RunZt310({"produce", "--port", port, "stale.tbl", "--json"}, "AB1234567890\nAB1234567891\n");
    QCOMPARE(produce.code, cli::kExitOk);
    QVERIFY(Contains(produce.err, "stores the checksum"));
    QCOMPARE(produce.err.find("stores the checksum"), produce.err.rfind("stores the checksum"));  // warned once
    const std::vector<QJsonObject> pagers = JsonLines(produce.out);
    QCOMPARE(pagers.size(), std::size_t(2));
    for (const QJsonObject& object : pagers) QCOMPARE(object["warnings"].toArray().size(), 1);
  }

  void usageAndFileErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("read without -o") << QStringList{"read", "--port", "ttyS0"};
    QTest::newRow("write without --port") << QStringList{"write", "x.tbl"};
    QTest::newRow("write with two files") << QStringList{"write", "--port", "ttyS0", "a.tbl", "b.tbl"};
    QTest::newRow("verify of a missing file") << QStringList{"verify", "--port", "ttyS0", "missing.tbl"};
    QTest::newRow("produce of a missing file") << QStringList{"produce", "--port", "ttyS0", "missing.tbl"};
    QTest::newRow("--backup-dir twice") << QStringList{"write",        "--port", "ttyS0",        "x.tbl",
                                                       "--backup-dir", "a",      "--backup-dir", "b"};
    QTest::newRow("--backup-dir without a folder")
        << QStringList{"produce", "--port", "ttyS0", "x.tbl", "--backup-dir"};
  }
  void usageAndFileErrors() {
    QFETCH(QStringList, args);
    std::vector<std::string> list;
    for (const QString& arg : args) list.push_back(arg.toStdString());
    QCOMPARE(RunZt310(list).code, cli::kExitUsage);
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::filesystem::path previous_;
};

QTEST_GUILESS_MAIN(OperationsCliTest)
#include "test_operations_cli.moc"
