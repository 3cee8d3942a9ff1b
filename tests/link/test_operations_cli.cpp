// zt310 read, write, verify and produce against the simulated pager: exit
// codes, stderr, the files they leave, and the questions answered by --yes.
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <memory>
#include <sstream>

#include "SimFixture.h"
#include "cli/Cli.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/Operations.h"

using namespace zt310;
using namespace zt310::layout;
using namespace zt310::testing;

namespace {

struct CliRun {
  int exit = -1;
  std::string out, err;
};

CliRun Run(const std::vector<std::string>& args, const std::string& input = {}) {
  std::ostringstream out, err;
  std::istringstream in(input);
  cli::Io io{out, err, in};
  CliRun run;
  run.exit = cli::RunCli(args, io);
  run.out = out.str();
  run.err = err.str();
  return run;
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

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
    const CliRun read = Run({"read", "--port", port, "-o", "pager.tbl"});
    QCOMPARE(read.exit, cli::kExitOk);
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

    QCOMPARE(Run({"write", "--port", port, "pager.tbl"}).exit, cli::kExitOk);
    const CliRun verify = Run({"verify", "--port", port, "pager.tbl"});
    QCOMPARE(verify.exit, cli::kExitOk);
    QVERIFY(Contains(verify.err, "Verify Success !"));

    CodePlugImage other = FactoryImageForChannels(false);
    other[300] ^= 1;
    std::ofstream("other.tbl", std::ios::binary).write(reinterpret_cast<const char*>(other.data()), kImageSize);
    const CliRun differs = Run({"verify", "--port", port, "other.tbl"});
    QCOMPARE(differs.exit, cli::kExitFailed);
    QVERIFY(Contains(differs.err, "Verify Fail !"));
  }

  void bandQuestionIsRefusedUnlessYes() {
    sim::SimOptions options;
    options.narrowBand = true;
    RunningSim pager(options);
    const std::string port = pager.device().toStdString();
    CodePlugImage image = FactoryImageForChannels(false);
    std::ofstream("wide.tbl", std::ios::binary).write(reinterpret_cast<const char*>(image.data()), kImageSize);

    const CliRun refused = Run({"write", "--port", port, "wide.tbl"});
    QCOMPARE(refused.exit, cli::kExitFailed);
    QVERIFY(Contains(refused.err, "Are you sure to switch NB to WB ?"));
    QCOMPARE(pager->Requests().size(), std::size_t(3));

    const CliRun accepted = Run({"write", "--port", port, "wide.tbl", "--yes"});
    QCOMPARE(accepted.exit, cli::kExitOk);
    QCOMPARE(int(pager->Memory()[kBand]), 255);
  }

  void failedReadLeavesTheDumpHere() {
    RunningSim pager(SimFault(sim::FaultKind::Corrupt, 5));
    const CliRun read = Run({"read", "--port", pager.device().toStdString(), "-o", "pager.tbl"});
    QCOMPARE(read.exit, cli::kExitFailed);
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

    const CliRun run = Run({"produce", "--port", port, "line.tbl", "--log-dir", "logs"},
                           "AB1234567890\n\n  AB1234567891  \n");
    QCOMPARE(run.exit, cli::kExitOk);
    QCOMPARE(SerialNumberText(pager->Memory()).value_or(""), std::string("AB1234567891"));
    std::vector<std::filesystem::path> logs(std::filesystem::directory_iterator("logs"), {});
    QCOMPARE(logs.size(), std::size_t(1));
    const std::string log = FileText(logs.front());
    QVERIFY(Contains(log, "Serial No. = AB1234567890  Write Success !\r\n"));
    QVERIFY(Contains(log, "Serial No. = AB1234567891  Write Success !\r\n"));

    const CliRun tooLong = Run({"produce", "--port", port, "line.tbl", "--serial", "AB1234567890123"});
    QCOMPARE(tooLong.exit, cli::kExitFailed);
    QVERIFY(Contains(tooLong.err, "AB1234567890123"));
    QCOMPARE(SerialNumberText(pager->Memory()).value_or(""), std::string("AB1234567891"));
  }

  void usageAndFileErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("read without -o") << QStringList{"read", "--port", "ttyS0"};
    QTest::newRow("write without --port") << QStringList{"write", "x.tbl"};
    QTest::newRow("write with two files") << QStringList{"write", "--port", "ttyS0", "a.tbl", "b.tbl"};
    QTest::newRow("verify of a missing file") << QStringList{"verify", "--port", "ttyS0", "missing.tbl"};
    QTest::newRow("produce of a missing file") << QStringList{"produce", "--port", "ttyS0", "missing.tbl"};
  }
  void usageAndFileErrors() {
    QFETCH(QStringList, args);
    std::vector<std::string> list;
    for (const QString& arg : args) list.push_back(arg.toStdString());
    QCOMPARE(Run(list).exit, cli::kExitUsage);
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::filesystem::path previous_;
};

QTEST_GUILESS_MAIN(OperationsCliTest)
#include "test_operations_cli.moc"
