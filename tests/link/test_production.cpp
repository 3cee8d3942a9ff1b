// SPDX-License-Identifier: GPL-3.0-or-later
// Production programming by scanned serial number: the scanner's key
// handling, the run against the simulated pager and the daily log.
#include <QtTest>

#include <fstream>

#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/Production.h"
#include "test_operations_fixture.h"

using namespace zt310;
using namespace zt310::layout;
using namespace zt310::testing;
using sim::FaultKind;

namespace {

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const LocalDateTime kMorning{2024, 5, 17, 9, 7, 31};
const LocalDateTime kLater{2024, 5, 17, 14, 0, 5};
const LocalDateTime kNextDay{2024, 5, 18, 0, 0, 1};

}  // namespace

class ProductionTest : public QObject {
  Q_OBJECT
 private slots:
  // Pagers programmed from one file share the configuration's hash, whatever
  // their serial numbers (and so their checksums); another setting changes it.
  void configurationHashIgnoresTheSerialNumber() {
    const auto programmed = [](const std::string& serial, std::uint8_t gapMax) {
      CodePlugImage image = FactoryImageForChannels(false);
      image[kGapMax] = gapMax;
      std::copy(serial.begin(), serial.end(), image.data() + kSerialNumber);
      image.SetWord(kSerialChecksum, static_cast<std::uint16_t>(serial.size()));
      StoreImageChecksum(image);
      return image;
    };
    const std::string first = ConfigurationSha256(programmed("AB0000000001", 10));
    QCOMPARE(ConfigurationSha256(programmed("ZX9876543210", 10)), first);
    QVERIFY(ConfigurationSha256(programmed("AB0000000001", 11)) != first);
  }

  // --- scanner keys ---

