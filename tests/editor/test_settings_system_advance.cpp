// SPDX-License-Identifier: GPL-3.0-or-later
// The System and Advance Setting pages: field filters and ranges, the
// converter codes, the 30000 ms rule, battery order, squelch voltages.
#include <QtTest>

#include "EditorFixture.h"

using namespace zt310;
using namespace zt310::layout;
using namespace zt310::editor;
using namespace zt310::editor::testing;

namespace {

enum Filter { Digits = 0 };  // otherwise the number of decimals

}  // namespace

class SystemAdvanceTest : public QObject {
  Q_OBJECT

 private slots:
  void fieldFilters_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("decimals");
    for (const char* name :
         {"edtDecorderReset", "edtRFDelay", "edtPriorityScanF1", "edtBS_Period0", "edtBS_Period1", "edtToneLimit0",
          "edtToneLimit1", "edtNoiseLimit", "edtGapMax", "edtNRSSIRpTM", "edtSquelch"}) {
      QTest::newRow(name) << name << int{Digits};
    }
    for (const char* name : {"edtRSSI", "edtRSSI2", "edtSSI"}) QTest::newRow(name) << name << 2;
    for (int t = 0; t < 10; ++t) {
      const std::string name = names::SquelchVoltage(t);
      QTest::newRow(name.c_str()) << QString::fromStdString(name) << 2;
    }
    QTest::newRow("edtDelay") << "edtDelay" << 1;
    for (int k = 0; k < 4; ++k) {
      const std::string name = names::Tonality(k);
      QTest::newRow(name.c_str()) << QString::fromStdString(name) << 3;
    }
  }
  void fieldFilters() {
    QFETCH(QString, name);
    QFETCH(int, decimals);
    Editor e;
    const std::string field = name.toStdString();
    e.m().Enter(field);
    QVERIFY(e.at(field).text.empty());
    if (decimals == Digits) {
      QVERIFY(e.m().Key(field, '1'));
      QVERIFY(!e.m().Key(field, '.'));
      QCOMPARE(e.LastMessage(), std::string("Please insert a numeric!"));
      QVERIFY(!e.m().Key(field, '\b'));
    } else {
      QVERIFY(!e.m().Key(field, '.'));  // never first
      QVERIFY(e.m().Key(field, '0'));
      QVERIFY(e.m().Key(field, '.'));
      for (int d = 0; d < decimals; ++d) QVERIFY(e.m().Key(field, '1'));
      QVERIFY(!e.m().Key(field, '1'));
      QVERIFY(!e.m().Key(field, 'x'));
      QVERIFY(e.messages.empty());
    }
  }

  // Every two-decimal voltage from 0.00 to 1.00 through "NRSSI": the code is
  // V x 256 / 3 rounded to one decimal and cut to its whole part. No value in
  // this range lies on a rounding boundary, so integer arithmetic gives the
  // exact reference: floor((256 h + 15) / 300) for h hundredths.
  void voltageCodesForEveryHundredth() {
    Editor e;
    for (int h = 0; h <= 100; ++h) {
      const std::string text = FormatNumber("%1.2f", h / 100.0);
      QVERIFY(e.Type("edtRSSI", text));
      QCOMPARE(e.byte(kNrssiThreshold), (256 * h + 15) / 300);
      QCOMPARE(e.at("edtRSSI").text, text);
    }
    QVERIFY(e.messages.empty());
  }

  void voltageFields_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("code");
    QTest::newRow("NRSSI 0.54") << "edtRSSI"
                                << "0.54" << kNrssiThreshold << true << 46;
    QTest::newRow("NRSSI 1") << "edtRSSI"
                             << "1" << kNrssiThreshold << true << 85;
    QTest::newRow("NRSSI 1.01") << "edtRSSI"
                                << "1.01" << kNrssiThreshold << false << 46;
    QTest::newRow("Speaker OFF 0.45") << "edtRSSI2"
                                      << "0.45" << kSpeakerOffCode << true << 38;
    QTest::newRow("Speaker OFF 2") << "edtRSSI2"
                                   << "2" << kSpeakerOffCode << false << 38;
    QTest::newRow("Speaker ON 0.75") << "edtSSI"
                                     << "0.75" << kSpeakerOnCode << true << 64;
  }
  void voltageFields() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, offset);
    QFETCH(bool, accepted);
    QFETCH(int, code);
    Editor e;
    QCOMPARE(e.Type(name.toStdString(), text.toStdString()), accepted);
    QCOMPARE(e.byte(offset), code);
    if (!accepted) QCOMPARE(e.LastMessage(), std::string("Please insert a number between 0 to 1"));
  }

  void emptyNrssiReshowsAndMovesToSink() {
    Editor e;
    QVERIFY(e.Type("edtRSSI", ""));
    QCOMPARE(e.at("edtRSSI").text, std::string("0.54"));
    QCOMPARE(e.m().Focus(), std::string(kFocusSink));
  }

  void speakerOnSelectsWideBandLevel() {
    Editor e;
    e.m().Click("chkNB");  // the match uses the wide-band values even now
    QCOMPARE(e.at("cblSquelchlevel").selected, 4);
    QVERIFY(e.Type("edtSSI", "0.21"));
    QCOMPARE(e.byte(kSpeakerOnCode), 17);
    QCOMPARE(e.at("cblSquelchlevel").selected, 4);
    QVERIFY(e.Type("edtSSI", "0.20"));
    QCOMPARE(e.byte(kSpeakerOnCode), 17);
    QCOMPARE(e.at("cblSquelchlevel").selected, 2);
    QCOMPARE(e.byte(kSquelchLevel), 4);  // the level's action did not run
  }

  void wholeNumberFields_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    const QString r255 = "Please insert a number between 0 to 255";
    const QString r65535 = "Please insert a number between 0 to 65535";
    QTest::newRow("RF delay 255") << "edtRFDelay"
                                  << "255" << kRfDelay << 1 << true << 255 << ""
                                  << "";
    QTest::newRow("RF delay 256") << "edtRFDelay"
                                  << "256" << kRfDelay << 1 << false << 35 << r255 << "ZT310";
    QTest::newRow("noise 255") << "edtNoiseLimit"
                               << "255" << kNoiseLimit << 1 << true << 255 << ""
                               << "";
    QTest::newRow("noise 256") << "edtNoiseLimit"
                               << "256" << kNoiseLimit << 1 << false << 1 << r255 << "ZT310";
    QTest::newRow("gap 0") << "edtGapMax"
                           << "0" << kGapMax << 1 << true << 0 << ""
                           << "";
    QTest::newRow("gap 300") << "edtGapMax"
                             << "300" << kGapMax << 1 << false << 10 << r255 << "ZT310";
    QTest::newRow("NRSSI time 5") << "edtNRSSIRpTM"
                                  << "5" << kNrssiResponseTime << 1 << true << 5 << ""
                                  << "";
    QTest::newRow("NRSSI time 100") << "edtNRSSIRpTM"
                                    << "100" << kNrssiResponseTime << 1 << true << 100 << ""
                                    << "";
    QTest::newRow("NRSSI time 4") << "edtNRSSIRpTM"
                                  << "4" << kNrssiResponseTime << 1 << false << 10
                                  << "Please insert a number between 5 to 100"
                                  << "ZT310Pro";
    QTest::newRow("NRSSI time 101") << "edtNRSSIRpTM"
                                    << "101" << kNrssiResponseTime << 1 << false << 10
                                    << "Please insert a number between 5 to 100"
                                    << "ZT310Pro";
    QTest::newRow("battery save 1") << "edtBS_Period0"
                                    << "255" << kBatterySave1 << 1 << true << 255 << ""
                                    << "";
    QTest::newRow("priority scan 0") << "edtPriorityScanF1"
                                     << "0" << kPriorityScanF1 << 1 << false << 4
                                     << "Please insert a number between 1 to 255"
                                     << "ZT310";
    QTest::newRow("tone1 limit 65535") << "edtToneLimit0"
                                       << "65535" << kTone1Limit << 2 << true << 65535 << ""
                                       << "";
    QTest::newRow("tone2 limit 65536") << "edtToneLimit1"
                                       << "65536" << kTone2Limit << 2 << false << 1 << r65535 << "ZT310";
    QTest::newRow("pasted text") << "edtRFDelay"
                                 << "3 5" << kRfDelay << 1 << false << 35 << r255 << "ZT310";
    // Past every integer type: refused by its size, never narrowed.
    QTest::newRow("pasted 5e21") << "edtRFDelay"
                                 << "5000000000000000000000" << kRfDelay << 1 << false << 35 << r255 << "ZT310";
    QTest::newRow("pasted 400 digits") << "edtToneLimit0" << QString(400, '9') << kTone1Limit << 2 << false << 1
                                       << r65535 << "ZT310";
    QTest::newRow("pasted 12.0") << "edtRFDelay"
                                 << "12.0" << kRfDelay << 1 << true << 12 << ""
                                 << "";
  }
  void wholeNumberFields() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, offset);
    QFETCH(int, width);
    QFETCH(bool, accepted);
    QFETCH(int, stored);
    QFETCH(QString, message);
    QFETCH(QString, title);
    Editor e;
    const std::string field = name.toStdString();
    QCOMPARE(e.Paste(field, text.toStdString()), accepted);
    QCOMPARE(width == 1 ? e.byte(offset) : static_cast<int>(e.image().GetWord(offset)), stored);
    QCOMPARE(QString::fromStdString(e.LastMessage()), message);
    QCOMPARE(QString::fromStdString(e.LastTitle()), title);
    QCOMPARE(e.m().Focus() == field, !accepted);
    if (!accepted) QCOMPARE(e.at(field).text, text.toStdString());
  }

  void emptyToneLimitReshowsBoth() {
    Editor e;
    e.m().SetText("edtToneLimit1", "9");
    QVERIFY(e.Type("edtToneLimit0", ""));
    QCOMPARE(e.at("edtToneLimit0").text, std::string("1"));
    QCOMPARE(e.at("edtToneLimit1").text, std::string("1"));
  }

  void decoderReset_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    QTest::newRow("30") << "30" << true << 60 << "30.0"
                        << "";
    QTest::newRow("0") << "0" << true << 0 << "0.0"
                       << "";
    QTest::newRow("127.5") << "127.5" << true << 255 << "127.5"
                           << "";
    QTest::newRow("128") << "128" << false << 60 << "128"
                         << "Please insert a number between 0 to 127.5";
    QTest::newRow("30.3") << "30.3" << true << 60 << "30.0"
                          << "The interval is 0.5 second.";
  }
  void decoderReset() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, stored);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    Editor e;
    QCOMPARE(e.Paste("edtDecorderReset", text.toStdString()), accepted);
    QCOMPARE(e.byte(kDecoderReset), stored);
    QCOMPARE(QString::fromStdString(e.at("edtDecorderReset").text), shown);
    QCOMPARE(QString::fromStdString(e.LastMessage()), message);
  }

  // count x Battery Save2 x 10 ms must stay below 30000 ms.
  void priorityScanPeriodLimit_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("firstText");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("batterySave2");
    QTest::addColumn<int>("period");
    QTest::newRow("12 x 25 = 3000") << ""
                                    << ""
                                    << "edtPriorityScanF1"
                                    << "12" << true << 12 << 25 << -1;
    QTest::newRow("120 x 25 = 30000") << ""
                                      << ""
                                      << "edtPriorityScanF1"
                                      << "120" << false << 4 << 25 << 1;
    QTest::newRow("119 x 25 = 29750") << ""
                                      << ""
                                      << "edtPriorityScanF1"
                                      << "119" << true << 119 << 25 << -1;
    QTest::newRow("30 x 100 = 30000") << "edtPriorityScanF1"
                                      << "30"
                                      << "edtBS_Period1"
                                      << "100" << false << 30 << 25 << -1;
    QTest::newRow("29 x 100 = 29000") << "edtPriorityScanF1"
                                      << "29"
                                      << "edtBS_Period1"
                                      << "100" << true << 29 << 100 << -1;
    QTest::newRow("8 x 25 = 2000") << ""
                                   << ""
                                   << "edtPriorityScanF1"
                                   << "8" << true << 8 << 25 << 2;
  }
  void priorityScanPeriodLimit() {
    QFETCH(QString, first);
    QFETCH(QString, firstText);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, count);
    QFETCH(int, batterySave2);
    QFETCH(int, period);
    Editor e;  // factory: count 4, Battery Save2 25
    if (!first.isEmpty()) QVERIFY(e.Type(first.toStdString(), firstText.toStdString()));
    QCOMPARE(e.Type(field.toStdString(), text.toStdString()), accepted);
    QCOMPARE(e.byte(kPriorityScanF1), count);
    QCOMPARE(e.byte(kBatterySave2), batterySave2);
    QCOMPARE(e.at("cboCircle").selected, period);
    if (!accepted) {
      QCOMPARE(e.LastMessage(), std::string("Priority ScanF1 x (Battery Save2 x 10ms) must less than 30000 ms !"));
      QCOMPARE(e.m().Focus(), field.toStdString());
    }
  }

  // --- battery gauge levels (factory: Low 3.50, Med 3.70, High 3.85) ---
  void batteryOrder_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("code");
    QTest::newRow("Low 3.70 = Med") << "cboBatLow"
                                    << "3.70V" << false << kBatteryLow << 199;
    QTest::newRow("Low 3.55") << "cboBatLow"
                              << "3.55V" << true << kBatteryLow << 201;
    QTest::newRow("High 3.70 = Med") << "cboBatHigh"
                                     << "3.70V" << false << kBatteryHigh << 219;
    QTest::newRow("High 4.15") << "cboBatHigh"
                               << "4.15V" << true << kBatteryHigh << 236;
    QTest::newRow("Med 3.50 = Low") << "cboBatMed"
                                    << "3.50V" << false << kBatteryMedium << 210;
    QTest::newRow("Med 3.95 > High") << "cboBatMed"
                                     << "3.95V" << false << kBatteryMedium << 210;
    QTest::newRow("Med 3.80") << "cboBatMed"
                              << "3.80V" << true << kBatteryMedium << 216;
  }
  void batteryOrder() {
    QFETCH(QString, list);
    QFETCH(QString, item);
    QFETCH(bool, accepted);
    QFETCH(int, offset);
    QFETCH(int, code);
    Editor e;
    const CodePlugImage before = e.image();
    QVERIFY(e.m().PickText(list.toStdString(), item.toStdString()));
    QCOMPARE(e.byte(offset), code);
    QCOMPARE(e.byte(kLowBatteryAlarm), e.byte(kBatteryLow));
    if (accepted) {
      QVERIFY(e.messages.empty());
    } else {
      QCOMPARE(e.LastMessage(), std::string("You must let Level-High > Level-Med > Level-Low !"));
      QVERIFY(e.image() == before);
      QCOMPARE(e.at("cboBatLow").text, std::string("3.50V"));
      QCOMPARE(e.at("cboBatMed").text, std::string("3.70V"));
      QCOMPARE(e.at("cboBatHigh").text, std::string("3.85V"));
      QCOMPARE(e.m().Focus(), list.toStdString());
    }
  }

  // A code no list item shows: the refused pick must not stay on screen.
  void refusedPickRestoresPreviousItemWhenCodeUnknown() {
    Editor e;
    e.image()[kBatteryMedium] = 200;  // no table row
    QVERIFY(e.m().PickText("cboBatMed", "3.50V"));
    QCOMPARE(e.at("cboBatMed").text, std::string("3.70V"));
    QCOMPARE(e.byte(kBatteryMedium), 200);
  }

  void batteryLoad() {
    Editor e;
    CodePlugImage image = Factory();
    image[kBatteryLow] = 196;     // 3.45 V
    image[kBatteryMedium] = 250;  // no row: keeps its item
    image[kBatteryHigh] = 227;    // 4.00 V
    e.Load(image);
    QCOMPARE(e.at("cboBatLow").text, std::string("3.45V"));
    QCOMPARE(e.at("cboBatMed").text, std::string("3.70V"));
    QCOMPARE(e.at("cboBatHigh").text, std::string("4.00V"));
  }

  // --- squelch level voltages (factory NRSSI 0.54, wide-band table) ---
  void squelchVoltages_data() {
    QTest::addColumn<QString>("nrssi");
    QTest::addColumn<int>("tag");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("message");
    const QString order = "You must let Speaker OFF > Speaker ON !";
    QTest::newRow("above NRSSI") << "" << 8 << "0.60" << 45 << "Please insert a number between 0.02 to 0.54 !";
    QTest::newRow("below 0.02") << "" << 8 << "0.01" << 45 << "Please insert a number between 0.02 to 0.54 !";
    QTest::newRow("names the NRSSI text")
        << "0.9" << 8 << "0.95" << 45 << "Please insert a number between 0.02 to 0.90 !";
    QTest::newRow("equal to NRSSI") << "" << 8 << "0.54" << 54 << "";
    QTest::newRow("0.02") << "" << 1 << "0.02" << 2 << "";
    QTest::newRow("off equal to on") << "" << 0 << "0.10" << 10 << "";
    QTest::newRow("off below on") << "" << 0 << "0.09" << 32 << order;
    QTest::newRow("on above off") << "" << 1 << "0.33" << 10 << order;
    QTest::newRow("on equal to off") << "" << 9 << "0.45" << 45 << "";
  }
  void squelchVoltages() {
    QFETCH(QString, nrssi);
    QFETCH(int, tag);
    QFETCH(QString, text);
    QFETCH(int, stored);
    QFETCH(QString, message);
    Editor e;
    if (!nrssi.isEmpty()) QVERIFY(e.Type("edtRSSI", nrssi.toStdString()));
    const std::string field = names::SquelchVoltage(tag);
    QVERIFY(e.Type(field, text.toStdString()));  // the focus is never forced back
    QCOMPARE(e.byte(kSquelchTable + tag), stored);
    QCOMPARE(e.at(field).text, FormatNumber("%01.2f", stored * 0.01));
    QCOMPARE(QString::fromStdString(e.LastMessage()), message);
  }

  void squelchVoltageRefreshesSelectedLevel() {
    Editor e;
    e.m().Pick("cblSquelchlevel", 2);
    QVERIFY(e.Type("edtSquLevel5", "0.25"));
    QCOMPARE(e.byte(kSquelchTable + 5), 25);
    QCOMPARE(e.byte(kSpeakerOnCode), 21);
    QCOMPARE(e.at("edtSSI").text, std::string("0.25"));
  }

  void squelchOffAfterEqualOnIsRefused() {
    Editor e;
    QVERIFY(e.Type("edtSquLevel0", "0.10"));
    QVERIFY(e.messages.empty());
    QVERIFY(e.Type("edtSquLevel1", "0.11"));
    QCOMPARE(e.LastMessage(), std::string("You must let Speaker OFF > Speaker ON !"));
    QCOMPARE(e.byte(kSquelchTable + 1), 10);
  }

  // --- timing unit labels ---
  void timingUnitLabels_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("hundred");
    QTest::newRow("0.0.0") << 0 << true;
    QTest::newRow("1.2.0") << 120 << true;
    QTest::newRow("1.2.1") << 121 << false;
    QTest::newRow("4.9.9") << 499 << false;
    QTest::newRow("5.0.0") << 500 << true;
    QTest::newRow("5.2.0") << 520 << true;
    QTest::newRow("5.2.1") << 521 << false;
  }
  void timingUnitLabels() {
    QFETCH(int, version);
    QFETCH(bool, hundred);
    Editor e;
    SelectTimingUnitLabels(e.m(), version);
    for (int n = 0; n < 6; ++n) {
      QCOMPARE(e.m().IsInFront(names::HundredMsLabel(n)), hundred);
      QCOMPARE(e.m().IsInFront(names::FiftyMsLabel(n)), !hundred);
    }
    // Loading does not touch the labels.
    e.m().FillControlsFromImage();
    QCOMPARE(e.system().ShowsHundredMsUnit(), hundred);
  }
};

QTEST_GUILESS_MAIN(SystemAdvanceTest)
#include "test_settings_system_advance.moc"
