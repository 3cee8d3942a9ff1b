// SPDX-License-Identifier: GPL-3.0-or-later
// zt310 as an operator runs it at a terminal: the real program, its standard
// input a pseudo-terminal where a scanner (or a person) types, and where
// Ctrl+C or a closing terminal interrupts it.
#include <QTemporaryDir>
#include <QtTest>

#include <string>
#include <vector>

#include "SimFixture.h"
#include "TerminalRun.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/Production.h"

using namespace zt310;
using namespace zt310::testing;

namespace {

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int WritesSeen(sim::PagerSimulator& pager) {
  int writes = 0;
  for (const sim::SimRequest& request : pager.Requests()) writes += request.description.rfind("write", 0) == 0;
  return writes;
}

bool ChecksumHolds(const CodePlugImage& memory) {
  return ComputeImageChecksum(memory) == memory.GetWord(layout::kImageChecksum);
}

// A pager on a real 9600-baud line, whose memory differs from the factory
// image in its first blocks: a write cut short leaves its checksum wrong.
sim::SimOptions SlowPagerWithOtherMemory() {
  sim::SimOptions options;
  options.baud = 9600;
  options.turnaroundMs = 20;
  CodePlugImage memory = FactoryImageForChannels(false);
  memory[20] ^= 0x01;
  memory[40] ^= 0x01;
  StoreImageChecksum(memory);
  options.memory = memory;
  return options;
}

// How the test interrupts the program: a signal to its process, or Ctrl+C at its terminal.
enum class Sender { Kill, CtrlC };

void Interrupt(TerminalRun& run, Sender sender, int signal) {
  if (sender == Sender::CtrlC) {
    run.PressCtrlC();
  } else {
    run.Signal(signal);
  }
}

}  // namespace

class OperationsTerminalTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  void signalMidTransfer_data();
  void signalMidTransfer();

  // Serial numbers scanned while a band question is pending stay serial
  // numbers: each pager gets its own run and its own question.
  void produceTakesNoAnswerFromTheScanner() {
    sim::SimOptions options;
    options.narrowBand = true;
    RunningSim pager(options);
    CodePlugImage image = FactoryImageForChannels(false);
    QVERIFY(SaveTableFile(Path("wide.tbl"), image, SaveKind::Save).ok);
    TerminalRun run(
        {"produce", "--port", pager.device().toStdString(), Path("wide.tbl"), "--log-dir", dir_.path().toStdString()},
        Path("produce.err"));
    run.Type("AB1234567890\nAB1234567891\n\x04");
    QCOMPARE(run.Wait(30000), 1);
    const std::string err = FileText(Path("produce.err"));
    QCOMPARE(Count(err, "Are you sure to switch NB to WB ? Cancel (give --yes to answer OK)\n"), 2);
    QCOMPARE(Count(err, "Serial No. = AB1234567890\n"), 1);
    QCOMPARE(Count(err, "Serial No. = AB1234567891\n"), 1);
  }

  // At a terminal write asks; end of input answers Cancel and ends the line.
  void writeAsksAtTheTerminal() {
    sim::SimOptions options;
    options.narrowBand = true;
    RunningSim pager(options);
    CodePlugImage image = FactoryImageForChannels(false);
    QVERIFY(SaveTableFile(Path("w.tbl"), image, SaveKind::Save).ok);
    {
      TerminalRun run({"write", "--port", pager.device().toStdString(), Path("w.tbl")}, Path("eof.err"));
      run.Type("\x04");
      QCOMPARE(run.Wait(30000), 1);
      QVERIFY(FileText(Path("eof.err")).find("[OK/Cancel] Cancel\n") != std::string::npos);
    }
    {
      TerminalRun run({"write", "--port", pager.device().toStdString(), Path("w.tbl")}, Path("ok.err"));
      run.Type("ok\n");
      QCOMPARE(run.Wait(30000), 0);
      QVERIFY(FileText(Path("ok.err")).find("Write Success !") != std::string::npos);
    }
  }
};

