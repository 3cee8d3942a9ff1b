// SPDX-License-Identifier: GPL-3.0-or-later
// "zt310 produce" as a production station, run as its own process over
// several simulated cradles at 9600 baud: every pager gets its own serial
// number and FILE, the runs overlap, a refusing cradle leaves the others
// alone, the log takes one whole line per run, and the serial numbers of a
// list or a counter are checked before anything is sent.
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "ProcessRun.h"
#include "SimFixture.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/Production.h"

using namespace zt310;
using namespace zt310::testing;

namespace {

using Ran = ProcessRan;

Ran Zt310(const QStringList& args, const QString& dir, const QByteArray& input = {}) {
  return RunProcess(ZT310_CLI, args, dir, input);
}

std::string FileText(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The serial numbers announced to each cradle, in order: "cradle 2 /dev/pts/7: AB0000000002".
std::map<int, std::vector<std::string>> Announced(const std::string& err) {
  static const QRegularExpression announcement(QStringLiteral("^cradle (\\d) \\S+: (\\S{11,14})$"));
  std::map<int, std::vector<std::string>> announced;
  for (const std::string& line : Lines(err)) {
    const auto match = announcement.match(QString::fromStdString(line));
    if (match.hasMatch()) announced[match.captured(1).toInt()].push_back(match.captured(2).toStdString());
  }
  return announced;
}

// When the simulator saw its first request, and the last block write of
// the first run (bytes 384 to 511).
std::pair<double, double> FirstRunSpan(const QString& tracePath) {
  static const QRegularExpression stamp(QStringLiteral("@(\\d+\\.\\d+)$"));
  double first = -1;
  for (const std::string& line : Lines(FileText(tracePath))) {
    const auto match = stamp.match(QString::fromStdString(line));
    if (!match.hasMatch()) continue;
    const double at = match.captured(1).toDouble();
    if (first < 0) first = at;
    if (line.find("; write 384+128") != std::string::npos) return {first, at};
  }
  return {first, -1};
}

std::string SerialIn(const CodePlugImage& memory) {
  std::string serial;
  for (int i = 0; i < layout::kSerialNumberLength && memory[layout::kSerialNumber + i] != 0; ++i) {
    serial.push_back(static_cast<char>(memory[layout::kSerialNumber + i]));
  }
  return serial;
}

// What a pager programmed alone with FILE holds, apart from its serial
// number, the checksum over it, and the band bytes, which follow what the
// pager held before (a pager programmed twice differs from a fresh one there).
bool HoldsFile(const CodePlugImage& memory, const CodePlugImage& file) {
  for (int i = 0; i < layout::kImageChecksum; ++i) {
    if (i >= layout::kSerialNumber && i < layout::kSerialNumber + layout::kSerialBlockSize) continue;
    if (i == 136 || i == 137) continue;
    if (memory[i] != file[i]) {
      qWarning("byte %d: pager 0x%02X, file 0x%02X", i, memory[i], file[i]);
      return false;
    }
  }
  return true;
}

std::vector<std::string> Numbered(int from, int count) {
  std::vector<std::string> serials;
  for (int i = 0; i < count; ++i)
    serials.push_back("AB00000000" + QString::number(from + i).rightJustified(2, '0').toStdString());
  return serials;
}

}  // namespace

class StationCliTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  CodePlugImage file_;
  QString Path(const QString& name) const { return dir_.filePath(name); }

  QString WriteList(const QString& name, const std::vector<std::string>& serials) {
    std::ofstream out(Path(name).toStdString());
    for (const std::string& serial : serials) out << serial << "\r\n";
    return Path(name);
  }

  struct Station {
    std::vector<std::unique_ptr<RunningSim>> sims;
    QStringList portArgs;
  };
  Station Cradles(int count, int singleChannelCradle, const QString& tracePrefix) {
    Station station;
    for (int i = 1; i <= count; ++i) {
      sim::SimOptions options;
      options.baud = 9600;
      options.singleChannel = i == singleChannelCradle;
      options.tracePath = Path(QStringLiteral("%1-%2.trace").arg(tracePrefix).arg(i)).toStdString();
      station.sims.push_back(std::make_unique<RunningSim>(options));
      station.portArgs << "--port" << station.sims.back()->device();
    }
    return station;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    file_ = FactoryImageForChannels(false);
    file_[200] = 0x5A;  // a byte of its own, so the pager shows it got this file
    QVERIFY(SaveTableFile(Path("plug.tbl").toStdString(), file_, SaveKind::Save).ok);
    // The reference: one pager programmed on its own by a single-cradle produce.
    RunningSim alone;
    QVERIFY(QDir().mkpath(Path("log-alone")));
    const Ran ran = Zt310(
        {"produce", "--port", alone.device(), "plug.tbl", "--serial", "ZZ0000000000", "--log-dir", Path("log-alone")},
        dir_.path());
    QVERIFY2(ran.code == 0, ran.err.c_str());
    file_ = alone->Memory();
    QCOMPARE(file_[200], std::uint8_t{0x5A});
  }

