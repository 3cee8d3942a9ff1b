// SPDX-License-Identifier: GPL-3.0-or-later
// The backup Write (and a production run, when asked) takes of the pager
// before writing, and the list of differing fields a failed Verify gives,
// against the simulated pager over a real pty.
#include <QtTest>

#include <fstream>

#include "codeplug/Decode.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/PagerBackup.h"
#include "test_operations_fixture.h"

using namespace zt310;
using namespace zt310::layout;
using namespace zt310::testing;
using sim::FaultKind;

namespace {

constexpr LocalDateTime kWhen{2024, 5, 17, 9, 7, 31};

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Bytes(const CodePlugImage& image) { return {image.data(), image.data() + kImageSize}; }

int WritesSent(sim::PagerSimulator& pager) {
  int writes = 0;
  for (const sim::SimRequest& request : pager.Requests()) writes += request.description.rfind("write", 0) == 0;
  return writes;
}

// A pager that holds something else than the factory image the bench writes.
CodePlugImage CustomerMemory() {
  CodePlugImage memory = FactoryImageForChannels(false);
  memory[RfFrequency(0) + 2] = 3;
  memory[kGapMax] = 17;
  StampCaption(memory);
  StampHeader(memory);
  StoreImageChecksum(memory);
  return memory;
}

std::vector<std::string> Paths(const std::vector<FieldDifference>& differences) {
  std::vector<std::string> paths;
  for (const FieldDifference& difference : differences) paths.push_back(difference.path);
  return paths;
}

class BackupHost : public RecordingHost {
 public:
  void PagerBackedUp(const std::filesystem::path& file) override { backups.push_back(file); }
  void VerifyFailed(const VerifyReport& report) override { reports.push_back(report); }
  std::vector<std::filesystem::path> backups;
  std::vector<VerifyReport> reports;
};

// The bench with a host that also records backups and verify reports.
struct Bench : OperationBench {
  explicit Bench(sim::SimOptions options = {}) : OperationBench(std::move(options)) { recorder.model = model.get(); }
  OperationResult WriteBackingUpTo(const std::filesystem::path& folder) {
    OperationContext context{link, recorder, Path("")};
    context.backupDirectory = folder;
    context.now = [] { return kWhen; };
    return Run(context, WritePager);
  }
  OperationResult ProduceBackingUpTo(const std::optional<std::filesystem::path>& folder, const std::string& serial) {
    OperationContext context{link, recorder, Path("")};
    context.backupDirectory = folder;
    context.now = [] { return kWhen; };
    return Run(context, [&](OperationContext& each, const OperationRequest& request) {
      return ProduceScannedSerial(each, request, LogHere(kWhen), serial);
    });
  }
  OperationResult VerifyHere() {
    OperationContext context{link, recorder, Path("")};
    return Run(context, VerifyPager);
  }
  BackupHost recorder;
};

}  // namespace

class BackupVerifyTest : public QObject {
  Q_OBJECT
 private slots:
  // --- backup before Write ---

  void writeBacksUpThePagerBeforeItsFirstWriteFrame_data() {
    QTest::addColumn<bool>("withSignature");
    QTest::newRow("memory written by this tool") << true;
    // A pager that never carried the tool's caption gets it in the file only.
    QTest::newRow("memory without the signature") << false;
  }
  void writeBacksUpThePagerBeforeItsFirstWriteFrame() {
    QFETCH(bool, withSignature);
    CodePlugImage memory = CustomerMemory();
    if (!withSignature) std::fill(memory.data() + kHeaderCaption, memory.data() + kHeaderCaption + 12, 0xFF);
    sim::SimOptions options;
    options.memory = memory;
    options.serial = "AB1234567890";
    Bench bench(options);
    const CodePlugImage before = bench.sim->Memory();
    const std::filesystem::path folder = bench.Path("backups/bench 1");  // made when missing

    QCOMPARE(bench.WriteBackingUpTo(folder).outcome, OperationOutcome::Success);

    const std::filesystem::path file = folder / "AB1234567890-20240517-090731.tbl";
    QCOMPARE(bench.recorder.backups, std::vector<std::filesystem::path>{file});
    const std::vector<std::uint8_t> stored = FileBytes(file);
    if (withSignature) {
      QCOMPARE(stored, Bytes(before));
    } else {
      QCOMPARE(std::vector<std::uint8_t>(stored.begin(), stored.begin() + kHeaderCaption),
               std::vector<std::uint8_t>(before.data(), before.data() + kHeaderCaption));
    }
    CodePlugImage opened = FactoryDefaultImage();
    QCOMPARE(OpenTableFile(file, opened).status, OpenStatus::Opened);

    // The four reads of 128 bytes come after the serial read and before any write.
    std::vector<std::string> order;
    for (const sim::SimRequest& request : bench.sim->Requests()) order.push_back(request.description);
    const auto firstWrite =
        std::find_if(order.begin(), order.end(), [](const std::string& d) { return d.rfind("write", 0) == 0; });
    QCOMPARE(std::vector<std::string>(order.begin() + 4, firstWrite),
             (std::vector<std::string>{"read 0+128", "read 128+128", "read 256+128", "read 384+128"}));
    const auto& labels = bench.recorder.labels;
    const auto backupLabel = std::find(labels.begin(), labels.end(), kLabelReadBackup);
    QVERIFY(backupLabel != labels.end());
    QVERIFY(std::find(backupLabel, labels.end(), kLabelWriteNow) != labels.end());
    QVERIFY(std::find(bench.recorder.statuses.begin(), bench.recorder.statuses.end(), kStatusReadBackup) !=
            bench.recorder.statuses.end());
  }