// A signal in the middle of write or produce: the first lets the pager be
// finished (whole, checksum right, result shown and logged) and then stops
// with 128 + the signal; a second one stops at once and says what the pager
// holds and what to run.
void OperationsTerminalTest::signalMidTransfer_data() {
  QTest::addColumn<QString>("verb");
  QTest::addColumn<int>("signal");
  QTest::addColumn<int>("sender");
  QTest::addColumn<bool>("twice");
  const int kill = int(Sender::Kill);
  const int ctrlC = int(Sender::CtrlC);
  QTest::newRow("write, SIGTERM") << "write" << SIGTERM << kill << false;
  QTest::newRow("write, Ctrl+C") << "write" << SIGINT << ctrlC << false;
  QTest::newRow("write, SIGHUP") << "write" << SIGHUP << kill << false;
  QTest::newRow("produce, SIGTERM") << "produce" << SIGTERM << kill << false;
  QTest::newRow("produce, Ctrl+C") << "produce" << SIGINT << ctrlC << false;
  QTest::newRow("write, SIGTERM twice") << "write" << SIGTERM << kill << true;
  QTest::newRow("write, Ctrl+C twice") << "write" << SIGINT << ctrlC << true;
  QTest::newRow("produce, SIGTERM twice") << "produce" << SIGTERM << kill << true;
  QTest::newRow("produce, Ctrl+C twice") << "produce" << SIGINT << ctrlC << true;
}

void OperationsTerminalTest::signalMidTransfer() {
  QFETCH(QString, verb);
  QFETCH(int, signal);
  QFETCH(int, sender);
  QFETCH(bool, twice);
  RunningSim pager(SlowPagerWithOtherMemory());
  QTemporaryDir dir;
  const std::string file = dir.filePath("plug.tbl").toStdString();
  const std::string err = dir.filePath("run.err").toStdString();
  CodePlugImage image = FactoryImageForChannels(false);
  QVERIFY(SaveTableFile(file, image, SaveKind::Save).ok);
  const std::string port = pager.device().toStdString();
  const bool produce = verb == "produce";
  std::vector<std::string> args{verb.toStdString(), "--port", port, file};
  if (produce) args.insert(args.end(), {"--log-dir", dir.path().toStdString()});
  TerminalRun run(args, err);
  if (produce) run.Type("AB1234567890\nAB1234567891\nAB1234567892\n");

  // Into the blocks: the first write went out, the program still runs.
  QTRY_VERIFY_WITH_TIMEOUT(WritesSeen(*pager) >= 1, 20000);
  Interrupt(run, static_cast<Sender>(sender), signal);
  if (twice) {
    const int before = WritesSeen(*pager);
    QTRY_VERIFY_WITH_TIMEOUT(WritesSeen(*pager) > before, 10000);
    Interrupt(run, static_cast<Sender>(sender), signal);
  }
  const int code = run.Wait(30000);
  const std::string text = FileText(err);
  QVERIFY2(code == 128 + signal, qPrintable(QString("exit %1\n%2").arg(code).arg(QString::fromStdString(text))));
  const CodePlugImage memory = pager->Memory();
  const int blocks = static_cast<int>(produce ? ReadBlockPlan().size() : WriteBlockPlan().size());
  if (!twice) {
    // Whole: the new image written in full, its checksum right, the result shown.
    QVERIFY2(ChecksumHolds(memory), text.c_str());
    QCOMPARE(WritesSeen(*pager), blocks);
    QVERIFY2(Contains(text, "Write Success !\n"), text.c_str());
    const std::string after =
        produce ? "the pager in hand; no further serial numbers were read" : "the transfer in hand ended";
    QVERIFY2(Contains(text, "zt310: stopped on " +
                                std::string(signal == SIGINT    ? "SIGINT"
                                            : signal == SIGTERM ? "SIGTERM"
                                                                : "SIGHUP") +
                                " after " + after + ".\n"),
             text.c_str());
  } else {
    QVERIFY(WritesSeen(*pager) < blocks);
    QVERIFY2(!ChecksumHolds(memory), text.c_str());
    QVERIFY2(Contains(text, "was cut short on request."), text.c_str());
    QVERIFY2(Contains(text, "The pager is now partly written: "), text.c_str());
    QVERIFY2(Contains(text, "Its checksum (bytes 496 and 497) is now wrong"), text.c_str());
    const std::string again = produce ? "zt310 produce --port " + port + " " + file + " --serial AB1234567890"
                                      : "zt310 write --port " + port + " " + file;
    QVERIFY2(Contains(text, "To finish, write the file again: " + again + "\n"), text.c_str());
    QVERIFY2(Contains(text, "zt310: stopped at once on a second signal"), text.c_str());
  }
  if (produce) {
    // One pager, logged; the other serial numbers were never read.
    const std::string log =
        FileText(dir.filePath(QString::fromStdString(LogFileName(CurrentLocalDateTime()))).toStdString());
    QCOMPARE(Count(log, "Serial No. = "), 1);
    QCOMPARE(Count(text, "Serial No. = AB"), 1);
  }
}

QTEST_GUILESS_MAIN(OperationsTerminalTest)
#include "test_operations_terminal.moc"