  // Four cradles, eight numbers from a list, no Enter: two rounds at once.
  void fourCradlesProgramEightPagers() {
    Station station = Cradles(4, 0, "four");
    const std::vector<std::string> serials = Numbered(1, 8);
    const QString logDir = Path("log-four");
    QVERIFY(QDir().mkpath(logDir));
    const Ran ran = Zt310(QStringList{"produce"} + station.portArgs +
                              QStringList{Path("plug.tbl"), "--serials", WriteList("eight.txt", serials), "--no-wait",
                                          "--log-dir", logDir},
                          dir_.path());
    QVERIFY2(ran.code == 0, ran.err.c_str());

    // Each number went to one cradle, announced, and is the last pager's there.
    const auto announced = Announced(ran.err);
    std::set<std::string> handedOut;
    for (int cradle = 1; cradle <= 4; ++cradle) {
      const auto it = announced.find(cradle);
      QVERIFY2(it != announced.end() && !it->second.empty(), ran.err.c_str());
      for (const std::string& serial : it->second) QVERIFY(handedOut.insert(serial).second);
      const CodePlugImage memory = (**station.sims[static_cast<std::size_t>(cradle - 1)]).Memory();
      QCOMPARE(SerialIn(memory), it->second.back());
      QVERIFY(HoldsFile(memory, file_));
      QVERIFY2(ran.err.find("cradle " + std::to_string(cradle) + " " +
                            (**station.sims[static_cast<std::size_t>(cradle - 1)]).DevicePath() + ": " +
                            it->second.back() + " Write Success !") != std::string::npos,
               ran.err.c_str());
    }
    QCOMPARE(handedOut, std::set<std::string>(serials.begin(), serials.end()));

    // The first runs of all four cradles were under way at the same time.
    double latestStart = 0, earliestEnd = 1e300;
    for (int cradle = 1; cradle <= 4; ++cradle) {
      const auto [start, end] = FirstRunSpan(Path(QStringLiteral("four-%1.trace").arg(cradle)));
      QVERIFY(start > 0 && end > start);
      latestStart = std::max(latestStart, start);
      earliestEnd = std::min(earliestEnd, end);
    }
    QVERIFY2(latestStart < earliestEnd, qPrintable(QStringLiteral("%1 >= %2").arg(latestStart).arg(earliestEnd)));

    // The banner, then one whole line per pager.
    const QStringList logs = QDir(logDir).entryList({"*.log"}, QDir::Files);
    QCOMPARE(logs.size(), 1);
    const std::vector<std::string> lines = Lines(FileText(QDir(logDir).filePath(logs[0])));
    QCOMPARE(lines.size(), std::size_t{9});
    QCOMPARE(lines[0] + "\n", std::string(kLogBanner));
    static const QRegularExpression whole(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  Serial No. = (AB\\d{10})  Write Success !\\r$"));
    std::set<std::string> logged;
    for (std::size_t i = 1; i < lines.size(); ++i) {
      const auto match = whole.match(QString::fromStdString(lines[i]));
      QVERIFY2(match.hasMatch(), lines[i].c_str());
      logged.insert(match.captured(1).toStdString());
    }
    QCOMPARE(logged, handedOut);
  }

  // A single-channel pager in cradle 3 refuses the two-channel FILE: its
  // numbers are reported as not programmed and not used again; the other
  // cradles' pagers are programmed and logged as if it were not there.
  void refusingCradleLeavesTheOthersAlone() {
    Station station = Cradles(4, 3, "refuse");
    const std::vector<std::string> serials = Numbered(11, 4);
    const QString logDir = Path("log-refuse");
    QVERIFY(QDir().mkpath(logDir));
    // One Enter: one round, a number for every cradle.
    const Ran ran =
        Zt310(QStringList{"produce"} + station.portArgs +
                  QStringList{Path("plug.tbl"), "--serials", WriteList("four.txt", serials), "--log-dir", logDir},
              dir_.path(), "\n");
    QCOMPARE(ran.code, 1);
    const std::string refusedPort = (**station.sims[2]).DevicePath();
    const std::string prefix = "cradle 3 " + refusedPort + ": ";
    QVERIFY2(ran.err.find(prefix + kSingleChannelPagerText) != std::string::npos, ran.err.c_str());
    QVERIFY2(ran.err.find(prefix + "AB0000000013 not programmed: " + kSingleChannelPagerText) != std::string::npos,
             ran.err.c_str());
    QVERIFY2(ran.err.find("Not programmed: AB0000000013") != std::string::npos, ran.err.c_str());
    for (const int cradle : {1, 2, 4}) {
      const CodePlugImage memory = (**station.sims[static_cast<std::size_t>(cradle - 1)]).Memory();
      QCOMPARE(SerialIn(memory), serials[static_cast<std::size_t>(cradle - 1)]);
      QVERIFY(HoldsFile(memory, file_));
    }
    // Nothing was written to the refusing pager.
    for (const sim::SimRequest& request : (**station.sims[2]).Requests()) {
      QVERIFY(request.description.rfind("write", 0) != 0);
    }
    const QStringList logs = QDir(logDir).entryList({"*.log"}, QDir::Files);
    QCOMPARE(logs.size(), 1);
    const std::string log = FileText(QDir(logDir).filePath(logs[0]));
    QCOMPARE(Lines(log).size(), std::size_t{4});
    QVERIFY(log.find("AB0000000013") == std::string::npos);
  }

  // Counters and lists that cannot hold are refused before any cradle is asked anything.
  void badNumbersRefusedBeforeAnythingIsSent_data() {
    QTest::addColumn<QStringList>("source");
    QTest::addColumn<QString>("says");
    QTest::newRow("counter runs out") << QStringList{"--serial-start", "AB9999999998", "--count", "3"}
                                      << "The counter runs out: from \"AB9999999998\" the 10 trailing digits reach "
                                         "\"AB9999999999\" after 2 of 3 numbers";
    QTest::newRow("two digits run out") << QStringList{"--serial-start", "ABCDEFGHIJ97", "--count", "4"}
                                        << "the 2 trailing digits reach \"ABCDEFGHIJ99\" after 3 of 4 numbers";
    QTest::newRow("no digits") << QStringList{"--serial-start", "ABCDEFGHIJKL", "--count", "2"}
                               << "ends in no decimal digit";
    QTest::newRow("start too short") << QStringList{"--serial-start", "AB12", "--count", "2"}
                                     << "a serial number has 11 to 14";
    QTest::newRow("count zero") << QStringList{"--serial-start", "AB0000000001", "--count", "0"}
                                << "a count of at least 1";
    QTest::newRow("list with a blank inside") << QStringList{"--serials", "bad.txt"} << "bad.txt:2: ";
    QTest::newRow("list repeats a number") << QStringList{"--serials", "twice.txt"}
                                           << "twice.txt:3: the serial number \"AB0000000001\" is in the list twice";
  }
  void badNumbersRefusedBeforeAnythingIsSent() {
    QFETCH(QStringList, source);
    QFETCH(QString, says);
    WriteList("bad.txt", {"AB0000000001", "AB00 0000002"});
    WriteList("twice.txt", {"AB0000000001", "AB0000000002", "AB0000000001"});
    RunningSim one;
    RunningSim two;
    const Ran ran =
        Zt310(QStringList{"produce", "--port", one.device(), "--port", two.device(), "plug.tbl", "--no-wait"} + source,
              dir_.path());
    QCOMPARE(ran.code, 2);
    QVERIFY2(ran.err.find(says.toStdString()) != std::string::npos, ran.err.c_str());
    QVERIFY2(ran.err.find("Nothing was programmed.") != std::string::npos, ran.err.c_str());
    QVERIFY(one->Requests().empty());
    QVERIFY(two->Requests().empty());
  }

  // The counter's numbers keep their width across a carry.
  void counterKeepsWidth() {
    RunningSim one;
    RunningSim two;
    const QString logDir = Path("log-counter");
    QVERIFY(QDir().mkpath(logDir));
    const Ran ran = Zt310({"produce", "--port", one.device(), "--port", two.device(), "plug.tbl", "--serial-start",
                           "XY0000000998", "--count", "3", "--no-wait", "--log-dir", logDir},
                          dir_.path());
    QVERIFY2(ran.code == 0, ran.err.c_str());
    const QStringList logs = QDir(logDir).entryList({"*.log"}, QDir::Files);
    QCOMPARE(logs.size(), 1);
    const std::string log = FileText(QDir(logDir).filePath(logs[0]));
    for (const char* serial : {"XY0000000998", "XY0000000999", "XY0000001000"}) {
      QVERIFY2(log.find(std::string("Serial No. = ") + serial + "  Write Success !") != std::string::npos, log.c_str());
    }
  }
};

QTEST_GUILESS_MAIN(StationCliTest)
#include "test_station_cli.moc"
