// SPDX-License-Identifier: GPL-3.0-or-later
// Filling the settings pages from an image, "Restore all factory settings"
// and the model side of "Open".
#include <QtTest>

#include "EditorFixture.h"
#include "TestData.h"

using namespace zt310;
using namespace zt310::layout;
using namespace zt310::editor;
using namespace zt310::editor::testing;

namespace {

CodePlugImage OneChannelImage() {
  CodePlugImage image = FactoryImageForChannels(true);
  StampCaption(image);
  return image;
}

// Every byte the settings pages own, blank.
CodePlugImage BlankSettingsImage() {
  CodePlugImage image = Factory();
  for (int offset = kNarrowBandMarker; offset <= kReceiverFlags + 3; ++offset) image[offset] = kBlank;
  for (int offset = kTonalityPrescaler; offset <= kToneSystem + 2; ++offset) image[offset] = kBlank;
  image[kToneSystem] = kToneSystemStandard;
  return image;
}

}  // namespace

class SettingsLoaderTest : public QObject {
  Q_OBJECT

 private slots:
  void factoryImageShown() {
    Editor e;
    e.Load(Factory());
    const std::pair<const char*, const char*> texts[] = {
        {"cboFunMode0", "Priority Scan F1"},
        {"cboFunMode1", "Normal Scan"},
        {"cboFunMode2", "Selective Call F1"},
        {"cboFunMode3", "Selective Call F2"},
        {"cboFunAType0", "Vibrate"},
        {"cboFunAType3", "Tone"},
        {"cboResetCon", "Time-Out RESET"},
        {"edtDelay", "8.0"},
        {"cboReminder", "120 Second"},
        {"cboRecordMax", "16 sections (30 second)"},
        {"cblSquelchlevel", "5"},
        {"cboAudioGain", "1"},
        {"edtTonality0", "0.200"},
        {"edtTonality3", "1.700"},
        {"edtDecorderReset", "30.0"},
        {"edtSquelch", "7"},
        {"edtRFDelay", "35"},
        {"edtRSSI", "0.54"},
        {"edtSSI", "0.28"},
        {"edtRSSI2", "0.45"},
        {"edtBS_Period0", "15"},
        {"edtBS_Period1", "25"},
        {"edtPriorityScanF1", "4"},
        {"cboCircle", "1 Second"},
        {"edtGapMax", "10"},
        {"edtNoiseLimit", "1"},
        {"edtNRSSIRpTM", "10"},
        {"cboBatLow", "3.50V"},
        {"cboBatMed", "3.70V"},
        {"cboBatHigh", "3.85V"},
        {"edtToneLimit0", "1"},
        {"edtToneLimit1", "1"},
        {"edtSerialNo", ""},
        {"edtSquLevel0", "0.32"},
        {"edtSquLevel9", "0.28"},
    };
    for (const auto& [name, text] : texts) QVERIFY2(e.at(name).text == text, name);
    const std::pair<const char*, bool> ticks[] = {
        {"chkSysStoredVoice", true},
        {"chkSysFIXAlert", false},
        {"chkFunAnnounce", true},
        {"chkFunVibrAlert", true},
        {"chkFunPriorityScanMonitor", false},
        {"chkOneChannel", false},
        {"chkNB", false},
        {"chkSQLRec", false},
        {"chkFunPTListen2", false},
    };
    for (const auto& [name, ticked] : ticks) QVERIFY2(e.at(name).checked == ticked, name);
    QVERIFY(e.at("edtDelay").visible);
    QVERIFY(!e.at("chkFunPTListen0").enabled);
    QVERIFY(e.at("chkFunPTListen2").enabled);
    QVERIFY(e.m().IsInFront("cboFunMode0"));
    QVERIFY(e.messages.empty());
  }

  // Only the speaker-on code changes: level "5" speaks at 0.28 V, code 23.
  void factoryImageBytesKeptExceptSpeakerCode() {
    Editor e;
    const CodePlugImage factory = Factory();
    e.Load(factory);
    QCOMPARE(e.byte(kSpeakerOnCode), 23);
    for (int offset = kTonalityPrescaler; offset <= kToneSystem; ++offset) {
      if (offset == kSpeakerOnCode) continue;
      QVERIFY2(e.byte(offset) == factory[offset], std::to_string(offset).c_str());
    }
    for (int offset :
         {kSingleChannelMarker, kNarrowBandMarker, kAudioGain, kBand, kNrssiResponseTime, kReceiverFlags}) {
      QVERIFY2(e.byte(offset) == factory[offset], std::to_string(offset).c_str());
    }
  }