  void backupThatFailsWritesNothing_data() {
    QTest::addColumn<int>("dropRequest");
    QTest::addColumn<int>("obstacle");  // 0 none, 1 a file where the folder goes, 2 a folder where the file goes
    QTest::addColumn<QString>("reason");
    QTest::newRow("no reply to a backup read") << 6 << 0 << "No reply to the read of bytes 128 to 255.";
    QTest::newRow("folder cannot be made") << 0 << 1 << "cannot be made";
    QTest::newRow("file cannot be saved") << 0 << 2 << "cannot be saved";
  }
  void backupThatFailsWritesNothing() {
    QFETCH(int, dropRequest);
    QFETCH(int, obstacle);
    QFETCH(QString, reason);
    sim::SimOptions options;
    options.memory = CustomerMemory();
    if (dropRequest) options = WithFault(FaultKind::Drop, dropRequest, options);
    Bench bench(options);
    const CodePlugImage before = bench.sim->Memory();
    std::filesystem::path folder = bench.Path("backups");
    if (obstacle == 1) {
      std::ofstream(folder) << "not a folder";
    } else if (obstacle == 2) {
      std::filesystem::create_directories(folder / "no-serial-20240517-090731.tbl");
    }

    const OperationResult result = bench.WriteBackingUpTo(folder);
    QCOMPARE(result.outcome, OperationOutcome::Abandoned);
    QCOMPARE(WritesSent(*bench.sim), 0);
    QVERIFY(bench.sim->Memory() == before);
    QCOMPARE(bench.recorder.warnings.size(), std::size_t(1));
    const std::string& warning = bench.recorder.warnings[0];
    QVERIFY2(warning.find(reason.toStdString()) != std::string::npos, warning.c_str());
    QVERIFY(warning.find(kNothingWrittenText) != std::string::npos);
    QVERIFY(bench.recorder.backups.empty());
    QVERIFY(!bench.link.Port().IsOpen());
    QVERIFY(!bench.recorder.progressShown);
    QVERIFY(bench.recorder.mainEnabled);
  }

  void serialNumbersNeverLeaveTheBackupFolder_data() {
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<QByteArray>("part");
    QTest::newRow("plain") << QByteArray("AB1234567890") << QByteArray("AB1234567890");
    QTest::newRow("none") << QByteArray() << QByteArray("no-serial");
    QTest::newRow("slashes") << QByteArray("../../etc/x") << QByteArray("_._.._etc_x");
    QTest::newRow("hidden") << QByteArray(".profile1234") << QByteArray("_profile1234");
    QTest::newRow("control and non-ASCII") << QByteArray("A\tB\\C\xC3\xA9") << QByteArray("A_B_C__");
  }
  void serialNumbersNeverLeaveTheBackupFolder() {
    QFETCH(QByteArray, serial);
    QFETCH(QByteArray, part);
    QCOMPARE(BackupFileName(serial.toStdString(), kWhen), part.toStdString() + "-20240517-090731.tbl");
  }

  void aPagerSerialWithASlashIsSavedInsideTheFolder() {
    sim::SimOptions options;
    options.serial = "../../SN01234";
    Bench bench(options);
    QCOMPARE(bench.WriteBackingUpTo(bench.Path("b")).outcome, OperationOutcome::Success);
    QCOMPARE(bench.recorder.backups,
             std::vector<std::filesystem::path>{bench.Path("b") / "_._.._SN01234-20240517-090731.tbl"});
    QVERIFY(std::filesystem::is_regular_file(bench.recorder.backups[0]));
  }

