// SPDX-License-Identifier: GPL-3.0-or-later
// zt310 restore and verify --exact against the simulated pager: a backup
// taken by Write goes back byte for byte, a backup of another kind of pager
// is refused, and the exact verify lists the bytes that differ.
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <fstream>
#include <memory>

#include "CliRunner.h"
#include "SimFixture.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"

using namespace zt310;
using namespace zt310::layout;
using namespace zt310::testing;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void Store(const std::filesystem::path& path, const std::uint8_t* bytes, std::size_t size) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}
void Store(const std::filesystem::path& path, const CodePlugImage& image) { Store(path, image.data(), kImageSize); }

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

// A customer's pager whose memory holds what "Open" would normalise (the
// spacing codes 35 at bytes 23 and 39, the speaker-on threshold 24 at 388)
// and a checksum that went stale.
CodePlugImage StaleMemory() {
  CodePlugImage memory = FactoryImageForChannels(false);
  memory[kFirmwareMajor] = 1;
  memory[kFirmwareMinor] = 3;
  memory[kFirmwarePatch] = 0;
  memory[23] = 35;
  memory[39] = 35;
  memory[kSpeakerOnCode] = 24;
  memory[kGapMax] = 17;
  StampCaption(memory);
  StampHeader(memory);
  StoreImageChecksum(memory);
  memory[kImageChecksum] ^= 0x5A;  // the sum of the serial number added in the pager is missing too
  return memory;
}

}  // namespace

class RestoreCliTest : public QObject {
  Q_OBJECT
 private slots:
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

  void backupOfAStalePagerGoesBackExactly() {
    sim::SimOptions options;
    options.memory = StaleMemory();
    options.serial = "AB1234567890";
    RunningSim pager(options);
    const std::string port = pager.device().toStdString();
    const CodePlugImage before = pager->Memory();
    QVERIFY(ComputeImageChecksum(before) != before.GetWord(kImageChecksum));
    Store("new.tbl", FactoryImageForChannels(false));

    QCOMPARE(RunZt310({"write", "--port", port, "--yes", "--backup-dir", "backups", "new.tbl"}).code, cli::kExitOk);
    std::vector<std::filesystem::path> backups;
    for (const auto& entry : std::filesystem::directory_iterator("backups")) backups.push_back(entry.path());
    QCOMPARE(backups.size(), std::size_t(1));
    const std::string backup = backups[0].string();
    // The pager's bytes as read, its stale checksum included.
    QCOMPARE(FileBytes(backup), Bytes(before));
    QVERIFY(!(pager->Memory() == before));

    const CliRun restored = RunZt310({"restore", "--port", port, backup});
    QCOMPARE(restored.code, cli::kExitOk);
    QVERIFY2(Contains(restored.err, "Write Success !"), restored.err.c_str());
    // Only the checksum is made anew, and the restore says which bytes that changed.
    CodePlugImage meant = before;
    StoreImageChecksum(meant);
    for (const int offset : {kImageChecksum, kImageChecksum + 1}) {
      char line[64];
      std::snprintf(line, sizeof line, "byte %d: written 0x%02X, file 0x%02X (checksum.stored)", offset, meant[offset],
                    before[offset]);
      QVERIFY2(Contains(restored.err, line), restored.err.c_str());
    }
    QVERIFY2(Contains(restored.err, "which changed 2 bytes of " + backup + ":\n"), restored.err.c_str());
    QCOMPARE(Bytes(pager->Memory()), Bytes(meant));

    const CliRun exact = RunZt310({"verify", "--port", port, "--exact", backup});
    QCOMPARE(exact.code, cli::kExitOk);
    QVERIFY2(Contains(exact.err, "Verify Success !"), exact.err.c_str());

    // What the backup holds as stored passes too (the checksum as in the file).
    pager->SetMemory(before);
    QCOMPARE(RunZt310({"verify", "--port", port, "--exact", backup}).code, cli::kExitOk);

    // Write loads the backup as "Open" does: the exact verify names what that changed.
    QCOMPARE(RunZt310({"write", "--port", port, "--yes", backup}).code, cli::kExitOk);
    const CliRun differs = RunZt310({"verify", "--port", port, "--exact", backup});
    QCOMPARE(differs.code, cli::kExitFailed);
    QVERIFY2(Contains(differs.err, "Verify Fail !"), differs.err.c_str());
    QVERIFY2(Contains(differs.err, "byte 388: pager 0x17, file 0x18"), differs.err.c_str());
  }

