// SPDX-License-Identifier: GPL-3.0-or-later
// The Setting page: model options, reset control, reminder, squelch level,
// audio gain, "NB", "One Channel", function switches, tonalities, period.
#include <QtTest>

#include "EditorFixture.h"

using namespace zt310;
using namespace zt310::layout;
using namespace zt310::editor;
using namespace zt310::editor::testing;

class SettingPageTest : public QObject {
  Q_OBJECT

 private slots:
  // --- option boxes ---
  void optionBoxOwnsOnlyItsBit() {
    Editor e;
    e.image()[kModelOptions] = 0xFF;
    e.m().SetChecked("chkSysFIXAlert", true);
    e.m().Click("chkSysFIXAlert");
    QCOMPARE(e.byte(kModelOptions), 0xFD);
    e.m().Click("chkSysVibratorInCharger");  // unticked -> ticked: bit 6 already set
    QCOMPARE(e.byte(kModelOptions), 0xFD);
  }

  void announcementGatesVibrationBoxButKeepsItsBit() {
    Editor e;  // factory 364 = 0xF7: announce and vibration ticked
    QVERIFY(e.at("chkFunVibrAlert").enabled);
    e.m().Click("chkFunAnnounce");
    QVERIFY(!e.at("chkFunVibrAlert").enabled);
    QCOMPARE(e.byte(kFunctionOptions), 0xF6);
    e.m().Click("chkFunAnnounce");
    QVERIFY(e.at("chkFunVibrAlert").enabled);
  }

  void squelchRecordBoxIsInverted() {
    Editor e;  // factory 140 = 0xFF: not ticked
    QVERIFY(!e.at("chkSQLRec").checked);
    e.m().Click("chkSQLRec");
    QCOMPARE(e.byte(kReceiverFlags), 0xFE);
  }

