// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes an image gets when the editor shows it, the half-second times
// and the hexadecimal texts: plain functions of bytes and numbers.
#include <QtTest>

#include <array>

#include "codeplug/CodePlugImage.h"
#include "codeplug/HalfSeconds.h"
#include "codeplug/Hex.h"
#include "codeplug/Layout.h"
#include "codeplug/LoadRules.h"
#include "tones/RfChannel.h"

using namespace zt310;
using namespace zt310::layout;

class LoadRulesTest : public QObject {
  Q_OBJECT

 private slots:
  void squelchLevel_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("changed");
    QTest::newRow("level 1") << 0 << 0 << false;
    QTest::newRow("level 5") << 4 << 4 << false;
    QTest::newRow("5 names no level") << 5 << 4 << true;
    QTest::newRow("254") << 254 << 4 << true;
    QTest::newRow("255 not set") << 255 << 4 << true;
  }
  void squelchLevel() {
    QFETCH(int, stored);
    QFETCH(int, shown);
    QFETCH(bool, changed);
    CodePlugImage image = FactoryDefaultImage();
    image[kSquelchLevel] = static_cast<std::uint8_t>(stored);
    QCOMPARE(NormaliseSquelchLevel(image), changed);
    QCOMPARE(int(image[kSquelchLevel]), shown);
  }

  // Marker (136), band (138) and audio gain (137) as found, what "NB" shows,
  // and the audio gain byte afterwards.
  void band_data() {
    QTest::addColumn<int>("marker");
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("gain");
    QTest::addColumn<int>("narrow");  // -1 the box keeps what it showed
    QTest::addColumn<int>("gainAfter");
    QTest::newRow("wide, blank pair") << 0xFF << 0xFF << 16 << 0 << 16;
    QTest::newRow("marker without band") << 0 << 0xFF << 16 << 0 << 0;
    QTest::newRow("narrow") << 0 << 1 << 16 << 1 << 16;
    QTest::newRow("blank gain") << 0xFF << 0xFF << 0xFF << 0 << 0;
    QTest::newRow("band without marker") << 0xFF << 1 << 8 << -1 << 8;
  }
  void band() {
    QFETCH(int, marker);
    QFETCH(int, band);
    QFETCH(int, gain);
    QFETCH(int, narrow);
    QFETCH(int, gainAfter);
    CodePlugImage image = FactoryDefaultImage();
    image[kNarrowBandMarker] = static_cast<std::uint8_t>(marker);
    image[kBand] = static_cast<std::uint8_t>(band);
    image[kAudioGain] = static_cast<std::uint8_t>(gain);
    const auto before = image.bytes();
    NormaliseBlankAudioGain(image);
    QCOMPARE(NormaliseMarkerWithoutBand(image), marker == 0 && band == 0xFF);
    QCOMPARE(int(image[kAudioGain]), gainAfter);
    const auto shown = ShownNarrowBand(image);
    QCOMPARE(shown ? int(*shown) : -1, narrow);
    for (std::size_t i = 0; i < before.size(); ++i) {
      if (static_cast<int>(i) != kAudioGain) QCOMPARE(image.bytes()[i], before[i]);
    }
  }

  void legacySpacingOnlyForTheOldReferenceWord() {
    CodePlugImage image = FactoryDefaultImage();
    image.SetLong(RfReferenceWord(1), 0x00020B42u);
    const std::uint8_t f1Code = image[RfSpacingCode(0)];
    QVERIFY(!NormaliseLegacySpacing(image, 0));
    QCOMPARE(image[RfSpacingCode(0)], f1Code);
    QVERIFY(NormaliseLegacySpacing(image, 1));
    QCOMPARE(image[RfSpacingCode(1)], spacing_code::kLegacy2_5);
  }

  // A value as typed or pasted: whether it is a half-second step, and the
  // count stored, which is twice the value the field shows.
  void halfSeconds_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("step");
    QTest::addColumn<int>("count");
    QTest::newRow("8.5") << 8.5 << true << 17;
    QTest::newRow("whole") << 7.0 << true << 14;
    QTest::newRow("127.5") << 127.5 << true << 255;
    QTest::newRow("8.3") << 8.3 << false << -1;
    QTest::newRow("pasted 8.49 shows 8.5") << 8.49 << true << 17;
    QTest::newRow("pasted 8.96 shows 9.0, not 8 and a half") << 8.96 << false << -1;
  }
  void halfSeconds() {
    QFETCH(double, seconds);
    QFETCH(bool, step);
    QFETCH(int, count);
    QCOMPARE(IsHalfSecondStep(seconds), step);
    if (step) QCOMPARE(HalfSecondCount(seconds), count);
    QCOMPARE(HalfSecondsText(17), std::string("8.5"));
    QCOMPARE(HalfSecondsText(0), std::string("0.0"));
  }

  void hexTexts() {
    QCOMPARE(HexByte(0x0A), std::string("0A"));
    QCOMPARE(HexByte(0xFF), std::string("FF"));
    QCOMPARE(HexWord(0x04F1), std::string("04F1"));
    const std::array<std::uint8_t, 3> bytes = {0x4F, 0x00, 0xC3};
    QCOMPARE(SpacedHex(bytes), std::string("4F 00 C3"));
    QCOMPARE(SpacedHex({}), std::string());
  }
};

QTEST_APPLESS_MAIN(LoadRulesTest)
#include "test_load_rules.moc"
