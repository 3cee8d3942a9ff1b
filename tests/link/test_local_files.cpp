// SPDX-License-Identifier: GPL-3.0-or-later
// The files the pager operations leave in the start-up folder: errtbl.tbl
// after a failed read and the day's production log, with links planted at
// their names, and four producers on other cradles sharing one log.
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "CliRunner.h"
#include "SimFixture.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/Operations.h"
#include "link/Production.h"

using namespace zt310;
using namespace zt310::testing;
namespace fs = std::filesystem;

namespace {

// The day's logs of a folder; the production record lies beside them.
std::vector<std::filesystem::path> DailyLogs(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> logs;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".log") logs.push_back(entry.path());
  }
  return logs;
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void WriteLineImage(const fs::path& path) {
  const CodePlugImage image = FactoryImageForChannels(false);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), layout::kImageSize);
}

}  // namespace

class LocalFilesTest : public QObject {
  Q_OBJECT
 private slots:
  // Every test runs in a fresh current directory: errtbl.tbl and the logs go there.
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    previous_ = fs::current_path();
    fs::current_path(dir_->path().toStdString());
  }
  void cleanup() {
    fs::current_path(previous_);
    dir_.reset();
  }

  void failedReadReplacesALinkAtTheDumpName() {
    std::ofstream("victim") << "precious";
    fs::create_symlink(fs::absolute("victim"), kErrorDumpName);
    RunningSim pager(SimFault(sim::FaultKind::Corrupt, 5));
    const CliRun read = RunZt310({"read", "--port", pager.device().toStdString(), "-o", "pager.tbl"});
    QCOMPARE(read.code, cli::kExitFailed);
    QCOMPARE(FileText("victim"), std::string("precious"));
    QVERIFY(!fs::is_symlink(kErrorDumpName));
    QCOMPARE(fs::file_size(kErrorDumpName), std::uintmax_t(kErrorDumpSize));
    QVERIFY2(Contains(read.err, "The bytes received are in"), read.err.c_str());
  }

  void dumpThatCannotBeWrittenIsNotClaimed() {
    fs::create_directory(kErrorDumpName);
    RunningSim pager(SimFault(sim::FaultKind::Corrupt, 5));
    const CliRun read = RunZt310({"read", "--port", pager.device().toStdString(), "-o", "pager.tbl"});
    QCOMPARE(read.code, cli::kExitFailed);
    QVERIFY2(!Contains(read.err, "The bytes received are in"), read.err.c_str());
    QVERIFY2(Contains(read.err, "could not be kept in"), read.err.c_str());
  }

  // A link, a FIFO or a folder planted at the day's log name: not written
  // through, and the run is refused rather than left unlogged.
  void plantedLogIsRefusedWithTheRun_data() {
    QTest::addColumn<QString>("planted");
    QTest::newRow("link") << "link";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("folder") << "folder";
  }
  void plantedLogIsRefusedWithTheRun() {
    QFETCH(QString, planted);
    std::ofstream("victim") << "precious";
    const std::string today = LogFileName(CurrentLocalDateTime());
    fs::remove_all(today);
    if (planted == "link") fs::create_symlink(fs::absolute("victim"), today);
    if (planted == "fifo") QCOMPARE(::mkfifo(today.c_str(), 0600), 0);
    if (planted == "folder") fs::create_directory(today);
    WriteLineImage("line.tbl");
    RunningSim pager;
    const CliRun run =
        RunZt310({"produce", "--port", pager.device().toStdString(), "line.tbl", "--serial", "AB1234567890"});
    QCOMPARE(FileText("victim"), std::string("precious"));
    QVERIFY(!fs::is_regular_file(fs::symlink_status(today)));
    QVERIFY2(Contains(run.err, today) && Contains(run.err, "not a regular file"), run.err.c_str());
    QVERIFY2(Contains(run.err, "Nothing was programmed"), run.err.c_str());
    QVERIFY(run.code != cli::kExitOk);
    fs::remove_all(today);
  }

  // Four production lines, each its own process and cradle, one log: every
  // line arrives whole and none is lost.
  void fourProducersShareOneLog() {
    constexpr int kProducers = 4;
    constexpr int kScans = 3;
    WriteLineImage("line.tbl");
    fs::create_directory("logs");
    std::vector<std::unique_ptr<RunningSim>> pagers;
    std::vector<std::unique_ptr<QProcess>> producers;
    for (int p = 0; p < kProducers; ++p) {
      pagers.push_back(std::make_unique<RunningSim>());
      auto producer = std::make_unique<QProcess>();
      producer->start(ZT310_CLI, {"produce", "--port", pagers.back()->device(), "line.tbl", "--log-dir", "logs"});
      QVERIFY(producer->waitForStarted(10000));
      QString scans;
      for (int s = 0; s < kScans; ++s) scans += QString("LINE%1SCAN%2AB\n").arg(p).arg(s);
      producer->write(scans.toUtf8());
      producer->closeWriteChannel();
      producers.push_back(std::move(producer));
    }
    for (auto& producer : producers) {
      QVERIFY(producer->waitForFinished(300000));
      QVERIFY2(producer->exitCode() == 0, producer->readAllStandardError().constData());
    }

    const std::vector<fs::path> logs = DailyLogs("logs");
    QCOMPARE(logs.size(), std::size_t(1));
    const std::string text = FileText(logs.front());
    QVERIFY(text.starts_with(kLogBanner));
    const QRegularExpression line(QRegularExpression::anchoredPattern(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  Serial No\. = LINE(\d)SCAN(\d)AB  Write Success !)"));
    std::set<std::string> seen;
    std::istringstream lines(text.substr(std::string(kLogBanner).size()));
    for (std::string entry; std::getline(lines, entry);) {
      QVERIFY2(entry.ends_with('\r'), entry.c_str());
      entry.pop_back();
      const QRegularExpressionMatch match = line.match(QString::fromStdString(entry));
      QVERIFY2(match.hasMatch(), entry.c_str());
      QVERIFY2(seen.insert((match.captured(1) + match.captured(2)).toStdString()).second, entry.c_str());
    }
    QCOMPARE(int(seen.size()), kProducers * kScans);
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  fs::path previous_;
};

QTEST_GUILESS_MAIN(LocalFilesTest)
#include "test_local_files.moc"
