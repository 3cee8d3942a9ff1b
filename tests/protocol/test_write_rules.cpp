// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of a write as a table: the image, the pager's blocks and the
// answers in, the steps the rules take and the image they leave, no port.
#include <QtTest>

#include <string>
#include <vector>

#include "codeplug/Layout.h"
#include "protocol/WriteRules.h"

using namespace zt310;
using namespace zt310::layout;

namespace {

enum class Serial { Blank, Valid, BadSum };

struct Row {
  const char* name;
  WriteKind kind = WriteKind::Write;
  int pager = 130;  // the pager's firmware version
  int image = 130;  // the image's firmware version (0: never read)
  int gapBefore = 9;
  int gapAfter = 9;
  int gain = 0;                      // byte 137
  int toneSystem = 1;                // byte 413
  bool pagerOneChannel = false;      // identity byte 11 is 254
  bool imageOneChannel = false;      // the image's byte 11 is 254 (a backup of a single-channel pager)
  bool imageNarrow = false;          // bytes 136, 138 are 0, 1
  bool narrowChosen = false;         // "NB" ticked
  int band136 = 255, band138 = 255;  // the pager's band bytes
  Serial serial = Serial::Valid;
  bool answer = true;     // OK or Cancel to a question
  bool accepted = false;  // the verify of a file: nothing stops the rules
  // The steps, separated by semicolons: notice, band, serial, ask:NB>WB, ask:WB>NB,
  // cancel, refuse:<first word>, write.
  const char* steps = "band;serial;write";
};

const Row kRows[] = {
    {.name = "new pager, new image: GAP MAX. kept"},
    {.name = "old pager, newer image: GAP MAX. halved", .pager = 115, .gapAfter = 5},
    {.name = "new pager, old image: GAP MAX. doubled mod 256", .image = 115, .gapBefore = 200, .gapAfter = 144},
    {.name = "firmware 1.1.1: low-battery byte two codes lower", .pager = 111, .gapAfter = 5},
    {.name = "never-read image to 1.2.0: halved", .pager = 120, .image = 0, .gapAfter = 5},
    {.name = "audio gain on 1.2.1: notice, then on", .pager = 121, .gain = 8, .steps = "notice;band;serial;write"},
    {.name = "Plectron on 1.2.0: refused before the band",
     .pager = 120,
     .toneSystem = kToneSystemPlectron,
     .steps = "refuse:The Firmware version, 2-channel"},
    {.name = "Plectron in production: its own message",
     .kind = WriteKind::Production,
     .pager = 120,
     .toneSystem = kToneSystemPlectron,
     .steps = "refuse:The Firmware version <="},
    {.name = "two-channel image, single-channel pager: refused", .pagerOneChannel = true, .steps = "refuse:You cannot"},
    {.name = "WB chosen, NB pager, OK", .band136 = 0, .band138 = 1, .steps = "band;ask:NB>WB;serial;write"},
    {.name = "WB chosen, NB pager, Cancel",
     .band136 = 0,
     .band138 = 1,
     .answer = false,
     .steps = "band;ask:NB>WB;cancel"},
    {.name = "WB chosen, 0/255 pager: gain cleared, no question", .gain = 16, .band136 = 0},
    {.name = "NB chosen, WB pager: asked on the tick alone",
     .narrowChosen = true,
     .steps = "band;ask:WB>NB;serial;write"},
    {.name = "production, NB chosen, WB pager, wide image: not asked",
     .kind = WriteKind::Production,
     .narrowChosen = true,
     .steps = "band;write"},
    {.name = "production, NB chosen, WB pager, narrow image: asked",
     .kind = WriteKind::Production,
     .imageNarrow = true,
     .narrowChosen = true,
     .steps = "band;ask:WB>NB;write"},
    {.name = "serial number failing its sum: refused after the adaptation",
     .pager = 115,
     .gapAfter = 5,
     .serial = Serial::BadSum,
     .steps = "band;serial;refuse:Serial"},
    {.name = "pager without a serial number", .serial = Serial::Blank},
    {.name = "restore: the bytes as stored, identity and serial number the pager's",
     .kind = WriteKind::Restore,
     .pager = 115,
     .image = 115,
     .toneSystem = kToneSystemPlectron,
     .steps = "serial;write"},
    {.name = "restore across 5.x single-channel pagers of one generation",
     .kind = WriteKind::Restore,
     .pager = 521,
     .image = 530,
     .steps = "serial;write"},
    {.name = "restore: 100 ms backup into a 50 ms pager refused",
     .kind = WriteKind::Restore,
     .pager = 130,
     .image = 120,
     .steps = "refuse:The backup is from firmware 1.2.0,"},
    {.name = "restore: 50 ms backup into a 100 ms pager refused",
     .kind = WriteKind::Restore,
     .pager = 505,
     .image = 530,
     .steps = "refuse:The backup is from firmware 5.3.0,"},
    {.name = "restore: two-channel backup into a single-channel pager refused",
     .kind = WriteKind::Restore,
     .pagerOneChannel = true,
     .steps = "refuse:The backup is from a two-channel pager"},
    {.name = "restore: single-channel backup into a two-channel pager refused",
     .kind = WriteKind::Restore,
     .imageOneChannel = true,
     .steps = "refuse:The backup is from a single-channel pager"},
    {.name = "restore: a file that names no firmware is no backup",
     .kind = WriteKind::Restore,
     .image = 0,
     .steps = "refuse:The file names no pager firmware"},
    {.name = "verify of a file: no refusal, no question, adapted all the same",
     .pager = 120,
     .gapAfter = 5,
     .gain = 8,
     .toneSystem = kToneSystemPlectron,
     .narrowChosen = true,
     .accepted = true,
     .steps = "write"},
};

void SetVersion(std::uint8_t* bytes, int version) {
  bytes[kFirmwareMajor] = static_cast<std::uint8_t>(version / 100);
  bytes[kFirmwareMinor] = static_cast<std::uint8_t>(version / 10 % 10);
  bytes[kFirmwarePatch] = static_cast<std::uint8_t>(version % 10);
}

PagerBlock SerialBlockFor(Serial serial) {
  PagerBlock block;
  block.fill(kBlank);
  if (serial == Serial::Blank) return block;
  block.fill(0);
  const std::string text = "AB1234567890";
  std::copy(text.begin(), text.end(), block.begin());
  const std::uint16_t sum = ComputeSerialChecksum(block) + (serial == Serial::BadSum ? 1 : 0);
  block[14] = static_cast<std::uint8_t>(sum >> 8);
  block[15] = static_cast<std::uint8_t>(sum & 0xFF);
  return block;
}

std::string Tag(const std::string& text) {
  if (text == kSwitchNbToWbText) return "NB>WB";
  if (text == kSwitchWbToNbText) return "WB>NB";
  return text;
}

}  // namespace