  // A second load of what the first load left changes nothing.
  void loadingIsStable_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("stored");  // a file of tests/data instead
    QTest::newRow("factory") << 0 << "";
    QTest::newRow("one channel") << 1 << "";
    QTest::newRow("blank fields") << 2 << "";
    for (const char* file : zt310::testing::kStoredFiles) QTest::newRow(file) << -1 << file;
  }
  void loadingIsStable() {
    QFETCH(int, which);
    QFETCH(QString, stored);
    const CodePlugImage images[] = {Factory(), OneChannelImage(), BlankSettingsImage()};
    Editor e;
    e.Load(stored.isEmpty() ? images[which] : zt310::testing::TestDataImage(stored.toStdString()));
    const CodePlugImage once = e.image();
    e.Load(once);
    QVERIFY(e.image() == once);
  }

  void oneChannelImage() {
    Editor e;
    e.Load(OneChannelImage());
    QVERIFY(e.at("chkOneChannel").checked);
    QCOMPARE(e.byte(kSingleChannelMarker), 0xFE);
    QCOMPARE(e.byte(kSingleChannelMarker2), 0xFE);
    const char* modes[] = {"Monitor F1", "Monitor F1", "Selective Call F1", "Selective Call F1"};
    const int bytes[] = {0x40, 0x20, 0x21, 0x21};
    for (int s = 0; s < 4; ++s) {
      const std::string list = names::OneChannelModeList(s);
      QVERIFY(e.m().IsInFront(list));
      QCOMPARE(e.at(list).text, std::string(modes[s]));
      QCOMPARE(e.byte(kFunctionSwitch + s), bytes[s]);
    }
    QVERIFY(!e.at("tabChannelF2").enabled);
    QVERIFY(!e.m().IsActionable("cboFunMode3"));
  }

  void channelModeRule_data() {
    QTest::addColumn<int>("marker11");
    QTest::addColumn<int>("marker397");
    QTest::addColumn<int>("major");
    QTest::addColumn<bool>("oneChannel");
    QTest::newRow("two channels") << 0xFF << 0xFF << 4 << false;
    QTest::newRow("byte 11") << 0xFE << 0xFF << 0 << true;
    QTest::newRow("byte 397") << 0xFF << 0xFE << 0 << true;
    QTest::newRow("firmware 5.0.0") << 0xFF << 0xFF << 5 << true;
    QTest::newRow("other marker values") << 0x00 << 0x12 << 2 << false;
  }
  void channelModeRule() {
    QFETCH(int, marker11);
    QFETCH(int, marker397);
    QFETCH(int, major);
    QFETCH(bool, oneChannel);
    Editor e;
    CodePlugImage image = WithFirmware(Factory(), major, 0, 0);
    image[kSingleChannelMarker] = static_cast<std::uint8_t>(marker11);
    image[kSingleChannelMarker2] = static_cast<std::uint8_t>(marker397);
    e.Load(image);
    QCOMPARE(e.at("chkOneChannel").checked, oneChannel);
    const int marker = oneChannel ? 0xFE : 0xFF;
    QCOMPARE(e.byte(kSingleChannelMarker), marker);
    QCOMPARE(e.byte(kSingleChannelMarker2), marker);
  }

  void blankFieldsImage() {
    Editor e;
    e.Load(BlankSettingsImage());
    QVERIFY(e.messages.empty());
    QCOMPARE(e.at("cblSquelchlevel").selected, 4);
    QCOMPARE(e.byte(kSquelchLevel), 4);
    QCOMPARE(e.at("edtSquLevel8").text, std::string("2.55"));
    QCOMPARE(e.byte(kSpeakerOnCode), 217);
    QCOMPARE(e.at("cboAudioGain").selected, 0);
    QCOMPARE(e.byte(kAudioGain), 0);
    QCOMPARE(e.at("cboReminder").selected, 3);
    QCOMPARE(e.byte(kReminder), 240);
    QCOMPARE(e.at("cboResetCon").selected, -1);
    QCOMPARE(e.byte(kResetMode), 0xFF);
    QVERIFY(!e.at("edtDelay").visible);
    QCOMPARE(e.at("cboRecordMax").selected, -1);
    QCOMPARE(e.at("cboCircle").selected, -1);
    QVERIFY(!e.at("chkNB").checked);
    QVERIFY(!e.at("chkOneChannel").checked);
    QVERIFY(!e.at("chkSQLRec").checked);
    // Battery codes from no table row leave the lists as they were.
    QCOMPARE(e.at("cboBatLow").text, std::string("3.50V"));
    QCOMPARE(e.byte(kBatteryLow), 0xFF);
    // Switch bytes 0xFF: the lists keep their items, push to listen follows the mode.
    QCOMPARE(e.at("cboFunMode0").text, std::string("Priority Scan F1"));
    QCOMPARE(e.byte(kFunctionSwitch + 0), 0x72);
    QCOMPARE(e.at("cboFunMode2").text, std::string("Selective Call F1"));
    QCOMPARE(e.byte(kFunctionSwitch + 2), 0xE1);
    QCOMPARE(e.at("cboFunAType2").text, std::string("Tone & Vibtate"));
    QVERIFY(!e.at("cboFunAType2").enabled);
    QCOMPARE(e.at("edtTonality0").text, std::string("65.535"));
  }

  // --- Restore all factory settings ---
  void restoreFactorySettings_data() {
    QTest::addColumn<bool>("oneChannel");
    QTest::addColumn<int>("marker");
    QTest::addColumn<QList<int>>("switches");
    QTest::newRow("one channel") << true << 0xFE << QList<int>{0x40, 0x20, 0x21, 0x21};
    QTest::newRow("two channels") << false << 0xFF << QList<int>{0x52, 0x22, 0x21, 0x25};
  }
  void restoreFactorySettings() {
    QFETCH(bool, oneChannel);
    QFETCH(int, marker);
    QFETCH(QList<int>, switches);
    Editor e;
    // Change both list memories, the image and the labels first.
    e.m().Pick("cboFunMode0", 6);
    e.m().Click("chkOneChannel");
    e.m().Pick("cboC1FunMode3", 0);
    if (!oneChannel) e.m().Click("chkOneChannel");
    QVERIFY(e.Type("edtSquelch", "99"));
    e.m().OpenImage(WithFirmware(e.image(), 1, 2, 0));
    QVERIFY(e.system().ShowsHundredMsUnit());
    QVERIFY(e.at("lblVersion").visible);

    RestoreFactorySettings(e.m());
    QCOMPARE(e.byte(kSingleChannelMarker), marker);
    QCOMPARE(e.byte(kSingleChannelMarker2), marker);
    for (int s = 0; s < 4; ++s) QCOMPARE(e.byte(kFunctionSwitch + s), switches[s]);
    QCOMPARE(e.byte(kCarrierOffDelay), 7);
    QCOMPARE(e.byte(kFirmwareMajor), 0);
    QVERIFY(!e.system().ShowsHundredMsUnit());
    QVERIFY(!e.at("lblVersion").visible);
    QCOMPARE(e.at("chkOneChannel").checked, oneChannel);
    // The memories of the list variant in use are the initial ones again; the other keeps its choice.
    if (oneChannel) {
      QCOMPARE(e.switches().RememberedOneChannelIndex(3), 1);
      QCOMPARE(e.switches().RememberedTwoChannelIndex(0), 6);
    } else {
      QCOMPARE(e.switches().RememberedTwoChannelIndex(0), 5);
      QCOMPARE(e.switches().RememberedOneChannelIndex(3), 0);
    }
  }

  // --- the model side of "Open" ---
  void openShowsVersionAndUnit_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("patch");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("hundred");
    QTest::newRow("1.2.0") << 1 << 2 << 0 << "FirmVer. 1.2.0" << true;
    QTest::newRow("1.2.1") << 1 << 2 << 1 << "FirmVer. 1.2.1" << false;
    QTest::newRow("5.2.0") << 5 << 2 << 0 << "FirmVer. 5.2.0" << true;
    QTest::newRow("5.2.1") << 5 << 2 << 1 << "FirmVer. 5.2.1" << false;
  }
  void openShowsVersionAndUnit() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, patch);
    QFETCH(QString, label);
    QFETCH(bool, hundred);
    Editor e;
    QVERIFY(!e.at("lblVersion").visible);
    e.m().OpenImage(WithFirmware(Factory(), major, minor, patch));
    QCOMPARE(QString::fromStdString(e.at("lblVersion").text), label);
    QVERIFY(e.at("lblVersion").visible);
    QCOMPARE(e.system().ShowsHundredMsUnit(), hundred);
    QCOMPARE(e.at("chkOneChannel").checked, major >= 5);
  }
};

QTEST_GUILESS_MAIN(SettingsLoaderTest)
#include "test_settings_loader.moc"