  // --- reset control ---
  void resetEncode_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("plainBit");
    QTest::addColumn<bool>("delayShown");
    QTest::newRow("Auto Reset") << 0 << 0 << 1 << false;
    QTest::newRow("Delay N sec") << 1 << 1 << 1 << true;
    QTest::newRow("Revert SQ") << 2 << 2 << 1 << false;
    QTest::newRow("Manual RESET") << 3 << 3 << 1 << false;
    QTest::newRow("Until Press") << 4 << 3 << 0 << false;
    QTest::newRow("Time-Out") << 5 << 4 << 1 << true;
    QTest::newRow("Delay AUTO N") << 6 << 5 << 1 << true;
  }
  void resetEncode() {
    QFETCH(int, index);
    QFETCH(int, mode);
    QFETCH(int, plainBit);
    QFETCH(bool, delayShown);
    Editor e;
    e.m().Pick("cboResetCon", index);
    QCOMPARE(e.byte(kResetMode), mode);
    QCOMPARE(e.image().GetBits(kReceiverFlags, kFlagPlainManualResetBit, 1), plainBit);
    for (const char* name : {"lblDelayTime", "edtDelay", "lblDelaySec"}) QCOMPARE(e.at(name).visible, delayShown);
  }

  void resetLoadAcrossFirmware_data() {
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("patch");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("flagsAfter");
    QTest::newRow("2.0.9 until-press becomes plain") << 0 << 9 << 3 << 0xFD << 3 << 0xFF;
    QTest::newRow("2.1.0 until-press kept") << 1 << 0 << 3 << 0xFD << 4 << 0xFD;
    QTest::newRow("2.1.0 plain manual") << 1 << 0 << 3 << 0xFF << 3 << 0xFF;
    QTest::newRow("2.0.9 time-out") << 0 << 9 << 4 << 0xFD << 5 << 0xFF;
    QTest::newRow("2.1.0 delay auto") << 1 << 0 << 5 << 0xFF << 6 << 0xFF;
    QTest::newRow("mode 6: no item, nothing written") << 1 << 0 << 6 << 0xFD << -1 << 0xFD;
  }
  void resetLoadAcrossFirmware() {
    QFETCH(int, minor);
    QFETCH(int, patch);
    QFETCH(int, mode);
    QFETCH(int, flags);
    QFETCH(int, index);
    QFETCH(int, flagsAfter);
    Editor e;
    CodePlugImage image = WithFirmware(Factory(), 2, minor, patch);
    image[kResetMode] = static_cast<std::uint8_t>(mode);
    image[kReceiverFlags] = static_cast<std::uint8_t>(flags);
    e.Load(image);
    QCOMPARE(e.at("cboResetCon").selected, index);
    QCOMPARE(e.byte(kResetMode), mode);
    QCOMPARE(e.byte(kReceiverFlags), flagsAfter);
  }

  void delayTime_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    const QString range = "Please insert a number between 1 to 127.5";
    QTest::newRow("8.5") << "8.5" << false << true << 17 << "8.5"
                         << "";
    QTest::newRow("127.5") << "127.5" << false << true << 255 << "127.5"
                           << "";
    QTest::newRow("1") << "1" << false << true << 2 << "1.0"
                       << "";
    QTest::newRow("8.3 not a step") << "8.3" << false << true << 16 << "8.0"
                                    << "The interval is 0.5 second.";
    QTest::newRow("0.5 too small") << "0.5" << false << false << 16 << "0.5" << range;
    QTest::newRow("128 too big") << "128" << false << false << 16 << "128" << range;
    QTest::newRow("empty re-shows") << "" << false << true << 16 << "8.0"
                                    << "";
    QTest::newRow("pasted 8.49 shown and stored as 8.5") << "8.49" << true << true << 17 << "8.5"
                                                         << "";
    QTest::newRow("pasted text") << "8s" << true << false << 16 << "8s" << range;
  }
  void delayTime() {
    QFETCH(QString, text);
    QFETCH(bool, pasted);
    QFETCH(bool, accepted);
    QFETCH(int, stored);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    Editor e;  // factory delay 16 (8.0 s)
    const bool result = pasted ? e.Paste("edtDelay", text.toStdString()) : e.Type("edtDelay", text.toStdString());
    QCOMPARE(result, accepted);
    QCOMPARE(e.byte(kResetDelay), stored);
    QCOMPARE(QString::fromStdString(e.at("edtDelay").text), shown);
    QCOMPARE(QString::fromStdString(e.LastMessage()), message);
    QCOMPARE(e.m().Focus() == "edtDelay", !accepted);
  }

  void carrierOffDelay() {
    Editor e;
    QVERIFY(e.Type("edtSquelch", "255"));
    QCOMPARE(e.byte(kCarrierOffDelay), 255);
    QVERIFY(!e.Type("edtSquelch", "256"));
    QCOMPARE(e.LastMessage(), std::string("Please insert a number between 0 to 255"));
    QCOMPARE(e.byte(kCarrierOffDelay), 255);
    e.m().Enter("edtSquelch");
    QVERIFY(!e.m().Key("edtSquelch", '-'));
    QCOMPARE(e.LastMessage(), std::string("Please insert a numeric!"));
  }

  // --- reminder ---
  void reminderNormalisedOnLoad_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("rewritten");
    QTest::newRow("0") << 0 << 0 << 0;
    QTest::newRow("1") << 1 << 1 << 60;
    QTest::newRow("60") << 60 << 1 << 60;
    QTest::newRow("89") << 89 << 1 << 60;
    QTest::newRow("90") << 90 << 2 << 120;
    QTest::newRow("100") << 100 << 2 << 120;
    QTest::newRow("179") << 179 << 2 << 120;
    QTest::newRow("180") << 180 << 3 << 240;
    QTest::newRow("255") << 255 << 3 << 240;
  }
  void reminderNormalisedOnLoad() {
    QFETCH(int, stored);
    QFETCH(int, index);
    QFETCH(int, rewritten);
    Editor e;
    CodePlugImage image = Factory();
    image[kReminder] = static_cast<std::uint8_t>(stored);
    e.Load(image);
    QCOMPARE(e.at("cboReminder").selected, index);
    QCOMPARE(e.byte(kReminder), rewritten);
  }

  // --- squelch level ---
  void squelchLevelFillsSpeakerFields() {
    Editor e;  // wide-band table
    e.m().Pick("cblSquelchlevel", 2);
    QCOMPARE(e.at("edtSSI").text, std::string("0.20"));
    QCOMPARE(e.at("edtRSSI2").text, std::string("0.32"));
    QCOMPARE(e.byte(kSpeakerOnCode), 17);
    QCOMPARE(e.byte(kSpeakerOffCode), 27);
    QCOMPARE(e.byte(kSquelchLevel), 2);
  }

  void squelchLevelByteOutOfRangeOnLoad_data() {
    QTest::addColumn<int>("stored");
    QTest::newRow("255 not set") << 255;
    QTest::newRow("5") << 5;
    QTest::newRow("254") << 254;
  }
  void squelchLevelByteOutOfRangeOnLoad() {
    QFETCH(int, stored);
    Editor e;
    CodePlugImage image = Factory();
    image[kSquelchLevel] = static_cast<std::uint8_t>(stored);
    image[kSpeakerOnCode] = 0;
    image[kSpeakerOffCode] = 0;
    e.Load(image);
    QCOMPARE(e.at("cblSquelchlevel").selected, 4);
    QCOMPARE(e.byte(kSquelchLevel), 4);
    QCOMPARE(e.byte(kSpeakerOnCode), 23);   // 0.28 V
    QCOMPARE(e.byte(kSpeakerOffCode), 38);  // 0.45 V
  }

  // --- NB presets ---
  void narrowBandPresetsBothWays() {
    struct Expected {
      bool narrow;
      int squelch[10];
      int nrssi;
      int gain;
      const char* nrssiText;
      int gainIndex;
      int marker;
      int band;
      int speakerOnCode;  // level "3"
      int speakerOffCode;
    };
    const Expected cases[] = {
        {true, {65, 20, 65, 25, 65, 30, 75, 35, 85, 45}, 85, 16, "1.00", 2, 0, 1, 25, 55},
        {false, {32, 10, 32, 14, 32, 20, 38, 24, 45, 28}, 46, 0, "0.54", 0, 0xFF, 0xFF, 17, 27},
    };
    Editor e;
    e.m().Pick("cblSquelchlevel", 2);
    for (const auto& c : cases) {
      e.m().Click("chkNB");
      QCOMPARE(e.at("chkNB").checked, c.narrow);
      for (int t = 0; t < 10; ++t) {
        QCOMPARE(e.byte(kSquelchTable + t), c.squelch[t]);
        QCOMPARE(e.at(names::SquelchVoltage(t)).text, FormatNumber("%01.2f", c.squelch[t] * 0.01));
      }
      QCOMPARE(e.byte(kNrssiThreshold), c.nrssi);
      QCOMPARE(e.byte(kAudioGain), c.gain);
      QCOMPARE(e.at("edtRSSI").text, std::string(c.nrssiText));
      QCOMPARE(e.at("cboAudioGain").selected, c.gainIndex);
      QCOMPARE(e.byte(kNarrowBandMarker), c.marker);
      QCOMPARE(e.byte(kBand), c.band);
      // Level "3" follows the new table.
      QCOMPARE(e.byte(kSpeakerOnCode), c.speakerOnCode);
      QCOMPARE(e.byte(kSpeakerOffCode), c.speakerOffCode);
      QCOMPARE(e.byte(kSquelchLevel), 2);
    }
  }

  void bandLoadNeverAppliesPresets_data() {
    QTest::addColumn<int>("marker");
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("gain");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<int>("gainAfter");
    QTest::newRow("wide") << 0xFF << 0xFF << 16 << false << 16;
    QTest::newRow("opened wide file resets gain") << 0 << 0xFF << 16 << false << 0;
    QTest::newRow("narrow") << 0 << 1 << 16 << true << 16;
    QTest::newRow("blank gain") << 0 << 1 << 0xFF << true << 0;
  }
  void bandLoadNeverAppliesPresets() {
    QFETCH(int, marker);
    QFETCH(int, band);
    QFETCH(int, gain);
    QFETCH(bool, ticked);
    QFETCH(int, gainAfter);
    Editor e;
    CodePlugImage image = Factory();
    image[kNarrowBandMarker] = static_cast<std::uint8_t>(marker);
    image[kBand] = static_cast<std::uint8_t>(band);
    image[kAudioGain] = static_cast<std::uint8_t>(gain);
    e.Load(image);
    QCOMPARE(e.at("chkNB").checked, ticked);
    QCOMPARE(e.byte(kAudioGain), gainAfter);
    QCOMPARE(e.at("cboAudioGain").selected, gainAfter >> 3);
    for (int t = 0; t < 10; ++t) QCOMPARE(e.byte(kSquelchTable + t), static_cast<int>(Factory()[kSquelchTable + t]));
  }

  // --- One Channel and the switch lists ---
  void oneChannelSwapsListsWithMemories() {
    Editor e;
    QVERIFY(e.m().IsInFront("cboFunMode3"));
    e.m().Click("chkOneChannel");
    QCOMPARE(e.byte(kSingleChannelMarker), 0xFE);
    QCOMPARE(e.byte(kSingleChannelMarker2), 0xFE);
    QVERIFY(e.m().IsInFront("cboC1FunMode3"));
    QVERIFY(!e.m().IsActionable("cboFunMode3"));
    QCOMPARE(e.at("cboC1FunMode3").text, std::string("Selective Call F1"));
    QCOMPARE(e.byte(kFunctionSwitch + 3) & 0x1F, 1);
    QCOMPARE(e.at("cboC1FunMode0").text, std::string("Monitor F1"));
    QCOMPARE(e.byte(kFunctionSwitch + 0), 0x40);  // vibrate kept, push to listen off
    QVERIFY(!e.at("chkFunPTListen0").enabled);
    QVERIFY(!e.at("tabChannelF2").enabled);

    e.m().Pick("cboC1FunMode0", 1);  // remembered for the next time
    e.m().Click("chkOneChannel");
    QCOMPARE(e.byte(kSingleChannelMarker), 0xFF);
    QCOMPARE(e.byte(kSingleChannelMarker2), 0xFF);
    QVERIFY(e.m().IsInFront("cboFunMode3"));
    QCOMPARE(e.at("cboFunMode3").text, std::string("Selective Call F2"));
    QCOMPARE(e.byte(kFunctionSwitch + 3), 0x25);
    QCOMPARE(e.byte(kFunctionSwitch + 0), 0x52);
    QVERIFY(e.at("tabChannelF2").enabled);

    e.m().Click("chkOneChannel");
    QCOMPARE(e.at("cboC1FunMode0").text, std::string("Selective Call F1"));
    QCOMPARE(e.switches().RememberedOneChannelIndex(0), 1);
    QCOMPARE(e.switches().RememberedTwoChannelIndex(0), 5);
  }

  void oneChannelDisablesF2ControlsAndUntickRefreshesRows() {
    Editor e;  // factory: only CALL #1 enabled on F2
    e.m().Click("chkOneChannel");
    for (const char* name : {"tabChannelF2", "chkF2Call0", "chkF2Call1", "edtF2T10", "edtF2T20", "edtF2GT0",
                             "chkF2GCall0", "cboCSpaceF2"}) {
      QVERIFY2(!e.at(name).enabled, name);
    }
    QVERIFY(e.at("chkF1Call0").enabled);
    QVERIFY(e.at("edtF1T10").enabled);
    e.m().Click("chkOneChannel");
    // Everything comes back, then the row rules disable the calls that are off.
    for (const char* name : {"tabChannelF2", "chkF2Call0", "chkF2Call1", "edtF2T10", "cboCSpaceF2"}) {
      QVERIFY2(e.at(name).enabled, name);
    }
    QVERIFY(!e.at("edtF2T11").enabled);
    QVERIFY(!e.at("edtF2GT0").enabled);
    // A duty column is usable only while its duty box is ticked.
    QVERIFY(!e.at("chkF2SA0").enabled);
    e.m().Click("chkF2DutyA");
    e.m().Click("chkOneChannel");
    e.m().Click("chkOneChannel");
    QVERIFY(e.at("chkF2SA0").enabled);
    QVERIFY(!e.at("chkF2SB0").enabled);
    QVERIFY(!e.at("chkF2SA1").enabled);
    QCOMPARE(e.byte(kDutyEnables), 0xEF);
  }

  // --- switch controls ---
  void switchModesEncode_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("pushToListenEnabled");
    QTest::newRow("Monitor F1") << 0 << 0x00 << false;
    QTest::newRow("Monitor F2") << 1 << 0x04 << false;
    QTest::newRow("Selective Call F1") << 2 << 0x01 << true;
    QTest::newRow("Selective Call F2") << 3 << 0x05 << true;
    QTest::newRow("Normal Scan") << 4 << 0x02 << false;
    QTest::newRow("Priority Scan F1") << 5 << 0x12 << false;
    QTest::newRow("Silent Scan") << 6 << 0x0A << true;
  }
  void switchModesEncode() {
    QFETCH(int, index);
    QFETCH(int, bits);
    QFETCH(bool, pushToListenEnabled);
    Editor e;
    e.m().Pick("cboFunMode2", 2);  // selective call: push to listen usable
    e.m().Click("chkFunPTListen2");
    QCOMPARE(e.byte(kFunctionSwitch + 2), 0xC1);
    e.m().Pick("cboFunMode2", index);
    QCOMPARE(e.byte(kFunctionSwitch + 2) & 0x1F, bits);
    QCOMPARE(e.at("chkFunPTListen2").enabled, pushToListenEnabled);
    QCOMPARE(e.at("chkFunPTListen2").checked, pushToListenEnabled);
    QCOMPARE((e.byte(kFunctionSwitch + 2) >> 7) & 1, pushToListenEnabled ? 1 : 0);
    QCOMPARE(e.at("cboFunAType2").enabled, !pushToListenEnabled);
    QCOMPARE(e.switches().RememberedTwoChannelIndex(2), index);
  }

  void pushToListenForcesVibrate() {
    Editor e;  // SW-C = 0x21, "Selective Call F1", "Tone"
    e.m().Click("chkFunPTListen2");
    QCOMPARE(e.byte(kFunctionSwitch + 2), 0xC1);
    QCOMPARE(e.at("cboFunAType2").text, std::string("Vibrate"));
    QVERIFY(!e.at("cboFunAType2").enabled);
    e.m().Click("chkFunPTListen2");
    QCOMPARE(e.byte(kFunctionSwitch + 2), 0x41);
    QCOMPARE(e.at("cboFunAType2").text, std::string("Vibrate"));
    QVERIFY(e.at("cboFunAType2").enabled);
    e.m().Pick("cboFunAType2", 2);
    QCOMPARE(e.byte(kFunctionSwitch + 2), 0x61);
  }

  void switchByteLoadRule_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("oneChannel");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("alert");
    QTest::addColumn<bool>("ptlTicked");
    QTest::addColumn<bool>("ptlEnabled");
    // SW-A's list shows "Priority Scan F1" (two-channel) / "Monitor F1" (one-channel) before the load.
    QTest::newRow("factory SW-A") << 0x52 << false << 0x52 << "Priority Scan F1"
                                  << "Vibrate" << false << false;
    QTest::newRow("push to listen on monitor") << 0x90 << false << 0x40 << "Monitor F1"
                                               << "Vibrate" << false << false;
    QTest::newRow("push to listen, tone & vibrate") << 0xE1 << false << 0xE1 << "Selective Call F1"
                                                    << "Tone & Vibtate" << true << true;
    QTest::newRow("silent scan") << 0x2A << false << 0x2A << "Silent Scan"
                                 << "Tone" << false << true;
    QTest::newRow("monitor F2") << 0x24 << false << 0x24 << "Monitor F2"
                                << "Tone" << false << false;
    QTest::newRow("bits 0-1 = 3 keep the item") << 0x23 << false << 0x32 << "Priority Scan F1"
                                                << "Tone" << false << false;
    QTest::newRow("scan kind 3 keeps the item") << 0x3A << false << 0x32 << "Priority Scan F1"
                                                << "Tone" << false << false;
    QTest::newRow("alert bits 0 keep the item") << 0x01 << false << 0x41 << "Selective Call F1"
                                                << "Vibrate" << false << true;
    QTest::newRow("one channel: F2 call becomes F1") << 0x25 << true << 0x21 << "Selective Call F1"
                                                     << "Tone" << false << true;
    QTest::newRow("one channel: scan keeps the item") << 0x22 << true << 0x20 << "Monitor F1"
                                                      << "Tone" << false << false;
  }
  void switchByteLoadRule() {
    QFETCH(int, stored);
    QFETCH(bool, oneChannel);
    QFETCH(int, after);
    QFETCH(QString, mode);
    QFETCH(QString, alert);
    QFETCH(bool, ptlTicked);
    QFETCH(bool, ptlEnabled);
    Editor e;
    CodePlugImage image = Factory();
    if (oneChannel) image = FactoryImageForChannelsForTest(true);
    image[kFunctionSwitch] = static_cast<std::uint8_t>(stored);
    e.Load(image);
    QCOMPARE(e.byte(kFunctionSwitch), after);
    const std::string list = oneChannel ? "cboC1FunMode0" : "cboFunMode0";
    QVERIFY(e.m().IsInFront(list));
    QCOMPARE(QString::fromStdString(e.at(list).text), mode);
    QCOMPARE(QString::fromStdString(e.at("cboFunAType0").text), alert);
    QCOMPARE(e.at("chkFunPTListen0").checked, ptlTicked);
    QCOMPARE(e.at("chkFunPTListen0").enabled, ptlEnabled);
    QCOMPARE(e.at("cboFunAType0").enabled, !ptlTicked);
  }

  // --- tonalities ---
  void tonality_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("hertz");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("reload");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0.15") << "0.15" << true << 150 << 5 << 103 << "0.150";
    QTest::newRow("6") << "6" << true << 6000 << 2 << 165 << "6.000";
    QTest::newRow("1.7") << "1.7" << true << 1700 << 0 << 72 << "1.700";
    QTest::newRow("0.149") << "0.149" << false << 200 << 5 << 77 << "0.149";
    QTest::newRow("6.001") << "6.001" << false << 200 << 5 << 77 << "6.001";
    QTest::newRow("past every integer") << "30000000000000000000" << false << 200 << 5 << 77
                                        << "30000000000000000000.000";
  }
  void tonality() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, hertz);
    QFETCH(int, code);
    QFETCH(int, reload);
    QFETCH(QString, shown);
    Editor e;
    QCOMPARE(e.Type("edtTonality0", text.toStdString()), accepted);
    QCOMPARE(static_cast<int>(e.image().GetWord(TonalityFrequency(0))), hertz);
    QCOMPARE(e.byte(kTonalityPrescaler), code);
    QCOMPARE(e.byte(kTonalityReload), reload);
    QCOMPARE(QString::fromStdString(e.at("edtTonality0").text), shown);
    if (!accepted) {
      QCOMPARE(e.LastMessage(), std::string("Please insert a number between 0.150 and 6.000 !"));
      QCOMPARE(e.LastTitle(), std::string(kProgramCaption));
      QCOMPARE(e.m().Focus(), std::string("edtTonality0"));
    }
  }

  // --- priority scan period ---
  void periodPick_data() {
    QTest::addColumn<int>("batterySave2");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("count");
    QTest::newRow("25 / 0.5 s") << 25 << 0 << 2;
    QTest::newRow("25 / 1 s") << 25 << 1 << 4;
    QTest::newRow("25 / 2 s") << 25 << 2 << 8;
    QTest::newRow("30 / 0.5 s") << 30 << 0 << 1;
    QTest::newRow("30 / 1 s") << 30 << 1 << 3;
    QTest::newRow("30 / 2 s") << 30 << 2 << 6;
    QTest::newRow("255 / 0.5 s gives at least 1") << 255 << 0 << 1;
  }
  void periodPick() {
    QFETCH(int, batterySave2);
    QFETCH(int, index);
    QFETCH(int, count);
    Editor e;
    QVERIFY(e.Type("edtBS_Period1", std::to_string(batterySave2)));
    e.m().Pick("cboCircle", index);
    QCOMPARE(e.byte(kPriorityScanF1), count);
    QCOMPARE(e.at("edtPriorityScanF1").text, std::to_string(count));
  }

  void periodReselection_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("batterySave2");
    QTest::addColumn<int>("index");
    QTest::newRow("4 x 25") << 4 << 25 << 1;
    QTest::newRow("12 x 25") << 12 << 25 << -1;
    QTest::newRow("8 x 25") << 8 << 25 << 2;
    QTest::newRow("1 x 30") << 1 << 30 << 0;
    QTest::newRow("0 x 0") << 0 << 0 << 0;
  }
  void periodReselection() {
    QFETCH(int, count);
    QFETCH(int, batterySave2);
    QFETCH(int, index);
    Editor e;
    CodePlugImage image = Factory();
    image[kPriorityScanF1] = static_cast<std::uint8_t>(count);
    image[kBatterySave2] = static_cast<std::uint8_t>(batterySave2);
    e.Load(image);
    QCOMPARE(e.at("cboCircle").selected, index);
  }

  void periodWithZeroBatterySave2KeepsCount() {
    Editor e;
    QVERIFY(e.Type("edtBS_Period1", "0"));
    e.messages.clear();
    e.m().Pick("cboCircle", 2);
    QCOMPARE(e.byte(kPriorityScanF1), 4);
    QCOMPARE(e.at("edtPriorityScanF1").text, std::string("4"));
    QCOMPARE(e.messages.size(), std::size_t{1});
  }

 private:
  static CodePlugImage FactoryImageForChannelsForTest(bool oneChannel) {
    CodePlugImage image = FactoryImageForChannels(oneChannel);
    StampCaption(image);
    return image;
  }
};

QTEST_GUILESS_MAIN(SettingPageTest)
#include "test_settings_setting_page.moc"