class WriteRulesTest : public QObject {
  Q_OBJECT
 private slots:
  void table_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < static_cast<int>(std::size(kRows)); ++i) QTest::newRow(kRows[i].name) << i;
  }
  // The caller's loop, as Write runs it: read what the rules ask for, show
  // the notice, answer the question, until the rules write or refuse.
  void table() {
    QFETCH(int, row);
    const Row& r = kRows[row];
    WriteRuleInput input;
    input.kind = r.kind;
    SetVersion(input.image.data(), r.image);
    input.image[kGapMax] = static_cast<std::uint8_t>(r.gapBefore);
    input.image[kBatteryLow] = 0xC9;
    input.image[kAudioGain] = static_cast<std::uint8_t>(r.gain);
    input.image[kToneSystem] = static_cast<std::uint8_t>(r.toneSystem);
    if (r.imageOneChannel) input.image[kSingleChannelMarker] = kMarkerOn;
    if (r.imageNarrow) {
      input.image[kNarrowBandMarker] = 0;
      input.image[kBand] = 1;
    }
    for (int i = kSerialNumber; i < kSerialNumber + kSerialBlockSize; ++i) input.image[i] = 'S';
    input.narrowBandChosen = r.narrowChosen;
    input.pager.identity.fill(0x11);
    input.pager.identity[kSingleChannelMarker] = r.pagerOneChannel ? kMarkerOn : kMarkerOff;
    SetVersion(input.pager.identity.data(), r.pager);
    input.answers.assumeAccepted = r.accepted;
    if (r.accepted) {
      input.pager.band.emplace().fill(kBlank);
      input.pager.serial = SerialBlockFor(r.serial);
    }
    const CodePlugImage original = input.image;

    std::vector<std::string> steps;
    WriteDecision decision;
    for (int guard = 0; guard < 8; ++guard) {
      decision = DecideWrite(input);
      bool done = false;
      switch (decision.step) {
        case WriteDecision::Step::Notify:
          QCOMPARE(decision.text, std::string(kAudioGainNoticeText));
          steps.push_back("notice");
          input.answers.noticeShown = true;
          break;
        case WriteDecision::Step::ReadBand: {
          steps.push_back("band");
          PagerBlock band;
          band.fill(kBlank);
          band[kNarrowBandMarker - 128] = static_cast<std::uint8_t>(r.band136);
          band[kBand - 128] = static_cast<std::uint8_t>(r.band138);
          input.pager.band = band;
          break;
        }
        case WriteDecision::Step::ReadSerial:
          steps.push_back("serial");
          input.pager.serial = SerialBlockFor(r.serial);
          break;
        case WriteDecision::Step::Ask:
          steps.push_back("ask:" + Tag(decision.text));
          if (!r.answer) {
            steps.push_back("cancel");
            done = true;
          }
          input.answers.bandSwitchOk = true;
          break;
        case WriteDecision::Step::Refuse:
          steps.push_back("refuse:" + decision.text);
          done = true;
          break;
        case WriteDecision::Step::Write:
          steps.push_back("write");
          done = true;
          break;
      }
      if (done) break;
    }

    const QStringList expected = QString(r.steps).split(';');
    QCOMPARE(static_cast<int>(steps.size()), static_cast<int>(expected.size()));
    for (int i = 0; i < expected.size(); ++i) {
      QVERIFY2(QString::fromStdString(steps[static_cast<std::size_t>(i)]).startsWith(expected[i]),
               qPrintable(QString::fromStdString(steps[static_cast<std::size_t>(i)])));
    }
    const CodePlugImage& image = decision.image;
    const bool refused = decision.step == WriteDecision::Step::Refuse;
    QCOMPARE(decision.oneChannelRefused, r.pagerOneChannel && r.kind != WriteKind::Restore);

    if (decision.step != WriteDecision::Step::Write && !decision.gapMaxConverted) {
      // Stopped before the adaptation: the image is as it came.
      QVERIFY(image == original);
      return;
    }
    QCOMPARE(int(image[kGapMax]), r.kind == WriteKind::Restore ? r.gapBefore : r.gapAfter);
    const int lowBattery = r.kind == WriteKind::Restore ? kBlank : r.pager < 112 ? 0xC7 : 0xC9;
    QCOMPARE(int(image[kLowBatteryAlarm]), lowBattery);
    QVERIFY(std::equal(input.pager.identity.begin(), input.pager.identity.end(), image.data() + kIdentity));
    const bool bandActs = r.kind != WriteKind::Restore && !r.narrowChosen && r.band136 == 0 && r.band138 == 255;
    QCOMPARE(decision.audioGainReset, bandActs);
    QCOMPARE(int(image[kAudioGain]), bandActs ? 0 : r.gain);
    QCOMPARE(int(image[kNarrowBandMarker]), bandActs ? 255 : int(original[kNarrowBandMarker]));

    // The serial number: the pager's after Write and Restore, the scan's
    // (the image's) in production and where the pager's fails its sum.
    const bool pagerSerial = r.kind != WriteKind::Production && r.serial != Serial::BadSum;
    const PagerBlock expectedSerial = SerialBlockFor(r.serial);
    const std::uint8_t* serialBytes = pagerSerial ? expectedSerial.data() : original.data() + kSerialNumber;
    QVERIFY(std::equal(serialBytes, serialBytes + kSerialBlockSize, image.data() + kSerialNumber));
    if (pagerSerial && !refused) {
      QCOMPARE(decision.serialShown.value_or("?"), std::string(r.serial == Serial::Blank ? "" : "AB1234567890"));
    }
  }

  // The refusal names the backup's kind and the pager's, each reason once.
  void restoreRefusalNamesBothSides() {
    CodePlugImage backup;
    SetVersion(backup.data(), 120);
    backup[kSingleChannelMarker] = kMarkerOff;
    PagerBlock pager;
    pager.fill(0);
    SetVersion(pager.data(), 505);
    const std::optional<std::string> refusal = RestoreRefusal(backup, pager);
    QVERIFY(refusal);
    QCOMPARE(*refusal, std::string("The backup is from a two-channel pager (firmware 1.2.0); the pager in the cradle "
                                   "is a single-channel pager (firmware 5.0.5).\n"
                                   "A backup is restored only into a pager of its own kind."));
    SetVersion(pager.data(), 130);
    pager[kSingleChannelMarker] = kMarkerOn;
    QCOMPARE(*RestoreRefusal(backup, pager),
             std::string("The backup is from firmware 1.2.0, whose timing counts in 100 ms; the pager in the cradle "
                         "has firmware 1.3.0, whose timing counts in 50 ms.\n"
                         "The backup is from a two-channel pager (firmware 1.2.0); the pager in the cradle is a "
                         "single-channel pager (firmware 1.3.0).\n"
                         "A backup is restored only into a pager of its own kind."));
    pager[kSingleChannelMarker] = kMarkerOff;
    SetVersion(pager.data(), 115);
    QVERIFY(!RestoreRefusal(backup, pager));
  }
};

QTEST_APPLESS_MAIN(WriteRulesTest)
#include "test_write_rules.moc"
