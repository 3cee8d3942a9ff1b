// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "codeplug/CodePlugImage.h"
#include "codeplug/Decode.h"

using namespace zt310;
using namespace zt310::layout;

class CodePlugImageTest : public QObject {
  Q_OBJECT

 private slots:
  void factoryDefaultChecksumAndHeader() {
    CodePlugImage image = FactoryDefaultImage();
    QCOMPARE(ComputeImageChecksum(image), std::uint16_t{0x939A});
    QCOMPARE(image.GetWord(kImageChecksum), std::uint16_t{0xFFFF});  // computed only on restore
    StoreImageChecksum(image);
    QCOMPARE(image[kImageChecksum], std::uint8_t{0x93});
    QCOMPARE(image[kImageChecksum + 1], std::uint8_t{0x9A});
    image[kHeaderMajor] = 0;
    image[kHeaderMinorPatch] = 0;
    StampHeader(image);
    QCOMPARE(image[kHeaderMajor], std::uint8_t{1});
    QCOMPARE(image[kHeaderMinorPatch], std::uint8_t{0x39});
    QVERIFY(HasModelSignature(image));
  }

  void checksumCoversOnlyBytes16To495() {
    CodePlugImage image = FactoryDefaultImage();
    const auto before = ComputeImageChecksum(image);
    image[0] ^= 0xFF;
    image[15] ^= 0xFF;
    image[496] ^= 0xFF;
    image[511] ^= 0xFF;
    QCOMPARE(ComputeImageChecksum(image), before);
    image[16] = static_cast<std::uint8_t>(image[16] + 1);
    image[432] = static_cast<std::uint8_t>(image[432] + 1);  // 0x00 in the default
    QCOMPARE(ComputeImageChecksum(image), static_cast<std::uint16_t>(before + 2));
  }

  void checksumWrapsModulo65536() {
    CodePlugImage image;  // all 0xFF: 480 x 255 = 122400 = 0x1DE20
    QCOMPARE(ComputeImageChecksum(image), std::uint16_t{0xDE20});
  }

