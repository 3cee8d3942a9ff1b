// SPDX-License-Identifier: GPL-3.0-or-later
// zt310 run as its own process against the simulated pager, the way scripts
// call it: a link that fails in the middle of a write, ports that cannot be
// opened, and outputs that cannot be written, each with what the program
// says and the exit code it ends with.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "ProcessRun.h"
#include "SimFixture.h"
#include "TerminalRun.h"
#include "codeplug/TableFile.h"
#include "link/Operations.h"
#include "link/Production.h"
#include "port/CommPort.h"
#include "port/PagerLink.h"

using namespace zt310;
using namespace zt310::testing;
namespace fs = std::filesystem;

namespace {

using Ran = ProcessRan;

// Runs zt310 with these arguments, feeding it input, in the folder dir.
Ran Zt310(const QStringList& args, const QString& dir, const QByteArray& input = {}) {
  return RunProcess(ZT310_CLI, args, dir, input, 60000);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

#define QVERIFY_SAYS(text, part) \
  QVERIFY2(Contains(text, part), qPrintable(QString::fromStdString(std::string("missing: ") + (part) + "\n" + (text))))

}  // namespace

class OperationsProcessTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString Path(const char* name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    CodePlugImage image = FactoryImageForChannels(false);
    QVERIFY(SaveTableFile(Path("plug.tbl").toStdString(), image, SaveKind::Save).ok);
  }