  void productionBacksUpOnlyWhenAsked() {
    sim::SimOptions options;
    options.memory = CustomerMemory();
    Bench bench(options);
    const CodePlugImage before = bench.sim->Memory();
    QCOMPARE(bench.ProduceBackingUpTo(std::nullopt, "AB1234567890").outcome, OperationOutcome::Success);
    QCOMPARE(bench.RequestCount(), 11);  // probe, identity, band, four blocks written and read back
    QVERIFY(bench.recorder.backups.empty());

    bench.sim->SetMemory(before);
    QCOMPARE(bench.ProduceBackingUpTo(bench.Path("b"), "CD1234567890").outcome, OperationOutcome::Success);
    QCOMPARE(bench.RequestCount(), 11 + 15);
    // Named after the scanned serial number, holding the memory before the run.
    QCOMPARE(FileBytes(bench.Path("b") / "CD1234567890-20240517-090731.tbl"), Bytes(before));
  }

  // --- what a failed Verify says ---

  void verifyListsTheFieldsThatDiffer() {
    Bench bench;
    QCOMPARE(bench.WriteBackingUpTo(bench.Path("b")).outcome, OperationOutcome::Success);
    CodePlugImage& image = bench.image();
    const CodePlugImage written = image;
    image[RfFrequency(0) + 1] = static_cast<std::uint8_t>((image[RfFrequency(0) + 1] + 1) % 10);
    image[kGapMax] = static_cast<std::uint8_t>(image[kGapMax] + 1);
    image[kCallOptions[0] + 63] ^= 0x80;  // inside the last block Verify compares
    StoreImageChecksum(image);

    QCOMPARE(bench.VerifyHere().outcome, OperationOutcome::Failed);
    QCOMPARE(bench.recorder.LastLabel(), std::string(kLabelVerifyFail));
    QCOMPARE(bench.recorder.reports.size(), std::size_t(1));
    const VerifyReport& report = bench.recorder.reports[0];
    QVERIFY(report.linkProblem.empty());
    // Exactly what tells the two images apart, field by field.
    QCOMPARE(Paths(report.differences), Paths(DifferingFields(image, written)));
    QVERIFY(!report.differences.empty());
    const auto frequency = std::find_if(report.differences.begin(), report.differences.end(),
                                        [](const FieldDifference& d) { return d.path == "channels.F1.frequency"; });
    QVERIFY(frequency != report.differences.end());
    QCOMPARE(DescribeDifference(*frequency),
             "channels.F1.frequency: file " + FrequencyText(image, 0) + ", pager " + FrequencyText(written, 0));
    const std::vector<std::string> paths = Paths(report.differences);
    QVERIFY(std::find(paths.begin(), paths.end(), "advance.gap_max") != paths.end());
    bench.VerifyEndedCleanly();
  }

  void verifyFailingOnTheLinkSaysSoWithoutAList_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("problem");
    // Probe, identity, serial, then the blocks: request 5 reads bytes 32 to 63.
    QTest::newRow("no reply") << int(FaultKind::Drop) << "No reply to the read of bytes 32 to 63.";
    QTest::newRow("reply checksum") << int(FaultKind::Corrupt)
                                    << "The reply to the read of bytes 32 to 63 failed its checksum.";
  }
  void verifyFailingOnTheLinkSaysSoWithoutAList() {
    QFETCH(int, kind);
    QFETCH(QString, problem);
    Bench bench(WithFault(static_cast<FaultKind>(kind), 5));
    bench.TakePagerMemory();
    QCOMPARE(bench.VerifyHere().outcome, OperationOutcome::Failed);
    QCOMPARE(bench.recorder.reports.size(), std::size_t(1));
    QCOMPARE(bench.recorder.reports[0].linkProblem, problem.toStdString());
    QVERIFY(bench.recorder.reports[0].differences.empty());
  }

  void bytesNoFieldShowsAreNamedByOffset() {
    CodePlugImage a = FactoryDefaultImage();
    a[15] = 0x00;
    CodePlugImage b = a;
    b[kFirmwareMinor] ^= 0x01;  // shown as the firmware
    b[15] = 0x40;               // shown by no field
    const std::vector<FieldDifference> differences = DifferingFields(a, b);
    QCOMPARE(differences.size(), std::size_t(2));
    QCOMPARE(differences[0].path, std::string("firmware"));
    QCOMPARE(DescribeDifference(differences[1]), std::string("byte 15: file 00, pager 40"));
    QVERIFY(DifferingFields(a, a).empty());
  }
};

QTEST_GUILESS_MAIN(BackupVerifyTest)
#include "test_backup_verify.moc"
