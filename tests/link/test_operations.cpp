// SPDX-License-Identifier: GPL-3.0-or-later
// Write, Read and Verify against the simulated pager over a real pty: the
// firmware and band rules, every failure path with its message, status text
// and image changes, and the clean ending of every run.
#include <QtTest>

#include <fstream>

#include "codeplug/Layout.h"
#include "editor/EditorModel.h"
#include "test_operations_fixture.h"

using namespace zt310;
using namespace zt310::layout;
using namespace zt310::testing;
using sim::FaultKind;

namespace {

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A pager memory whose serial block holds text with a wrong sum.
sim::SimOptions WithBadSerialSum() {
  CodePlugImage memory = FactoryDefaultImage();
  memory[kFirmwareMajor] = 1;
  memory[kFirmwareMinor] = 3;
  const std::string serial = "SN0001";
  std::fill(memory.data() + kSerialNumber, memory.data() + kSerialNumber + 14, 0);
  std::copy(serial.begin(), serial.end(), memory.data() + kSerialNumber);
  memory.SetWord(kSerialChecksum, static_cast<std::uint16_t>(ComputeSerialChecksum(memory) + 1));
  StoreImageChecksum(memory);
  sim::SimOptions options;
  options.memory = memory;
  return options;
}

// The image bytes a Write may change before it starts sending blocks.
bool OnlyWriteCheckBytesChanged(const CodePlugImage& before, const CodePlugImage& after) {
  for (int i = 0; i < static_cast<int>(kImageSize); ++i) {
    const bool allowed = i < kIdentitySize || i == kNarrowBandMarker || i == kAudioGain || i == kGapMax ||
                         i == kLowBatteryAlarm || i == kHeaderMajor || i == kHeaderMinorPatch;
    if (!allowed && before[i] != after[i]) return false;
  }
  return true;
}

}  // namespace

class OperationsTest : public QObject {
  Q_OBJECT
 private slots:
  // --- Write ---