  // Every fault of the link in the middle of a write (at the third block,
  // bytes 64 to 95: its write is request 9, its read-back request 10) keeps
  // the result label and adds what failed, what the pager now holds, and
  // the command that finishes it.
  void failureMidWrite_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("holds");
    const QString unchecked3 =
        "3 of 15 blocks went in (bytes 0 to 95), but bytes 64 to 95 could not be read back to check them.";
    const QString checked3 = unchecked3;
    const QString differs3 = "3 of 15 blocks went in (bytes 0 to 95), but bytes 64 to 95 did not read back as written.";
    const QString written2 = "2 of 15 blocks went in (bytes 0 to 63)";
    QTest::newRow("drop, read-back") << "drop@10"
                                     << "Verify Fail !"
                                     << "No reply to the read of bytes 64 to 95." << checked3;
    QTest::newRow("short, read-back") << "short@10"
                                      << "Verify Fail !"
                                      << "No reply to the read of bytes 64 to 95." << checked3;
    QTest::newRow("corrupt, read-back") << "corrupt@10"
                                        << "Verify Fail !"
                                        << "The reply to the read of bytes 64 to 95 failed its checksum." << checked3;
    QTest::newRow("garbage, read-back") << "garbage@10"
                                        << "Verify Fail !"
                                        << "the read of bytes 64 to 95" << checked3;
    QTest::newRow("unplug, read-back") << "unplug@10"
                                       << "Verify Fail !"
                                       << "The port went away during the read of bytes 64 to 95." << checked3;
    QTest::newRow("slow, read-back") << "slow:5600@10"
                                     << "Verify Fail !"
                                     << "No reply to the read of bytes 64 to 95." << checked3;
    QTest::newRow("bad-ack, write") << "bad-ack@9"
                                    << "Write Fail !"
                                    << "The pager did not acknowledge the write of bytes 64 to 95 (a wrong reply came)."
                                    << written2 + ".";
    QTest::newRow("flip, write") << "flip@9"
                                 << "Verify Fail !"
                                 << "The pager's bytes 64 to 95 differ from the image." << differs3;
    QTest::newRow("drop, write") << "drop@9"
                                 << "Write Fail !"
                                 << "No reply to the write of bytes 64 to 95."
                                 << written2 + "; the write of bytes 64 to 95 may have gone in too.";
    QTest::newRow("unplug, write") << "unplug@9"
                                   << "Write Fail !"
                                   << "The port went away during the write of bytes 64 to 95."
                                   << written2 + "; the write of bytes 64 to 95 may have gone in too.";
  }
  void failureMidWrite() {
    QFETCH(QString, fault);
    QFETCH(QString, label);
    QFETCH(QString, cause);
    QFETCH(QString, holds);
    std::string error;
    const auto parsed = sim::ParseFault(fault.toStdString(), &error);
    QVERIFY2(parsed, error.c_str());
    sim::SimOptions options;
    options.faults.push_back(*parsed);
    RunningSim pager(options);
    const Ran run = Zt310({"write", "--port", pager.device(), Path("plug.tbl")}, dir_.path());
    QCOMPARE(run.code, 1);
    QVERIFY_SAYS(run.err, label.toStdString() + "\n");
    QVERIFY_SAYS(run.err, cause.toStdString());
    QVERIFY_SAYS(run.err, holds.toStdString());
    QVERIFY_SAYS(run.err, "Its checksum (bytes 496 and 497) is now wrong");
    QVERIFY_SAYS(run.err, "To finish, write the file again: zt310 write --port " + pager.device().toStdString() + " " +
                              Path("plug.tbl").toStdString() + "\n");
  }

  // With a backup made first, the notice names the restore of that backup.
  void failureMidWriteNamesTheBackup() {
    // Requests: probe, identity, band, serial, four backup reads, then the blocks.
    RunningSim pager(SimFault(sim::FaultKind::Corrupt, 12));
    const Ran run =
        Zt310({"write", "--port", pager.device(), Path("plug.tbl"), "--backup-dir", Path("backups")}, dir_.path());
    QCOMPARE(run.code, 1);
    QVERIFY_SAYS(run.err,
                 "The pager is now partly written: 2 of 15 blocks went in (bytes 0 to 63), but bytes 32 to 63 could "
                 "not be read back");
    const std::vector<fs::path> backups(fs::directory_iterator(Path("backups").toStdString()), {});
    QCOMPARE(backups.size(), std::size_t(1));
    QVERIFY_SAYS(run.err, "Or put back what the pager held before: zt310 restore --port " +
                              pager.device().toStdString() + " " + backups.front().string() + "\n");
  }

  // A port that cannot be opened keeps the old texts and gets one line with
  // its name and the reason, in every verb that opens it.
  void portProblemsAreNamed_data() {
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QString>("kind");
    for (const char* verb : {"write", "read", "verify", "produce", "probe", "test"}) {
      for (const char* kind : {"missing", "regular file", "in use"}) {
        QTest::newRow((std::string(verb) + ", " + kind).c_str()) << verb << kind;
      }
    }
  }
  void portProblemsAreNamed() {
    QFETCH(QString, verb);
    QFETCH(QString, kind);
    RunningSim pager;
    TCommPort holder;
    QString port = "/dev/ttyNOPE";
    std::string reason = "no such device";
    if (kind == "regular file") {
      port = Path("not-a-port");
      std::ofstream(port.toStdString()) << "text";
      reason = "not a serial port";
    } else if (kind == "in use") {
      port = pager.device();
      holder.Reopen(9600, port);
      reason = "in use by another program";
    }
    QStringList args{verb, "--port", port};
    if (verb == "write" || verb == "verify") args << Path("plug.tbl");
    if (verb == "read") args << "-o" << Path("out.tbl");
    if (verb == "produce")
      args << Path("plug.tbl") << "--serial"
           << "AB1234567890"
           << "--log-dir" << dir_.path();
    if (verb == "test") args = QStringList{"test", "vibrator", "on", "--port", port};
    const Ran run = Zt310(args, dir_.path());
    QCOMPARE(run.code, 1);
    const std::string line = "Port " + port.toStdString() + ": " + reason + ".\n";
    QVERIFY_SAYS(run.err, line);
    QVERIFY2(run.err.find(line) == run.err.rfind(line), run.err.c_str());  // said once
    if (verb == "test") {
      QVERIFY_SAYS(run.err, "Error opening comm port.");
    } else {
      QVERIFY_SAYS(run.err, kBoardNotRespondingText);
    }
    if (verb == "write") QVERIFY_SAYS(run.err, kind == "regular file" ? kOpenErrorText : kOpenErrorInUseText);
    QCOMPARE(pager->Requests().size(), std::size_t(0));
  }

  // Outputs that cannot be written are found before the first frame: exit 2,
  // naming the path and the reason, and the pager is asked nothing.
  void outputsAreCheckedFirst_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    const QString plug = Path("plug.tbl");
    QTest::newRow("produce, no log folder")
        << QStringList{"produce", "@", plug, "--serial", "AB1234567890", "--log-dir", Path("no-such-folder")}
        << "Save Error!\nCannot write the log folder \"" + Path("no-such-folder") + "\": No such file or directory.";
    QTest::newRow("produce, log folder is a file")
        << QStringList{"produce", "@", plug, "--serial", "AB1234567890", "--log-dir", plug}
        << "Cannot write the log folder \"" + plug + "\": not a folder.";
    QTest::newRow("produce, the day's log is a folder")
        << QStringList{"produce", "@", plug, "--serial", "AB1234567890", "--log-dir", Path("day-is-folder")}
        << "Cannot write the log file \"" + Path("day-is-folder") + "/@LOG@\": not a regular file";
    QTest::newRow("produce, backup folder under a file")
        << QStringList{"produce",   "@",         plug,           "--serial",       "AB1234567890",
                       "--log-dir", dir_.path(), "--backup-dir", plug + "/backups"}
        << "Cannot keep backups in the backup folder \"" + plug + "/backups\" (in \"" + plug + "\"): not a folder.";
    QTest::newRow("write, backup folder under a file")
        << QStringList{"write", "@", plug, "--backup-dir", plug + "/backups"}
        << "Cannot keep backups in the backup folder \"" + plug + "/backups\" (in \"" + plug + "\"): not a folder.";
    QTest::newRow("read -o in no folder") << QStringList{"read", "@", "-o", Path("no-such-folder/out.tbl")}
                                          << "Cannot write " + Path("no-such-folder/out.tbl");
    QTest::newRow("write --trace in no folder")
        << QStringList{"write", "@", plug, "--trace", Path("no-such-folder/t.trace")}
        << "Cannot write the trace \"" + Path("no-such-folder/t.trace") + "\"";
  }
  void outputsAreCheckedFirst() {
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    const QString logName = QString::fromStdString(LogFileName(CurrentLocalDateTime()));
    QDir(dir_.path()).mkpath("day-is-folder/" + logName);
    RunningSim pager;
    args.replaceInStrings("@", "--port=" + pager.device());
    const Ran run = Zt310(args, dir_.path());
    QCOMPARE(run.code, 2);
    QVERIFY_SAYS(run.err, says.replace("@LOG@", logName).toStdString());
    QCOMPARE(pager->Requests().size(), std::size_t(0));
  }

  // A pager programmed whose result cannot go into the log: the run says so
  // and ends with 1, though the pager was written. The day's log is there and
  // opens, but the process may not make any file longer (a full disk, as
  // far as the log can tell), so the result line is refused.
  void unloggedRunExitsOne() {
    RunningSim pager;
    QTemporaryDir logs;
    const QString logName = QString::fromStdString(LogFileName(CurrentLocalDateTime()));
    const QByteArray earlier =
        QByteArray(kLogBanner) + "2024-05-17 09:07:31  Serial No. = AB0000000001  Write Success !\r\n";
    {
      QFile log(logs.filePath(logName));
      QVERIFY(log.open(QIODevice::WriteOnly));
      QCOMPARE(log.write(earlier), earlier.size());
    }
    const rlim_t limit = static_cast<rlim_t>(earlier.size());
    QProcess process;
    process.setWorkingDirectory(dir_.path());
    process.setChildProcessModifier([limit] {
      // Past the limit a write fails with EFBIG instead of ending the process.
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit fileSize{limit, limit};
      ::setrlimit(RLIMIT_FSIZE, &fileSize);
    });
    // The record in memory: under this file-size limit no record on disk could be written.
    process.start(ZT310_CLI, {"produce", "--port", pager.device(), Path("plug.tbl"), "--log-dir", logs.path(),
                              "--record", ":memory:", "--serial", "AB1234567891"});
    QVERIFY(process.waitForStarted());
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(30000));
    const std::string err = process.readAllStandardError().toStdString();
    QCOMPARE(process.exitCode(), 1);
    QVERIFY_SAYS(err, "The result of this run is not in the log \"" + logs.filePath(logName).toStdString() + "\"");
    QVERIFY_SAYS(err, "The pager was programmed, but this run is not logged.");
    QCOMPARE(FileText(logs.filePath(logName).toStdString()), earlier.toStdString());
    QCOMPARE(SerialNumberText(pager->Memory()).value_or(""), std::string("AB1234567891"));
  }
};

QTEST_GUILESS_MAIN(OperationsProcessTest)
#include "test_operations_process.moc"