  // Characters arrive every `gap` ms from `start` on, Enter `enterAfterLast` ms
  // after the last one; the scan time counts from the second character.
  void scannerKeys_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("gap");
    QTest::addColumn<quint32>("enterAfterLast");
    QTest::addColumn<bool>("programs");
    QTest::addColumn<bool>("refocus");
    QTest::newRow("twelve scanned") << "AB1234567890" << 1000u << 5u << 5u << true << false;
    QTest::newRow("twelve typed by hand") << "AB1234567890" << 1000u << 120u << 150u << false << true;
    QTest::newRow("ten fast: too short") << "AB12345678" << 1000u << 5u << 5u << false << false;
    QTest::newRow("eleven fast") << "AB123456789" << 1000u << 5u << 5u << true << false;
    QTest::newRow("just under 200 ms") << "AB123456789" << 1000u << 19u << 28u << true << false;
    QTest::newRow("200 ms exactly: by hand") << "AB123456789" << 1000u << 19u << 29u << false << true;
    QTest::newRow("clock wraps during the scan") << "AB1234567890" << 0xFFFFFFF0u << 5u << 5u << true << false;
  }
  void scannerKeys() {
    QFETCH(QString, typed);
    QFETCH(quint32, start);
    QFETCH(quint32, gap);
    QFETCH(quint32, enterAfterLast);
    QFETCH(bool, programs);
    QFETCH(bool, refocus);
    SerialScanKeys keys;
    std::string text;
    std::uint32_t now = start;
    for (const QChar c : typed) {
      const SerialScanKeys::KeyDownAction action = keys.KeyDown(text, false, now);
      QVERIFY(!action.swallow && !action.scanned);
      text.push_back(static_cast<char>(c.toLatin1()));
      now += gap;
    }
    now += enterAfterLast - gap;
    const SerialScanKeys::KeyDownAction enter = keys.KeyDown(text, true, now);
    QVERIFY(enter.swallow);
    QCOMPARE(enter.scanned.has_value(), programs);
    if (programs) QCOMPARE(QString::fromStdString(*enter.scanned), typed);
    QCOMPARE(enter.focusField, refocus);
    QCOMPARE(keys.KeyPress(text, '\r'), typed.size() > 10);
    QVERIFY(!keys.KeyPress(text, 'A'));
  }

  void scannedTextIsTrimmed() {
    SerialScanKeys keys;
    std::string text = " ";
    for (char c : std::string("AB1234567890  ")) {
      keys.KeyDown(text, false, 10);
      text.push_back(c);
    }
    QCOMPARE(keys.KeyDown(text, true, 20).scanned.value_or(""), std::string("AB1234567890"));
  }

  // --- the run ---

  void runWritesTheWholeImageWithTheSerial() {
    OperationBench bench;
    const OperationResult result = bench.Produce("ABCDEFGHIJKLMN", bench.LogHere(kMorning));
    QCOMPARE(result.outcome, OperationOutcome::Success);
    QCOMPARE(result.label, std::string(kLabelWriteSuccess));
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReady));
    QCOMPARE(bench.host.pauses, std::vector<unsigned>{kProductionResultPauseMs});
    QCOMPARE(bench.host.ranges, (std::vector<int>{kProductionChecksProgressMax, kWriteProgressMax}));
    QVERIFY(bench.host.serialFocus >= 1);
    bench.VerifyEndedCleanly();
    // Probe, identity, bandwidth, then four blocks of 128 written and read back.
    QCOMPARE(bench.RequestCount(), 11);
    const CodePlugImage pager = bench.sim->Memory();
    QVERIFY(pager == bench.image());
    QCOMPARE(std::string(reinterpret_cast<const char*>(pager.data() + kSerialNumber), 14),
             std::string("ABCDEFGHIJKLMN"));
    QCOMPARE(pager.GetWord(kSerialChecksum), ComputeSerialChecksum(pager));
    QCOMPARE(FileText(bench.Path("2024-05-17.log")),
             std::string(kLogBanner) + "2024-05-17 09:07:31  Serial No. = ABCDEFGHIJKLMN  Write Success !\r\n");
  }

  void logAcrossTheDay() {
    OperationBench bench;
    QCOMPARE(bench.Produce("AB1234567890", bench.LogHere(kMorning)).outcome, OperationOutcome::Success);
    QCOMPARE(bench.Produce("AB1234567891", bench.LogHere(kLater)).outcome, OperationOutcome::Success);
    QCOMPARE(bench.Produce("AB1234567892", bench.LogHere(kNextDay)).outcome, OperationOutcome::Success);
    QCOMPARE(FileText(bench.Path("2024-05-17.log")),
             std::string(kLogBanner) +
                 "2024-05-17 09:07:31  Serial No. = AB1234567890  Write Success !\r\n"
                 "2024-05-17 14:00:05  Serial No. = AB1234567891  Write Success !\r\n");
    QCOMPARE(FileText(bench.Path("2024-05-18.log")),
             std::string(kLogBanner) + "2024-05-18 00:00:01  Serial No. = AB1234567892  Write Success !\r\n");
  }

  void failedRunsAreLogged_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("request");
    QTest::addColumn<QString>("result");
    QTest::newRow("block not acknowledged") << int(FaultKind::BadAck) << 6 << "Write Fail !";
    QTest::newRow("block reads back different") << int(FaultKind::Flip) << 4 << "Verify Fail !";
  }
  void failedRunsAreLogged() {
    QFETCH(int, kind);
    QFETCH(int, request);
    QFETCH(QString, result);
    OperationBench bench(WithFault(static_cast<FaultKind>(kind), request));
    QCOMPARE(bench.Produce("AB1234567890", bench.LogHere(kMorning)).outcome, OperationOutcome::Failed);
    QCOMPARE(
        FileText(bench.Path("2024-05-17.log")),
        std::string(kLogBanner) + "2024-05-17 09:07:31  Serial No. = AB1234567890  " + result.toStdString() + "\r\n");
    bench.VerifyEndedCleanly();
  }

  void runsStoppedBeforeTheWriteAreNotLogged_data() {
    QTest::addColumn<int>("request");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<bool>("focus");
    QTest::newRow("board") << 1 << kBoardNotRespondingText << true;
    QTest::newRow("version") << 2 << kReadFirmwareFailText << true;
    QTest::newRow("bandwidth") << 3 << kReadBandwidthFailText << false;
  }
  void runsStoppedBeforeTheWriteAreNotLogged() {
    QFETCH(int, request);
    QFETCH(QString, warning);
    QFETCH(bool, focus);
    OperationBench bench(WithFault(FaultKind::Drop, request));
    { std::ofstream(bench.Path("2024-05-17.log"), std::ios::binary) << kLogBanner; }
    QCOMPARE(bench.Produce("AB1234567890", bench.LogHere(kMorning)).outcome, OperationOutcome::Abandoned);
    QCOMPARE(bench.host.warnings, std::vector<std::string>{warning.toStdString()});
    QCOMPARE(bench.host.serialFocus > 0, focus);
    QCOMPARE(FileText(bench.Path("2024-05-17.log")), std::string(kLogBanner));
    bench.VerifyEndedCleanly();
    // The scanned serial number stays in the image.
    QCOMPARE(SerialNumberText(bench.image()).value_or(""), std::string("AB1234567890"));
  }

  void productionRules() {
    // Plectron on old timing firmware: the production wording.
    OperationBench plectron(WithFirmware(1, 2, 0));
    plectron.image()[kToneSystem] = kToneSystemPlectron;
    QCOMPARE(plectron.Produce("AB1234567890", plectron.LogHere()).outcome, OperationOutcome::Abandoned);
    QCOMPARE(plectron.host.warnings, std::vector<std::string>{kProductionPlectronText});
    QCOMPARE(plectron.host.LastStatus(), std::string(kStatusReadyAbandoned));

    // Single-channel pager, two-channel image.
    sim::SimOptions single = WithFirmware(1, 3, 0);
    single.singleChannel = true;
    OperationBench channel(single);
    QCOMPARE(channel.Produce("AB1234567890", channel.LogHere()).outcome, OperationOutcome::Abandoned);
    QCOMPARE(channel.host.warnings, std::vector<std::string>{kSingleChannelPagerText});
    QVERIFY(channel.model->At("chkOneChannel").checked);
    QCOMPARE(channel.host.serialFocus, 1);
    QCOMPARE(channel.Produce("AB1234567890", channel.LogHere()).outcome, OperationOutcome::Success);
  }

  // The narrow-band question needs the image itself to be narrow band.
  void narrowBandQuestion_data() {
    QTest::addColumn<bool>("imageNarrow");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("written");
    QTest::newRow("NB ticked, image wide: no question") << false << false << 0 << true;
    QTest::newRow("image narrow, OK") << true << true << 1 << true;
    QTest::newRow("image narrow, Cancel") << true << false << 1 << false;
  }
  void narrowBandQuestion() {
    QFETCH(bool, imageNarrow);
    QFETCH(bool, answer);
    QFETCH(int, questions);
    QFETCH(bool, written);
    OperationBench bench;
    bench.model->SetChecked("chkNB", true);
    if (imageNarrow) bench.model->RunChange("chkNB");
    bench.host.answers.push_back(answer);
    const OperationResult result = bench.Produce("AB1234567890", bench.LogHere(kMorning));
    QCOMPARE(int(bench.host.questions.size()), questions);
    if (questions) QCOMPARE(bench.host.questions.front(), std::string(kSwitchWbToNbText));
    QCOMPARE(result.outcome, written ? OperationOutcome::Success : OperationOutcome::Abandoned);
    QVERIFY(bench.host.warnings.empty());
    bench.VerifyEndedCleanly();
    if (!written) QCOMPARE(FileText(bench.Path("2024-05-17.log")), std::string(kLogBanner));
  }

  // --- mended faults ---

  void serialLongerThanFourteenIsRefused() {
    OperationBench bench;
    const CodePlugImage before = bench.image();
    const std::string serial = "ABCDEFGHIJKLMNO";
    QCOMPARE(bench.Produce(serial, bench.LogHere()).outcome, OperationOutcome::Abandoned);
    QCOMPARE(bench.host.warnings, std::vector<std::string>{SerialTooLongText(serial)});
    QVERIFY(bench.host.warnings.front().find(serial) != std::string::npos);
    QCOMPARE(bench.RequestCount(), 0);
    QVERIFY(before == bench.image());
    QVERIFY(!std::filesystem::exists(bench.Path("2024-05-17.log")));
    QVERIFY(bench.host.mainEnabled);
  }

  void logThatCannotBeCreated() {
    OperationBench bench;
    ProductionOptions options = bench.LogHere();
    options.logDirectory /= "missing";
    QCOMPARE(bench.Produce("AB1234567890", options).outcome, OperationOutcome::Abandoned);
    // "Save Error!", then the file and the reason.
    QCOMPARE(bench.host.warnings.size(), std::size_t(1));
    QCOMPARE(bench.host.warnings[0], std::string(kLogSaveErrorText) + "\nThe log file \"" +
                                         (options.logDirectory / "2024-05-17.log").string() +
                                         "\" cannot be created: No such file or directory.");
    QCOMPARE(bench.RequestCount(), 0);
    QVERIFY(bench.host.mainEnabled);
    QCOMPARE(SerialNumberText(bench.image()).value_or(""), std::string("AB1234567890"));
  }

  // A directory in place of the day's file: present, but not a file to
  // append to. The run is refused, naming it, rather than left unlogged.
  void existingLogThatIsNoFileRefusesTheRun() {
    OperationBench bench;
    std::filesystem::create_directory(bench.Path("2024-05-17.log"));
    QCOMPARE(bench.Produce("AB1234567890", bench.LogHere(kMorning)).outcome, OperationOutcome::Abandoned);
    QCOMPARE(bench.host.warnings.size(), std::size_t(1));
    QVERIFY(bench.host.warnings.front().find(bench.Path("2024-05-17.log").string()) != std::string::npos);
    QVERIFY(bench.host.LastLabel() != std::string(kLabelWriteSuccess));
  }
};

QTEST_GUILESS_MAIN(ProductionTest)
#include "test_production.moc"