  void backupOfAnotherKindOfPagerIsRefused_data() {
    QTest::addColumn<bool>("singleChannel");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("named");
    QTest::newRow("two-channel backup, single-channel pager")
        << true << "1.3.0"
        << "The backup is from a two-channel pager (firmware 1.3.0); the pager in the cradle is a single-channel "
           "pager (firmware 1.3.0).";
    QTest::newRow("50 ms backup, 100 ms pager")
        << false << "1.2.0"
        << "The backup is from firmware 1.3.0, whose timing counts in 50 ms; the pager in the cradle has firmware "
           "1.2.0, whose timing counts in 100 ms.";
  }
  void backupOfAnotherKindOfPagerIsRefused() {
    QFETCH(bool, singleChannel);
    QFETCH(QString, firmware);
    QFETCH(QString, named);
    {
      RunningSim original;
      QCOMPARE(RunZt310({"write", "--port", original.device().toStdString(), "--backup-dir", "b", "--yes",
                         std::string(ZT310_TEST_DATA_DIR) + "/factory.tbl"})
                   .code,
               cli::kExitOk);
    }
    const std::string backup = std::filesystem::directory_iterator("b")->path().string();
    sim::SimOptions options;
    options.singleChannel = singleChannel;
    const QStringList digits = firmware.split('.');
    options.firmware = std::array<int, 3>{digits[0].toInt(), digits[1].toInt(), digits[2].toInt()};
    RunningSim pager(options);
    const CodePlugImage before = pager->Memory();

    const CliRun refused = RunZt310({"restore", "--port", pager.device().toStdString(), backup});
    QCOMPARE(refused.code, cli::kExitFailed);
    QVERIFY2(Contains(refused.err, named.toStdString()), refused.err.c_str());
    QCOMPARE(WritesSent(*pager), 0);
    QVERIFY(pager->Memory() == before);
  }

  void onlyWholeTableFilesAreTakenByteForByte_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("signature");
    QTest::addColumn<QString>("reason");
    QTest::newRow("short") << 300 << true << "it holds 300 bytes, a backup exactly 512";
    QTest::newRow("long") << 600 << true << "it holds more than 512 bytes";
    QTest::newRow("another model") << 512 << false << "no ZT310 signature";
  }
  void onlyWholeTableFilesAreTakenByteForByte() {
    QFETCH(int, size);
    QFETCH(bool, signature);
    QFETCH(QString, reason);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size), 0x11);
    CodePlugImage image = FactoryImageForChannels(false);
    std::copy_n(image.data(), std::min<std::size_t>(bytes.size(), kImageSize), bytes.begin());
    if (!signature) bytes[kHeaderCaption] = 'X';
    Store("x.tbl", bytes.data(), bytes.size());
    SilentPty nobody;  // never asked: the file is refused first
    for (const std::vector<std::string>& verb :
         {std::vector<std::string>{"restore", "--port", nobody.device().toStdString(), "x.tbl"},
          std::vector<std::string>{"verify", "--exact", "--port", nobody.device().toStdString(), "x.tbl"}}) {
      const CliRun run = RunZt310(verb);
      QCOMPARE(run.code, cli::kExitUsage);
      QVERIFY2(Contains(run.err, "x.tbl cannot be taken byte for byte: ") && Contains(run.err, reason.toStdString()),
               run.err.c_str());
    }
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::filesystem::path previous_;
};

QTEST_GUILESS_MAIN(RestoreCliTest)
#include "test_restore_cli.moc"
