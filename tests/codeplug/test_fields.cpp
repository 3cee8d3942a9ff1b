// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <set>
#include <utility>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "codeplug/Decode.h"
#include "codeplug/Fields.h"

using namespace zt310;
using namespace zt310::layout;

namespace {

struct OptionRow {
  const fields::OptionBit* option;
  std::string path;  // where the decoded listing shows it
};

std::vector<OptionRow> AllOptionRows() {
  std::vector<OptionRow> rows;
  for (const auto& option : fields::kModelOptionBits) {
    rows.push_back({&option, std::string("setting.model_options.") + option.key});
  }
  for (const auto& option : fields::kFunctionOptionBits) {
    rows.push_back({&option, std::string("setting.") + option.key});
  }
  rows.push_back({&fields::kSquelchControlRecord, std::string("setting.") + fields::kSquelchControlRecord.key});
  return rows;
}

std::string Shown(const CodePlugImage& image, const std::string& path) {
  for (const auto& field : FlattenDecoded(DecodeImage(image))) {
    if (field.path == path) return field.text;
  }
  return "<missing>";
}

}  // namespace

class FieldsTest : public QObject {
  Q_OBJECT

 private slots:
  // Each option box writes exactly its own bit, reads it back, and the
  // listing shows it under its key, on either background.
  void optionBitsRoundTripThroughTheListing() {
    for (const OptionRow& row : AllOptionRows()) {
      for (const std::uint8_t background : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
        CodePlugImage image;
        image.bytes().fill(background);
        for (const bool ticked : {true, false}) {
          CodePlugImage changed = image;
          changed.SetTicked(*row.option, ticked);
          QVERIFY2(changed.IsTicked(*row.option) == ticked, row.option->control);
          QCOMPARE(Shown(changed, row.path), std::string(ticked ? "1" : "0"));
          for (int offset = 0; offset < static_cast<int>(kImageSize); ++offset) {
            const int flipped = changed[offset] ^ image[offset];
            const int ownBit = offset == row.option->bit.offset ? 1 << row.option->bit.shift : 0;
            QVERIFY2((flipped & ~ownBit) == 0, row.option->control);
          }
        }
      }
    }
  }

  void noTwoOptionBoxesShareABitOrAName() {
    std::set<std::pair<int, int>> bits;
    std::set<std::string> names;
    for (const OptionRow& row : AllOptionRows()) {
      QVERIFY2(bits.insert({row.option->bit.offset, row.option->bit.shift}).second, row.option->control);
      QVERIFY2(names.insert(row.option->control).second, row.option->control);
      QVERIFY2(names.insert(row.option->key).second, row.option->key);
    }
  }

  // The switch byte's fields cover it once: mode, alert type, push to listen.
  void switchByteFieldsTileTheByte() {
    for (int s = 0; s < kSwitchCount; ++s) {
      CodePlugImage image;
      image.bytes().fill(0);
      image.Set(fields::SwitchModeBits(s), 0x1F);
      QCOMPARE(int{image[kFunctionSwitch + s]}, 0x1F);
      image.Set(fields::SwitchAlertType(s), 3);
      QCOMPARE(int{image[kFunctionSwitch + s]}, 0x7F);
      image.Set(fields::SwitchPushToListen(s), true);
      QCOMPARE(int{image[kFunctionSwitch + s]}, 0xFF);
    }
  }

  // Every list item's bits decode back to that item, so the editor's list and
  // the listing agree on what a stored byte means.
  void switchModesDecodeToThemselves() {
    for (int i = 0; i < static_cast<int>(std::size(fields::kSwitchModes)); ++i) {
      const auto& mode = fields::kSwitchModes[i];
      QCOMPARE(fields::SwitchModeIndex(mode.Bits()), std::optional<int>(i));
      QCOMPARE(fields::SwitchModeIndex(mode.Bits() | 0xE0), std::optional<int>(i));  // upper bits are not the mode
    }
    QVERIFY(!fields::SwitchModeIndex(3).has_value());
    QVERIFY(!fields::SwitchModeIndex(2 | 3 << 3).has_value());
  }

  void resetModesMapToTheirListItems() {
    for (int mode = 0; mode <= 5; ++mode) {
      const auto& method = fields::kResetMethods[fields::ResetMethodOfMode(mode)];
      QCOMPARE(method.mode, mode);
      QVERIFY(method.plainManualBit);
    }
    const auto& untilPress = fields::kResetMethods[fields::kUntilPressResetMethod];
    QCOMPARE(untilPress.mode, 3);
    QVERIFY(!untilPress.plainManualBit);
  }

  // The same sixteen bytes, whether an image's or a block read from a pager.
  void serialBlocks_data() {
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<bool>("sumHolds");
    QTest::addColumn<QByteArray>("pagerText");
    QTest::newRow("blank") << QByteArray(16, '\xFF') << true << false << QByteArray();
    QTest::newRow("short, sum holds") << QByteArray("AB12\0\0\0\0\0\0\0\0\0\0\x00\xE6", 16) << false << true
                                      << QByteArray("AB12");
    QTest::newRow("sum off by one") << QByteArray("AB12\0\0\0\0\0\0\0\0\0\0\x00\xE7", 16) << false << false
                                    << QByteArray("AB12");
    QTest::newRow("0xFF ends the pager's text")
        << QByteArray("AB\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 16) << false << false
        << QByteArray("AB");
    QTest::newRow("fourteen characters, sum wraps")
        << QByteArray("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFE\x0D\xF1", 16) << false << true
        << QByteArray();
    QTest::newRow("fourteen characters") << QByteArray("ABCDEFGHIJKLMN\x03\xE9", 16) << false << true
                                         << QByteArray("ABCDEFGHIJKLMN");
  }
  void serialBlocks() {
    QFETCH(QByteArray, block);
    QFETCH(bool, blank);
    QFETCH(bool, sumHolds);
    QFETCH(QByteArray, pagerText);
    CodePlugImage image;
    std::copy(block.begin(), block.end(), image.data() + kSerialNumber);
    const SerialBlock serial = SerialBlockOf(image);
    QCOMPARE(IsBlankSerialBlock(serial), blank);
    QCOMPARE(SerialBlockChecksumHolds(serial), sumHolds);
    QCOMPARE(QByteArray::fromStdString(SerialBlockText(serial)), pagerText);
    image.SetWord(kSerialChecksum, ComputeSerialChecksum(image));
    QVERIFY(SerialBlockChecksumHolds(SerialBlockOf(image)));
  }

  void firmwareVersionOfAnIdentityBlock() {
    std::array<std::uint8_t, kIdentitySize> identity{};
    identity[kFirmwareMajor] = 2;
    identity[kFirmwareMinor] = 1;
    identity[kFirmwarePatch] = 9;
    QCOMPARE(FirmwareVersionNumber(identity), 219);
    CodePlugImage image;
    std::copy(identity.begin(), identity.end(), image.data());
    QCOMPARE(image.FirmwareVersionNumber(), 219);
  }
};

QTEST_APPLESS_MAIN(FieldsTest)
#include "test_fields.moc"