  void bitFieldsKeepTheOtherBits_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("after");
    QTest::newRow("set one bit") << 0x00 << 3 << 1 << 1 << 0x08;
    QTest::newRow("clear one bit") << 0xFF << 0 << 1 << 0 << 0xFE;
    QTest::newRow("two-bit field") << 0xFF << 0 << 2 << 1 << 0xFD;
    QTest::newRow("two-bit field high") << 0x00 << 5 << 2 << 3 << 0x60;
    QTest::newRow("value wider than field is masked") << 0x00 << 0 << 2 << 7 << 0x03;
  }
  void bitFieldsKeepTheOtherBits() {
    QFETCH(int, before);
    QFETCH(int, shift);
    QFETCH(int, width);
    QFETCH(int, value);
    QFETCH(int, after);
    CodePlugImage image;
    image[100] = static_cast<std::uint8_t>(before);
    image.SetBits(100, shift, value, width);
    QCOMPARE(int{image[100]}, after);
    QCOMPARE(image.GetBits(100, shift, width), value & ((1 << width) - 1));
    QCOMPARE(int{image[99]}, 0xFF);
    QCOMPARE(int{image[101]}, 0xFF);
  }

  void wordsAreBigEndian() {
    CodePlugImage image;
    image.SetWord(96, 12858);
    QCOMPARE(int{image[96]}, 0x32);
    QCOMPARE(int{image[97]}, 0x3A);
    QCOMPARE(image.GetWord(96), std::uint16_t{12858});
    image.SetLong(24, 0x0001A311);
    QCOMPARE(int{image[25]}, 0x01);
    QCOMPARE(int{image[27]}, 0x11);
    QCOMPARE(FactoryDefaultImage().GetLong(28), std::uint32_t{0x00146800});
  }

  void firmwareVersionAndGenerations_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("patch");
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("oldTiming");
    QTest::addColumn<bool>("singleChannel");
    QTest::newRow("2.1.0") << 2 << 1 << 0 << 210 << false << false;
    QTest::newRow("1.2.0") << 1 << 2 << 0 << 120 << true << false;
    QTest::newRow("1.2.1") << 1 << 2 << 1 << 121 << false << false;
    QTest::newRow("5.0.0") << 5 << 0 << 0 << 500 << true << true;
    QTest::newRow("5.2.0") << 5 << 2 << 0 << 520 << true << true;
    QTest::newRow("5.2.1") << 5 << 2 << 1 << 521 << false << true;
    QTest::newRow("0.0.0") << 0 << 0 << 0 << 0 << true << false;
  }
  void firmwareVersionAndGenerations() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, patch);
    QFETCH(int, version);
    QFETCH(bool, oldTiming);
    QFETCH(bool, singleChannel);
    CodePlugImage image;
    image[kFirmwareMajor] = static_cast<std::uint8_t>(major);
    image[kFirmwareMinor] = static_cast<std::uint8_t>(minor);
    image[kFirmwarePatch] = static_cast<std::uint8_t>(patch);
    QCOMPARE(image.FirmwareVersionNumber(), version);
    QCOMPARE(IsOldTimingFirmware(version), oldTiming);
    QCOMPARE(IsSingleChannelFirmware(version), singleChannel);
  }

  void voltsToCode_data() {
    QTest::addColumn<float>("volts");
    QTest::addColumn<int>("code");
    QTest::newRow("1.00") << 1.00f << 85;
    QTest::newRow("0.54") << 0.54f << 46;
    QTest::newRow("0.28 rounds to 23.9 then truncates") << 0.28f << 23;
    QTest::newRow("0.45") << 0.45f << 38;
    QTest::newRow("0.75") << 0.75f << 64;
    QTest::newRow("0.00") << 0.00f << 0;
    QTest::newRow("exact half goes up") << 0.005859375f << 1;           // x = 0.5
    QTest::newRow("x.96 rounds up to the next code") << 0.2811f << 24;  // 23.987
  }
  void voltsToCode() {
    QFETCH(float, volts);
    QFETCH(int, code);
    QCOMPARE(int{VoltsToCode(volts)}, code);
  }

  void codesShowAsVolts() {
    QCOMPARE(QString::asprintf("%01.2f", CodeToVolts(46)), QString("0.54"));
    QCOMPARE(QString::asprintf("%01.2f", CodeToVolts(23)), QString("0.27"));
  }

  void tonalityTimers_data() {
    QTest::addColumn<int>("hertz");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("reload");
    QTest::newRow("150 Hz, lowest") << 150 << 5 << 103;
    QTest::newRow("200 Hz") << 200 << 5 << 77;
    QTest::newRow("249 Hz") << 249 << 5 << 61;
    QTest::newRow("250 Hz") << 250 << 4 << 124;
    QTest::newRow("999 Hz") << 999 << 3 << 61;
    QTest::newRow("1000 Hz") << 1000 << 0 << 124;
    QTest::newRow("1700 Hz") << 1700 << 0 << 72;
    QTest::newRow("3999 Hz") << 3999 << 0 << 30;
    QTest::newRow("4000 Hz") << 4000 << 2 << 249;
    QTest::newRow("6000 Hz, highest") << 6000 << 2 << 165;
  }
  void tonalityTimers() {
    QFETCH(int, hertz);
    QFETCH(int, code);
    QFETCH(int, reload);
    CodePlugImage image = FactoryDefaultImage();
    image.SetWord(TonalityFrequency(1), static_cast<std::uint16_t>(hertz));
    TonalityTimers timers;
    timers.Compute(image);
    QCOMPARE(int{image[kTonalityPrescaler + 2]}, code);
    QCOMPARE(int{image[kTonalityReload + 2]}, reload);
  }

  void tonalityOutOfRangeNeverDividesByZero() {
    CodePlugImage image = FactoryDefaultImage();
    TonalityTimers timers;
    // No valid choice yet: the timer bytes stay as they are.
    for (int k = 0; k < kTonalityCount; ++k) image.SetWord(TonalityFrequency(k), 0);
    timers.Compute(image);
    QCOMPARE(int{image[336]}, 5);
    QCOMPARE(int{image[343]}, 72);
    // A valid choice is remembered and reused for an out-of-range frequency.
    image.SetWord(TonalityFrequency(3), 1700);
    timers.Compute(image);
    image.SetWord(TonalityFrequency(3), 7000);
    timers.Compute(image);
    QCOMPARE(int{image[342]}, 0);
    QCOMPARE(int{image[343]}, (4000000 / (2 * 16 * 7000) - 1) & 0xFF);
    image.SetWord(TonalityFrequency(3), 0);
    timers.Compute(image);  // must not divide by zero
    QCOMPARE(int{image[342]}, 0);
  }

  void batteryCodeTableBothWays() {
    QCOMPARE(BatteryCodeTable().size(), std::size_t{19});
    QCOMPARE(int{*BatteryCodeForCentivolts(350)}, 199);
    QCOMPARE(int{*BatteryCodeForCentivolts(415)}, 236);
    QCOMPARE(*BatteryCentivoltsForCode(0xDB), 385);
    QVERIFY(!BatteryCodeForCentivolts(420));
    QVERIFY(!BatteryCentivoltsForCode(0));
  }

  void serialNumberText_data() {
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("present");
    QTest::newRow("blank") << QByteArray(16, '\xFF') << QString() << false;
    QTest::newRow("short") << QByteArray("AB12\0\0\0\0\0\0\0\0\0\0\x01\x06", 16) << "AB12" << true;
    QTest::newRow("fourteen characters stop before the checksum")
        << QByteArray("ABCDEFGHIJKLMN\x03\x9F", 16) << "ABCDEFGHIJKLMN" << true;
  }
  void serialNumberText() {
    QFETCH(QByteArray, block);
    QFETCH(QString, text);
    QFETCH(bool, present);
    CodePlugImage image;
    std::copy(block.begin(), block.end(), image.data() + kSerialNumber);
    const auto shown = SerialNumberText(image);
    QCOMPARE(shown.has_value(), present);
    if (present) QCOMPARE(QString::fromStdString(*shown), text);
  }

  void decodedFactoryDefault() {
    const auto fields = FlattenDecoded(DecodeImage(FactoryDefaultImage()));
    auto value = [&](const std::string& path) {
      for (const auto& field : fields) {
        if (field.path == path) return field.text;
      }
      return std::string("<missing>");
    };
    QCOMPARE(value("channels.F1.frequency"), std::string("1520000"));
    QCOMPARE(value("channels.F2.plln"), std::string("0015F800"));
    QCOMPARE(value("channels.F1.calls[0].tone1"), std::string("1285.8"));
    QCOMPARE(value("channels.F1.calls[0].tone2"), std::string("879.0"));
    QCOMPARE(value("channels.F1.calls[0].alert_pattern"), std::string("ABCDABCD"));
    QCOMPARE(value("setting.function_switches[0].mode"), std::string("Priority Scan F1"));
    QCOMPARE(value("setting.reset_control"), std::string("Time-Out RESET"));
    QCOMPARE(value("checksum.computed"), std::string("939A"));
  }

  void alertPatternStopsAtAnUnknownStep() {
    CodePlugImage image;
    image[144] = 0x10;
    image[145] = image[146] = image[147] = 0x00;
    QCOMPARE(AlertPatternText(image, 144), std::string("A-------"));
    image[145] = 0x29;
    QCOMPARE(AlertPatternText(image, 144), std::string("A-B"));
  }
};

QTEST_APPLESS_MAIN(CodePlugImageTest)
#include "test_codeplug_image.moc"