  void writeSendsTheImageAndKeepsThePagerSerial() {
    sim::SimOptions options = WithFirmware(1, 3, 0);
    options.serial = "AB1234567890";
    OperationBench bench(options);
    bench.image()[kSerialNumber] = 'X';
    const OperationResult result = bench.Write();
    QCOMPARE(result.outcome, OperationOutcome::Success);
    QCOMPARE(result.label, std::string(kLabelWriteSuccess));
    QCOMPARE(bench.host.LastLabel(), std::string(kLabelWriteSuccess));
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReady));
    QCOMPARE(bench.host.pauses, std::vector<unsigned>{kWriteResultPauseMs});
    QCOMPARE(bench.host.ranges.back(), kWriteProgressMax);
    QVERIFY(std::find(bench.host.values.begin(), bench.host.values.end(), kWriteProgressMax) !=
            bench.host.values.end());
    QVERIFY(bench.host.warnings.empty());
    bench.VerifyEndedCleanly();

    // The pager's serial number survives; everything else is the image.
    const CodePlugImage pager = bench.sim->Memory();
    QCOMPARE(SerialNumberText(pager).value_or(""), std::string("AB1234567890"));
    for (const BlockRange& block : WriteBlockPlan()) {
      QVERIFY(std::equal(pager.data() + block.offset, pager.data() + block.offset + block.count,
                         bench.image().data() + block.offset));
    }
    QCOMPARE(bench.image().GetWord(kImageChecksum), ComputeImageChecksum(bench.image()));
    QCOMPARE(bench.model->At("edtSerialNo").text, std::string("AB1234567890"));
    QCOMPARE(bench.model->At("lblVersion").text, std::string("FirmVer. 1.3.0"));
    QVERIFY(bench.model->At("lblVersion").visible);
    // 4 reads, then a write and a read-back per block.
    QCOMPARE(bench.RequestCount(), 4 + 2 * static_cast<int>(WriteBlockPlan().size()));
  }

  // The firmware shows as soon as the identity block is read (the band
  // question comes after it), the serial number as soon as its block is.
  void writeShowsFirmwareAndSerialAsSoonAsRead() {
    sim::SimOptions options = WithFirmware(1, 3, 0);
    options.serial = "AB1234567890";
    options.narrowBand = true;
    OperationBench bench(options);
    bench.host.answers.push_back(true);
    editor::EditorModel& model = *bench.model;
    std::string versionAtQuestion, serialAtWriteNow, versionAtWriteNow;
    bench.host.onQuestion = [&](const std::string&) {
      versionAtQuestion = model.At("lblVersion").visible ? model.At("lblVersion").text : "(hidden)";
    };
    bench.host.onLabel = [&](const std::string& label) {
      if (label != kLabelWriteNow) return;
      serialAtWriteNow = model.At("edtSerialNo").text;
      versionAtWriteNow = model.At("lblVersion").visible ? model.At("lblVersion").text : "(hidden)";
    };
    QCOMPARE(bench.Write().outcome, OperationOutcome::Success);
    QCOMPARE(versionAtQuestion, std::string("FirmVer. 1.3.0"));
    QCOMPARE(versionAtWriteNow, std::string("FirmVer. 1.3.0"));
    QCOMPARE(serialAtWriteNow, std::string("AB1234567890"));
    QCOMPARE(bench.host.shown, (std::vector<std::string>{"FirmVer. 1.3.0", "S/N AB1234567890"}));
  }

  void writeToBlankSerialEmptiesTheField() {
    OperationBench bench(WithFirmware(1, 3, 0));
    bench.model->SetText("edtSerialNo", "OLD");
    QCOMPARE(bench.Write().outcome, OperationOutcome::Success);
    QCOMPARE(bench.model->At("edtSerialNo").text, std::string());
    QVERIFY(!SerialNumberText(bench.image()).has_value());
  }

  void gapMaxConversion_data() {
    QTest::addColumn<int>("pager");
    QTest::addColumn<int>("imageVersion");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    struct Row {
      const char* name;
      int p, f, h, expected;
    };
    const Row rows[] = {
        {"old pager, newer image: halved", 115, 130, 9, 5},
        {"old pager, old image: kept", 115, 110, 9, 9},
        {"new pager, old image: doubled mod 256", 130, 115, 200, 144},
        {"new pager, new image: kept", 130, 210, 9, 9},
        {"single-channel old pager, image 5.0.5: halved", 510, 505, 9, 5},
        {"never-read image to 1.2.1: kept", 121, 0, 9, 9},
        {"never-read image to 1.2.0: halved", 120, 0, 9, 5},
        {"new pager, image 5.2.0: doubled", 521, 520, 7, 14},
    };
    for (const Row& row : rows) QTest::newRow(row.name) << row.p << row.f << row.h << row.expected;
  }
  void gapMaxConversion() {
    QFETCH(int, pager);
    QFETCH(int, imageVersion);
    QFETCH(int, before);
    QFETCH(int, after);
    OperationBench bench(WithFirmware(pager / 100, pager / 10 % 10, pager % 10));
    SetImageFirmware(bench.image(), imageVersion);
    if (IsSingleChannelFirmware(pager)) bench.image()[kSingleChannelMarker2] = kMarkerOn;
    bench.image()[kGapMax] = static_cast<std::uint8_t>(before);
    QCOMPARE(bench.Write().outcome, OperationOutcome::Success);
    QCOMPARE(int(bench.image()[kGapMax]), after);
    QCOMPARE(bench.model->At("edtGapMax").text, std::to_string(after));
    QCOMPARE(int(bench.sim->Memory()[kGapMax]), after);
    QCOMPARE(bench.model->IsInFront("lbl100MS0"), IsOldTimingFirmware(pager));
  }

  void lowBatteryByte_data() {
    QTest::addColumn<int>("patch");
    QTest::addColumn<int>("offset");
    QTest::newRow("1.1.1: two codes lower") << 1 << -2;
    QTest::newRow("1.1.2: same code") << 2 << 0;
  }
  void lowBatteryByte() {
    QFETCH(int, patch);
    QFETCH(int, offset);
    OperationBench bench(WithFirmware(1, 1, patch));
    bench.image()[kBatteryLow] = 0xC7;
    bench.image()[kLowBatteryAlarm] = 0;
    QCOMPARE(bench.Write().outcome, OperationOutcome::Success);
    QCOMPARE(int(bench.image()[kLowBatteryAlarm]), 0xC7 + offset);
  }

  void audioGainNotice_data() {
    QTest::addColumn<int>("gain");
    QTest::addColumn<int>("pager");
    QTest::addColumn<bool>("notice");
    QTest::newRow("gain 1 on 1.2.0") << 0 << 120 << false;
    QTest::newRow("gain 2 on 1.2.1") << 8 << 121 << true;
    QTest::newRow("gain 2 on 1.2.2") << 8 << 122 << false;
    QTest::newRow("gain 2 on 5.2.1") << 8 << 521 << true;
  }
  void audioGainNotice() {
    QFETCH(int, gain);
    QFETCH(int, pager);
    QFETCH(bool, notice);
    OperationBench bench(WithFirmware(pager / 100, pager / 10 % 10, pager % 10));
    bench.image()[kSingleChannelMarker2] = IsSingleChannelFirmware(pager) ? kMarkerOn : kMarkerOff;
    bench.image()[kAudioGain] = static_cast<std::uint8_t>(gain);
    QCOMPARE(bench.Write().outcome, OperationOutcome::Success);
    QCOMPARE(bench.host.plains.size(), std::size_t(notice ? 1 : 0));
    if (notice) QCOMPARE(bench.host.plains.front(), std::string(kAudioGainNoticeText));
  }

  void plectronNeedsNewTimingFirmware_data() {
    QTest::addColumn<int>("pager");
    QTest::addColumn<bool>("refused");
    QTest::newRow("1.2.0") << 120 << true;
    QTest::newRow("1.2.1") << 121 << false;
    QTest::newRow("5.2.0") << 520 << true;
  }
  void plectronNeedsNewTimingFirmware() {
    QFETCH(int, pager);
    QFETCH(bool, refused);
    OperationBench bench(WithFirmware(pager / 100, pager / 10 % 10, pager % 10));
    bench.image()[kSingleChannelMarker2] = IsSingleChannelFirmware(pager) ? kMarkerOn : kMarkerOff;
    bench.image()[kToneSystem] = kToneSystemPlectron;
    const CodePlugImage before = bench.image();
    const OperationResult result = bench.Write();
    bench.VerifyEndedCleanly();
    if (!refused) {
      QCOMPARE(result.outcome, OperationOutcome::Success);
      return;
    }
    QCOMPARE(result.outcome, OperationOutcome::Abandoned);
    QCOMPARE(bench.host.warnings, std::vector<std::string>{kPlectronWriteText});
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReadyAbandoned));
    QCOMPARE(bench.RequestCount(), 2);
    QVERIFY(OnlyWriteCheckBytesChanged(before, bench.image()));
    QVERIFY(std::equal(before.data(), before.data() + 496, bench.image().data()));
  }

  void singleChannelPagerRefusesTwoChannelImage() {
    sim::SimOptions options = WithFirmware(1, 3, 0);
    options.singleChannel = true;
    OperationBench bench(options);
    QCOMPARE(bench.image()[kSingleChannelMarker2], kMarkerOff);
    QCOMPARE(bench.Write().outcome, OperationOutcome::Abandoned);
    QCOMPARE(bench.host.warnings, std::vector<std::string>{kSingleChannelPagerText});
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReadyAbandoned));
    bench.VerifyEndedCleanly();
    QVERIFY(bench.model->At("chkOneChannel").checked);
    QCOMPARE(bench.image()[kSingleChannelMarker2], kMarkerOn);
    // The second Write goes through.
    QCOMPARE(bench.Write().outcome, OperationOutcome::Success);
  }

  // chkNB, the pager's bytes 136/138, the answer, and what follows.
  void bandRule_data() {
    QTest::addColumn<bool>("narrowChosen");
    QTest::addColumn<int>("pager136");
    QTest::addColumn<int>("pager138");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("written");
    QTest::newRow("WB chosen, NB pager, OK") << false << 0 << 1 << kSwitchNbToWbText << true << true;
    QTest::newRow("WB chosen, NB pager, Cancel") << false << 0 << 1 << kSwitchNbToWbText << false << false;
    QTest::newRow("NB chosen, WB pager, OK") << true << 255 << 255 << kSwitchWbToNbText << true << true;
    QTest::newRow("NB chosen, WB pager, Cancel") << true << 255 << 255 << kSwitchWbToNbText << false << false;
    QTest::newRow("NB chosen, 0/255 pager, Cancel") << true << 0 << 255 << kSwitchWbToNbText << false << false;
    QTest::newRow("NB chosen, NB pager") << true << 0 << 1 << QString() << false << true;
    QTest::newRow("WB chosen, WB pager") << false << 255 << 255 << QString() << false << true;
  }
  void bandRule() {
    QFETCH(bool, narrowChosen);
    QFETCH(int, pager136);
    QFETCH(int, pager138);
    QFETCH(QString, question);
    QFETCH(bool, answer);
    QFETCH(bool, written);
    CodePlugImage memory = sim::InitialMemory({});
    memory[kNarrowBandMarker] = static_cast<std::uint8_t>(pager136);
    memory[kBand] = static_cast<std::uint8_t>(pager138);
    sim::SimOptions options;
    options.memory = memory;
    OperationBench bench(options);
    bench.model->SetChecked("chkNB", narrowChosen);
    bench.model->RunChange("chkNB");
    bench.host.answers.push_back(answer);
    const CodePlugImage before = bench.image();
    const OperationResult result = bench.Write();
    bench.VerifyEndedCleanly();
    QCOMPARE(bench.host.questions.size(), std::size_t(question.isEmpty() ? 0 : 1));
    if (!question.isEmpty()) QCOMPARE(QString::fromStdString(bench.host.questions.front()), question);
    QVERIFY(bench.host.warnings.empty());
    QCOMPARE(result.outcome, written ? OperationOutcome::Success : OperationOutcome::Abandoned);
    if (!written) {
      QCOMPARE(bench.host.LastStatus(), std::string(kStatusReadyAbandoned));
      QCOMPARE(bench.RequestCount(), 3);
      QVERIFY(std::equal(before.data() + 16, before.data() + 498, bench.image().data() + 16));
    }
  }

  void wideBandChoiceClearsTheGainOfAHalfNarrowPager() {
    CodePlugImage memory = sim::InitialMemory({});
    memory[kNarrowBandMarker] = 0;
    memory[kBand] = 255;
    sim::SimOptions options;
    options.memory = memory;
    OperationBench bench(options);
    bench.image()[kAudioGain] = 16;
    bench.image()[kNarrowBandMarker] = 0;
    bench.model->Select("cboAudioGain", 2);
    QCOMPARE(bench.Write().outcome, OperationOutcome::Success);
    QVERIFY(bench.host.questions.empty());
    QCOMPARE(int(bench.image()[kAudioGain]), 0);
    QCOMPARE(int(bench.image()[kNarrowBandMarker]), 255);
    QCOMPARE(bench.model->At("cboAudioGain").selected, 0);
  }

  // --- failure paths shared by the three operations ---

  void boardNotResponding_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("status");
    QTest::newRow("Write") << 0 << kStatusReady;
    QTest::newRow("Read") << 1 << kStatusReadyAbandoned;
    QTest::newRow("Verify") << 2 << kStatusReady;
  }
  void boardNotResponding() {
    QFETCH(int, operation);
    QFETCH(QString, status);
    OperationBench bench;
    SilentPty silent;
    bench.link.SetPortNames({silent.device()});
    bench.link.SetReplyWithheldCheck(SilentPty::NeverAnswers());
    const CodePlugImage before = bench.image();
    const OperationResult result = operation == 0 ? bench.Write() : operation == 1 ? bench.Read() : bench.Verify();
    QCOMPARE(result.outcome, OperationOutcome::Abandoned);
    QCOMPARE(bench.host.warnings, std::vector<std::string>{kBoardNotRespondingText});
    QCOMPARE(QString::fromStdString(bench.host.LastStatus()), status);
    QVERIFY(bench.host.labels.empty());
    bench.VerifyEndedCleanly();
    QVERIFY(std::equal(before.data(), before.data() + 498, bench.image().data()));
  }

  void identityBlockNotRead_data() {
    QTest::addColumn<int>("operation");
    QTest::newRow("Write") << 0;
    QTest::newRow("Read") << 1;
    QTest::newRow("Verify") << 2;
  }
  void identityBlockNotRead() {
    QFETCH(int, operation);
    OperationBench bench(WithFault(FaultKind::Drop, 2));
    bench.model->SetText("lblVersion", "FirmVer. 9.9.9");
    const CodePlugImage before = bench.image();
    const OperationResult result = operation == 0 ? bench.Write() : operation == 1 ? bench.Read() : bench.Verify();
    bench.VerifyEndedCleanly();
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReadyAbandoned));
    QVERIFY(std::equal(before.data(), before.data() + 498, bench.image().data()));
    if (operation == 2) {
      QCOMPARE(result.outcome, OperationOutcome::Failed);
      QCOMPARE(bench.host.LastLabel(), std::string(kLabelVerifyFail));
      QVERIFY(bench.host.warnings.empty());
      return;
    }
    QCOMPARE(result.outcome, OperationOutcome::Abandoned);
    QCOMPARE(bench.host.warnings, std::vector<std::string>{kReadFirmwareFailText});
    QVERIFY(!bench.model->At("lblVersion").visible);
    QCOMPARE(bench.model->At("lblVersion").text, std::string());
  }

  void writeStopsAtTheBandwidthBlock() {
    OperationBench bench(WithFault(FaultKind::Corrupt, 3));
    const CodePlugImage before = bench.image();
    QCOMPARE(bench.Write().outcome, OperationOutcome::Abandoned);
    QCOMPARE(bench.host.warnings, std::vector<std::string>{kReadBandwidthFailText});
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReadyAbandoned));
    bench.VerifyEndedCleanly();
    QVERIFY(std::equal(before.data(), before.data() + 498, bench.image().data()));
  }

  // Serial block not read (drop) or with a wrong sum: Write keeps its check
  // changes, Read only the identity block, Verify fails.
  void serialBlockFailures_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<bool>("badSum");
    for (int operation = 0; operation < 3; ++operation) {
      const char* name[] = {"Write", "Read", "Verify"};
      QTest::newRow(QByteArray(name[operation]) + " not read") << operation << false;
      QTest::newRow(QByteArray(name[operation]) + " wrong sum") << operation << true;
    }
  }
  void serialBlockFailures() {
    QFETCH(int, operation);
    QFETCH(bool, badSum);
    const int serialRequest = operation == 0 ? 4 : 3;
    OperationBench bench(badSum ? WithBadSerialSum() : WithFault(FaultKind::Drop, serialRequest));
    bench.image()[kGapMax] = 9;
    bench.image()[kLowBatteryAlarm] = 0;
    const CodePlugImage before = bench.image();
    const OperationResult result = operation == 0 ? bench.Write() : operation == 1 ? bench.Read() : bench.Verify();
    bench.VerifyEndedCleanly();
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReadyAbandoned));
    QCOMPARE(bench.RequestCount(), serialRequest);
    const CodePlugImage pager = bench.sim->Memory();
    QVERIFY(std::equal(pager.data(), pager.data() + 16, bench.image().data()));
    QVERIFY(std::equal(before.data() + kSerialNumber, before.data() + 432, bench.image().data() + kSerialNumber));
    if (operation == 2) {
      QCOMPARE(result.outcome, OperationOutcome::Failed);
      QCOMPARE(bench.host.LastLabel(), std::string(kLabelVerifyFail));
      QVERIFY(bench.host.warnings.empty());
      return;
    }
    QCOMPARE(result.outcome, OperationOutcome::Abandoned);
    QCOMPARE(bench.host.warnings, std::vector<std::string>{badSum ? kSerialChecksumErrorText : kReadSerialFailText});
    if (operation == 0) {
      QVERIFY(OnlyWriteCheckBytesChanged(before, bench.image()));
      QCOMPARE(int(bench.image()[kLowBatteryAlarm]), int(bench.image()[kBatteryLow]));
    } else {
      QVERIFY(std::equal(before.data() + 16, before.data() + 512, bench.image().data() + 16));
    }
  }

  void writeBlockFailures_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("request");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("sent");
    QTest::newRow("first block not acknowledged") << int(FaultKind::BadAck) << 5 << kLabelWriteFail << 5;
    QTest::newRow("last block not acknowledged") << int(FaultKind::Drop) << 33 << kLabelWriteFail << 33;
    QTest::newRow("first block reads back different") << int(FaultKind::Flip) << 5 << kLabelVerifyFailAfterWrite << 6;
    QTest::newRow("read-back not answered") << int(FaultKind::Short) << 6 << kLabelVerifyFailAfterWrite << 6;
  }
  void writeBlockFailures() {
    QFETCH(int, kind);
    QFETCH(int, request);
    QFETCH(QString, label);
    QFETCH(int, sent);
    OperationBench bench(WithFault(static_cast<FaultKind>(kind), request));
    const OperationResult result = bench.Write();
    QCOMPARE(result.outcome, OperationOutcome::Failed);
    QCOMPARE(QString::fromStdString(bench.host.LastLabel()), label);
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReady));
    QVERIFY(bench.host.warnings.empty());
    QCOMPARE(bench.RequestCount(), sent);  // nothing sent after the failure
    bench.VerifyEndedCleanly();
    // The checks' changes stay in the image.
    QCOMPARE(bench.image().GetWord(kImageChecksum), ComputeImageChecksum(bench.image()));
    QCOMPARE(bench.image()[kFirmwareMinor], std::uint8_t{3});
  }

  // --- Read ---

  void readTakesThePagerMemory() {
    CodePlugImage memory = sim::InitialMemory(WithFirmware(2, 1, 0));
    memory[kToneDur2Standard] = 255;
    memory[kToneDur2Plectron] = 255;
    memory[kGapMax] = 33;
    memory[kSingleChannelMarker2] = kMarkerOn;
    const std::string serial = " SN-0042";
    std::fill(memory.data() + kSerialNumber, memory.data() + kSerialNumber + 14, 0);
    std::copy(serial.begin(), serial.end(), memory.data() + kSerialNumber);
    memory.SetWord(kSerialChecksum, ComputeSerialChecksum(memory));
    StoreImageChecksum(memory);
    sim::SimOptions options;
    options.memory = memory;
    OperationBench bench(options);

    const OperationResult result = bench.Read();
    QCOMPARE(result.outcome, OperationOutcome::Success);
    QCOMPARE(bench.host.LastLabel(), std::string(kLabelReadSuccess));
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReady));
    QCOMPARE(bench.host.pauses, std::vector<unsigned>{kReadResultPauseMs});
    QCOMPARE(bench.host.caption, std::string(kProgramCaption));
    QCOMPARE(bench.host.values.back(), 0);
    QVERIFY(std::find(bench.host.values.begin(), bench.host.values.end(), 130) != bench.host.values.end());
    bench.VerifyEndedCleanly();
    QVERIFY(!QFile::exists(QString::fromStdString(bench.Path(kErrorDumpName).string())));

    QCOMPARE(int(bench.image()[kGapMax]), 33);
    QCOMPARE(bench.model->At("edtGapMax").text, std::string("33"));
    QCOMPARE(int(bench.image()[kSingleChannelMarker]), int(kMarkerOn));
    QVERIFY(bench.model->At("chkOneChannel").checked);
    QCOMPARE(int(bench.image()[kToneDur2Standard]), 3);
    QCOMPARE(int(bench.image()[kToneDur2Plectron]), 2);
    QCOMPARE(bench.model->At("lblVersion").text, std::string("FirmVer. 2.1.0"));
    QVERIFY(bench.model->At("lblVersion").visible);
    QVERIFY(bench.model->IsInFront("lbl50MS0"));
  }

  void readUpgradesABlankSquelchTable_data() {
    QTest::addColumn<int>("on");
    QTest::addColumn<int>("off");
    QTest::addColumn<int>("level");
    QTest::newRow("23/38: level 4") << 23 << 38 << 3;
    QTest::newRow("24/38: level 4") << 24 << 38 << 3;
    QTest::newRow("other: level 5") << 20 << 40 << 4;
  }
  void readUpgradesABlankSquelchTable() {
    QFETCH(int, on);
    QFETCH(int, off);
    QFETCH(int, level);
    CodePlugImage memory = sim::InitialMemory({});
    std::fill(memory.data() + kSquelchTable, memory.data() + kSquelchTable + kSquelchTableSize, 0xFF);
    memory[kSpeakerOnCode] = static_cast<std::uint8_t>(on);
    memory[kSpeakerOffCode] = static_cast<std::uint8_t>(off);
    StoreImageChecksum(memory);
    sim::SimOptions options;
    options.memory = memory;
    OperationBench bench(options);
    QCOMPARE(bench.Read().outcome, OperationOutcome::Success);
    const std::uint8_t wide[] = {0x20, 0x0A, 0x20, 0x0E, 0x20, 0x14, 0x26, 0x18, 0x2D, 0x1C};
    QVERIFY(std::equal(std::begin(wide), std::end(wide), bench.image().data() + kSquelchTable));
    QCOMPARE(int(bench.image()[kSquelchLevel]), level);
    // The squelch level action then re-derives the codes from the table.
    QCOMPARE(bench.model->At("cblSquelchlevel").selected, level);
  }

  void readChecksum_data() {
    QTest::addColumn<int>("byte495");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("wrong sum") << 0x00 << false;
    QTest::newRow("wrong sum, 0xCD at 495") << 0xCD << true;
  }
  void readChecksum() {
    QFETCH(int, byte495);
    QFETCH(bool, accepted);
    CodePlugImage memory = sim::InitialMemory({});
    memory[kChecksumLast] = static_cast<std::uint8_t>(byte495);
    memory.SetWord(kImageChecksum, static_cast<std::uint16_t>(ComputeImageChecksum(memory) + 1));
    sim::SimOptions options;
    options.memory = memory;
    OperationBench bench(options);
    bench.image()[kGapMax] = 77;
    const CodePlugImage before = bench.image();
    const OperationResult result = bench.Read();
    bench.VerifyEndedCleanly();
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReady));
    const auto dump = bench.Path(kErrorDumpName);
    if (accepted) {
      QCOMPARE(result.outcome, OperationOutcome::Success);
      QCOMPARE(int(bench.image()[kChecksumLast]), 0xCD);
      QVERIFY(!std::filesystem::exists(dump));
      return;
    }
    QCOMPARE(result.outcome, OperationOutcome::Failed);
    QCOMPARE(bench.host.LastLabel(), std::string(kLabelChecksumError));
    QVERIFY(!bench.host.gaugeVisible);
    QCOMPARE(int(bench.image()[kGapMax]), 77);
    QVERIFY(std::equal(before.data() + 16, before.data() + 512, bench.image().data() + 16));
    const std::vector<std::uint8_t> bytes = FileBytes(dump);
    QCOMPARE(bytes.size(), std::size_t(kErrorDumpSize));
    QVERIFY(std::equal(memory.data(), memory.data() + 512, bytes.begin()));
    QVERIFY(std::all_of(bytes.begin() + 512, bytes.end(), [](std::uint8_t b) { return b == 0; }));
  }

  void readFailDumpsWhatArrived() {
    OperationBench bench(WithFault(FaultKind::Unplug, 5));
    const CodePlugImage before = bench.image();
    QCOMPARE(bench.Read().outcome, OperationOutcome::Failed);
    QCOMPARE(bench.host.LastLabel(), std::string(kLabelReadFail));
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReady));
    bench.VerifyEndedCleanly();
    QVERIFY(std::equal(before.data() + 16, before.data() + 512, bench.image().data() + 16));
    const std::vector<std::uint8_t> bytes = FileBytes(bench.Path(kErrorDumpName));
    QCOMPARE(bytes.size(), std::size_t(kErrorDumpSize));
    const CodePlugImage pager = bench.sim->Memory();
    QVERIFY(std::equal(pager.data(), pager.data() + 128, bytes.begin()));
    QVERIFY(std::all_of(bytes.begin() + 128, bytes.end(), [](std::uint8_t b) { return b == 0; }));
  }

  void readResetModeRule_data() {
    QTest::addColumn<int>("pager");
    QTest::addColumn<bool>("refused");
    QTest::newRow("2.0.5") << 205 << true;
    QTest::newRow("2.1.0") << 210 << false;
  }
  void readResetModeRule() {
    QFETCH(int, pager);
    QFETCH(bool, refused);
    OperationBench bench(WithFirmware(pager / 100, pager / 10 % 10, pager % 10));
    bench.image()[kResetMode] = 3;
    bench.image().SetBit(kReceiverFlags, kFlagPlainManualResetBit, false);
    const CodePlugImage before = bench.image();
    const OperationResult result = bench.Read();
    bench.VerifyEndedCleanly();
    if (!refused) {
      QCOMPARE(result.outcome, OperationOutcome::Success);
      return;
    }
    QCOMPARE(result.outcome, OperationOutcome::Abandoned);
    QCOMPARE(bench.host.warnings, std::vector<std::string>{kManualResetText});
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReadyAbandoned));
    QVERIFY(before == bench.image());
  }

  // --- Verify ---

  void verifyAfterWriteSucceeds() {
    sim::SimOptions options = WithFirmware(1, 3, 0);
    options.serial = "ABCDEFGHIJKLMN";  // fourteen characters, no terminator
    OperationBench bench(options);
    QCOMPARE(bench.Write().outcome, OperationOutcome::Success);
    bench.host = RecordingHost{};
    const OperationResult result = bench.Verify();
    QCOMPARE(result.outcome, OperationOutcome::Success);
    QCOMPARE(bench.host.LastLabel(), std::string(kLabelVerifySuccess));
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReady));
    QCOMPARE(bench.host.pauses,
             (std::vector<unsigned>{kVerifyPacingPauseMs, kVerifyPacingPauseMs, kVerifyResultPauseMs}));
    QCOMPARE(bench.host.ranges.back(), kVerifyProgressMax);
    bench.VerifyEndedCleanly();
    QVERIFY(bench.host.gaugeVisible);
  }

  void verifyFindsADifference() {
    OperationBench bench;
    bench.TakePagerMemory();
    bench.image()[300] ^= 0x40;
    const CodePlugImage before = bench.image();
    const OperationResult result = bench.Verify();
    QCOMPARE(result.outcome, OperationOutcome::Failed);
    QCOMPARE(bench.host.LastLabel(), std::string(kLabelVerifyFail));
    QCOMPARE(bench.host.LastStatus(), std::string(kStatusReady));
    bench.VerifyEndedCleanly();
    QVERIFY(before == bench.image());
    // 3 reads, blocks up to the one holding 300, then the whole memory for
    // the list of differing fields.
    QCOMPARE(bench.RequestCount(), 3 + 300 / 32 + 1 + 4);
  }
};

QTEST_GUILESS_MAIN(OperationsTest)
#include "test_operations.moc"
