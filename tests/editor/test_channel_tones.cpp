// SPDX-License-Identifier: GPL-3.0-or-later
// Tone fields of the channel pages: commits under the three tone systems,
// equal tones, the spacing rule, the tone system switch, the decoder
// bandwidth, the legacy 879.0 Hz word and the tone table target.
#include <QtTest>

#include "EditorFixture.h"
#include "codeplug/Layout.h"

using namespace zt310;
using namespace zt310::editor;
using namespace zt310::editor::testing;
using namespace zt310::layout;

namespace {

const char* kStandardRange = "Please insert a number between 288.5 to 2468.2";
const char* kPlectronRange = "Please insert a number between 282.2 to 3487.0";
const char* kUserRange = "Please insert a number between 280 to 3500.0";

std::string RadioOf(ToneSystem system) {
  return system == ToneSystem::Standard ? "radToneSystem0"
         : system == ToneSystem::User   ? "radToneSystem1"
                                        : "radToneSystem2";
}

// An image in the given tone system, loaded as "Open" loads it.
CodePlugImage ImageWithSystem(ToneSystem system) {
  CodePlugImage image = Factory();
  image[kToneSystem] = ToneSystemByte(system);
  return image;
}

}  // namespace

Q_DECLARE_METATYPE(zt310::ToneSystem)

class ChannelTonesTest : public QObject {
  Q_OBJECT

 private slots:
  void commitUnderEachSystem_data() {
    QTest::addColumn<ToneSystem>("system");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");  // -1: refused with `message`
    QTest::addColumn<QString>("message");
    const auto S = ToneSystem::Standard;
    const auto P = ToneSystem::Plectron;
    const auto U = ToneSystem::User;
    QTest::newRow("std 1285.8") << S << "1285.8" << 12858 << "";
    QTest::newRow("std tie goes up") << S << "292.5" << 2965 << "";
    QTest::newRow("std duplicate") << S << "767.4" << 7674 << "";
    QTest::newRow("std lowest") << S << "288.5" << 2885 << "";
    QTest::newRow("std below") << S << "288.4" << -1 << kStandardRange;
    QTest::newRow("std above") << S << "2468.3" << -1 << kStandardRange;
    QTest::newRow("std absurdly long") << S << "123456789012" << -1 << kStandardRange;
    QTest::newRow("plectron snaps") << P << "1000" << 9920 << "";
    QTest::newRow("plectron highest") << P << "3487.0" << 34870 << "";
    QTest::newRow("plectron above") << P << "3487.1" << -1 << kPlectronRange;
    QTest::newRow("plectron below") << P << "280.0" << -1 << kPlectronRange;
    QTest::newRow("user lowest") << U << "280" << 2800 << "";
    QTest::newRow("user highest") << U << "3500" << 35000 << "";
    QTest::newRow("user as typed") << U << "1234.5" << 12345 << "";
    QTest::newRow("user below") << U << "279.9" << -1 << kUserRange;
    QTest::newRow("user above") << U << "3500.1" << -1 << kUserRange;
  }
  void commitUnderEachSystem() {
    QFETCH(ToneSystem, system);
    QFETCH(QString, typed);
    QFETCH(int, stored);
    QFETCH(QString, message);
    Editor editor(ImageWithSystem(system));
    const CodePlugImage before = editor.image();
    const bool accepted = editor.Type("edtF2T10", typed.toStdString());
    if (stored < 0) {
      QVERIFY(!accepted);
      QCOMPARE(editor.messages.size(), std::size_t{1});
      QCOMPARE(QString::fromStdString(editor.messages[0].text), message);
      QCOMPARE(editor.messages[0].title, std::string("ZT310"));
      QCOMPARE(editor.model->Focus(), std::string("edtF2T10"));
      QVERIFY(editor.image() == before);
      return;
    }
    QVERIFY(accepted);
    QVERIFY(editor.messages.empty());
    QCOMPARE(int(editor.image().GetWord(CallTone1Freq(1, 0))), stored);
    QCOMPARE(editor.image().GetWord(CallTone1Word(1, 0)), ToneDecoderWord(static_cast<ToneValue>(stored)));
    QCOMPARE(editor.text("edtF2T10"), FormatTone(static_cast<std::uint32_t>(stored)));
    QCOMPARE(int(editor.pages().ChannelToneList(1)[0]), stored);
  }

  void storesDecoderWordBytes() {
    Editor editor;
    QVERIFY(editor.Type("edtF1T10", "1285.8"));
    QCOMPARE(editor.image()[96], std::uint8_t{0x32});
    QCOMPARE(editor.image()[97], std::uint8_t{0x3A});
    QCOMPARE(editor.image()[48], std::uint8_t{0x95});
    QCOMPARE(editor.image()[49], std::uint8_t{0x10});
  }

  void rangeMessageKeepsTypedText() {
    Editor editor;
    QVERIFY(!editor.Type("edtF1T10", "3000"));
    QCOMPARE(editor.text("edtF1T10"), std::string("3000.0"));
    QCOMPARE(editor.image().GetWord(CallTone1Freq(0, 0)), std::uint16_t{12858});
  }

  void emptyFieldShowsStoredTone() {
    Editor editor;
    const CodePlugImage before = editor.image();
    QVERIFY(editor.Type("edtF1T20", ""));
    QCOMPARE(editor.text("edtF1T20"), std::string("879.0"));
    QVERIFY(editor.image() == before);
    QVERIFY(editor.messages.empty());
  }

  void equalTones_data() {
    QTest::addColumn<ToneSystem>("system");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("longText");
    for (ToneSystem system : {ToneSystem::Standard, ToneSystem::User, ToneSystem::Plectron}) {
      const QByteArray s = QByteArray::number(int(ToneSystemByte(system)));
      QTest::newRow("F1 tone 1 " + s) << system << "edtF1T10"
                                      << "879"
                                      << "ZT310Pro" << true;
      QTest::newRow("F1 tone 2 " + s) << system << "edtF1T20"
                                      << "1285.8"
                                      << "ZT310" << false;
      QTest::newRow("F2 tone 1 " + s) << system << "edtF2T10"
                                      << "879.0"
                                      << "ZT310" << false;
      QTest::newRow("F2 tone 2 " + s) << system << "edtF2T20"
                                      << "1285.8"
                                      << "ZT310" << false;
    }
  }
  void equalTones() {
    QFETCH(ToneSystem, system);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(bool, longText);
    Editor editor(ImageWithSystem(system));
    const CodePlugImage before = editor.image();
    const std::string name = field.toStdString();
    QVERIFY(editor.Type(name, typed.toStdString()));
    QCOMPARE(editor.messages.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(editor.messages[0].title), title);
    const std::string expected = longText ? ToneSpacingLongMessage(7) : ToneSpacingShortMessage(7);
    QCOMPARE(editor.messages[0].text, expected);
    QVERIFY(editor.messages[0].text.find("minimum of 0.7%. \n") != std::string::npos);
    QVERIFY(!editor.pages().Target().IsSet());
    QVERIFY(editor.image() == before);
    QCOMPARE(editor.text(name), name.find("T1") != std::string::npos ? std::string("1285.8") : std::string("879.0"));
  }

  void groupToneMayEqualAnyTone() {
    Editor editor(ImageWithSystem(ToneSystem::User));
    editor.Tick("chkF1GCall0", true);
    QVERIFY(editor.Type("edtF1GT0", "879.0"));
    QVERIFY(editor.messages.empty());
    QCOMPARE(editor.image().GetWord(GroupToneFreq(0, 0)), std::uint16_t{8790});
  }

  // User system, call 1 holding 1000.0 Hz as tone 1, the candidate typed as tone 1 of call 2.
  void spacingRule_data() {
    QTest::addColumn<QString>("bandwidth");
    QTest::addColumn<bool>("call1Enabled");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0.9 just inside above") << "0.9" << true << "1018.9" << false;
    QTest::newRow("0.9 edge above") << "0.9" << true << "1019.0" << true;
    QTest::newRow("0.9 just inside below") << "0.9" << true << "981.1" << false;
    QTest::newRow("0.9 edge below") << "0.9" << true << "981.0" << true;
    QTest::newRow("0.9 exact match") << "0.9" << true << "1000.0" << true;
    QTest::newRow("call 1 clear, inside") << "0.9" << false << "1018.9" << true;
    QTest::newRow("call 1 clear, below") << "0.9" << false << "981.1" << true;
    QTest::newRow("0.1 inside") << "0.1" << true << "1002.9" << false;
    QTest::newRow("0.1 edge") << "0.1" << true << "1003.0" << true;
    QTest::newRow("3.1 inside") << "3.1" << true << "1062.9" << false;
    QTest::newRow("3.1 edge") << "3.1" << true << "1063.0" << true;
  }
  void spacingRule() {
    QFETCH(QString, bandwidth);
    QFETCH(bool, call1Enabled);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    CodePlugImage image = ImageWithSystem(ToneSystem::User);
    image.SetWord(CallTone1Freq(0, 0), 10000);
    image.SetWord(CallTone1Freq(0, 1), 20000);
    image.SetWord(CallTone2Freq(0, 1), 25000);
    image[CallEnableBits(0)] = call1Enabled ? 0x03 : 0x02;
    Editor editor(image);
    editor.Pick("cboBandWidth", bandwidth.toStdString());
    QVERIFY(editor.messages.empty());
    const CodePlugImage before = editor.image();
    QVERIFY(editor.Type("edtF1T11", typed.toStdString()));
    if (accepted) {
      QVERIFY(editor.messages.empty());
      QCOMPARE(editor.text("edtF1T11"), typed.toStdString());
      QVERIFY(!editor.pages().PendingConflict());
    } else {
      QCOMPARE(editor.messages.size(), std::size_t{1});
      QCOMPARE(editor.messages[0].title, std::string("ZT310"));
      QCOMPARE(editor.messages[0].text, ToneSpacingLongMessage(editor.pages().DecoderBandwidthTenths()));
      QVERIFY(editor.image() == before);
      QCOMPARE(editor.text("edtF1T11"), std::string("2000.0"));
      QCOMPARE(editor.pages().PendingConflict(), std::optional<int>(0));
      QVERIFY(!editor.pages().Target().IsSet());
    }
  }

  void firstExactMatchEndsTheWalk() {
    CodePlugImage image = ImageWithSystem(ToneSystem::User);
    image.SetWord(CallTone1Freq(0, 0), 10000);
    image.SetWord(CallTone1Freq(0, 1), 10100);  // within 1.9 % of 1000.0, but after the match
    image.SetWord(CallTone2Freq(0, 2), 20000);
    image[CallEnableBits(0)] = 0x07;
    image[kDecoderBandwidth] = 4;  // "0.9"
    Editor editor(image);
    QVERIFY(editor.Type("edtF1T12", "1000.0"));
    QVERIFY(editor.messages.empty());
    QVERIFY(editor.Type("edtF1T12", "1009.0"));
    QCOMPARE(editor.messages.size(), std::size_t{1});
    QCOMPARE(editor.pages().PendingConflict(), std::optional<int>(0));
  }

  void pendingConflictSuspendsMouseOverUntilF1Tone1Commit() {
    CodePlugImage image = ImageWithSystem(ToneSystem::User);
    image.SetWord(CallTone1Freq(0, 1), 10000);
    image[CallEnableBits(0)] = 0x03;
    Editor editor(image);
    QVERIFY(editor.Type("edtF1T20", "1005"));  // refused: too close to call 2's tone 1
    QCOMPARE(editor.pages().PendingConflict(), std::optional<int>(1));
    editor.model->Enter("edtF1T21");
    editor.pages().MouseOverCallToneGroup(0);
    QCOMPARE(editor.model->Focus(), std::string("edtF1T21"));  // nothing committed
    editor.model->SetFocus(kFocusSink);
    QVERIFY(editor.model->Leave("edtF1T21"));  // stored value back
    QVERIFY(editor.Type("edtF1T10", "1500"));
    QVERIFY(!editor.pages().PendingConflict());
    editor.model->Enter("edtF1T21");
    for (char key : std::string("600")) editor.model->Key("edtF1T21", key);
    editor.pages().MouseOverCallToneGroup(0);
    QCOMPARE(editor.model->Focus(), std::string(kFocusSink));
    QCOMPARE(editor.image().GetWord(CallTone2Freq(0, 1)), std::uint16_t{6000});
    QVERIFY(!editor.pages().Target().IsSet());
  }

  void enablingCallAppliesSpacingRuleToItsStoredTones() {
    CodePlugImage image = ImageWithSystem(ToneSystem::User);
    image.SetWord(CallTone1Freq(0, 2), 12900);  // 0.3 % from call 1's 1285.8
    Editor editor(image);
    const CodePlugImage before = editor.image();
    editor.Tick("chkF1Call2", true);
    QCOMPARE(editor.messages.size(), std::size_t{1});
    QCOMPARE(editor.messages[0].text, ToneSpacingLongMessage(7));
    QCOMPARE(editor.image().GetWord(CallTone1Freq(0, 2)), std::uint16_t{12900});
    QCOMPARE(editor.image()[CallEnableBits(0)], std::uint8_t(before[CallEnableBits(0)] | 0x04));
    // Cleared again, its tones no longer take part in the rule.
    editor.Tick("chkF1Call2", false);
    QVERIFY(!editor.at("edtF1T12").enabled);
    QVERIFY(editor.Type("edtF1T10", "1291.0"));
    QCOMPARE(editor.messages.size(), std::size_t{1});
    QCOMPARE(editor.image().GetWord(CallTone1Freq(0, 0)), std::uint16_t{12910});
    QCOMPARE(editor.image().GetWord(CallTone1Freq(0, 2)), std::uint16_t{12900});
  }

  void toneSystemSwitchSnapsEveryTone() {
    CodePlugImage image = ImageWithSystem(ToneSystem::User);
    image.SetWord(CallTone1Freq(0, 0), 10000);
    image.SetWord(CallTone2Freq(1, 3), 30000);
    image.SetWord(GroupToneFreq(1, 2), 31000);
    Editor editor(image);
    editor.model->Click("radToneSystem0");
    QCOMPARE(editor.image()[kToneSystem], std::uint8_t{255});
    QCOMPARE(editor.image().GetWord(CallTone1Freq(0, 0)), std::uint16_t{10069});
    QCOMPARE(editor.text("edtF1T10"), std::string("1006.9"));
    QCOMPARE(editor.image().GetWord(CallTone2Freq(1, 3)), std::uint16_t{30000});
    QCOMPARE(editor.image().GetWord(GroupToneFreq(1, 2)), std::uint16_t{31000});
    // The two out-of-range tones complain in commit order; the last keeps the focus.
    QCOMPARE(editor.messages.size(), std::size_t{2});
    QCOMPARE(editor.messages[0].text, std::string(kStandardRange));
    QCOMPARE(editor.messages[1].text, std::string(kStandardRange));
    QCOMPARE(editor.model->Focus(), std::string("edtF2GT2"));
    // Every other tone is a table entry now.
    for (int channel = 0; channel < 2; ++channel) {
      for (ToneValue tone : editor.pages().ChannelToneList(channel)) {
        if (tone >= 30000) continue;
        QVERIFY(std::find(StandardToneTable.begin(), StandardToneTable.end(), tone) != StandardToneTable.end());
      }
    }
  }

  void toneSystemSwitchCommitsDurations_data() {
    QTest::addColumn<ToneSystem>("system");
    QTest::addColumn<int>("tone2Duration");
    QTest::addColumn<int>("groupDuration");
    QTest::newRow("standard") << ToneSystem::Standard << 3 << 50;
    QTest::newRow("user") << ToneSystem::User << 3 << 50;
    QTest::newRow("plectron") << ToneSystem::Plectron << 2 << 25;
  }
  void toneSystemSwitchCommitsDurations() {
    QFETCH(ToneSystem, system);
    QFETCH(int, tone2Duration);
    QFETCH(int, groupDuration);
    Editor editor;
    editor.model->Click(RadioOf(system));
    QCOMPARE(editor.image()[kToneSystem], ToneSystemByte(system));
    QVERIFY(editor.at(RadioOf(system)).checked);
    QCOMPARE(int(editor.image().GetWord(kTone2Duration)), tone2Duration);
    QCOMPARE(int(editor.image().GetWord(kGroupCallDuration)), groupDuration);
    QCOMPARE(editor.text("edtToneDur2"), std::to_string(groupDuration));
  }

  void tone2DurationRememberedPerSystemFamily() {
    Editor editor;
    editor.model->Click("radToneSystem2");
    QVERIFY(editor.Type("edtToneDur1", "300"));
    QCOMPARE(editor.image()[375], std::uint8_t{0x01});
    QCOMPARE(editor.image()[376], std::uint8_t{0x2C});
    QCOMPARE(editor.image()[kToneDur2Plectron], std::uint8_t{0x2C});
    QCOMPARE(editor.image()[kToneDur2Standard], std::uint8_t{3});
    QVERIFY(!editor.Type("edtToneDur0", "65536"));
    QCOMPARE(editor.LastMessage(), std::string("Please insert a number between 0 to 65535"));
    QVERIFY(editor.Type("edtToneDur0", ""));
    QCOMPARE(editor.text("edtToneDur0"), std::string("3"));
  }

  void bandwidthChoiceRevalidatesTones() {
    CodePlugImage image = ImageWithSystem(ToneSystem::User);
    image.SetWord(CallTone1Freq(0, 0), 10000);
    image.SetWord(CallTone1Freq(0, 1), 10150);  // 1.5 % away: fine at 0.7, too close at 0.9
    image[CallEnableBits(0)] = 0x03;
    Editor editor(image);
    QCOMPARE(editor.pages().DecoderBandwidthTenths(), 7);
    editor.Pick("cboBandWidth", "0.9");
    QCOMPARE(editor.image()[kDecoderBandwidth], std::uint8_t{4});
    QCOMPARE(editor.pages().DecoderBandwidthTenths(), 9);
    QCOMPARE(editor.messages.size(), std::size_t{2});  // each of the two tones is judged against the other
    QCOMPARE(editor.image().GetWord(CallTone1Freq(0, 1)), std::uint16_t{10150});
    editor.Pick("cboBandWidth", "1.5");
    QCOMPARE(editor.image()[kDecoderBandwidth], std::uint8_t{7});
    QCOMPARE(editor.pages().DecoderBandwidthTenths(), 15);
  }

  void bandwidthIndexOutsideListKeepsPreviousValue() {
    CodePlugImage image = Factory();
    image[kDecoderBandwidth] = 10;
    Editor editor(image);
    QCOMPARE(editor.pages().DecoderBandwidthTenths(), 21);
    image[kDecoderBandwidth] = 16;
    editor.Open(image);
    QCOMPARE(editor.at("cboBandWidth").selected, -1);
    QCOMPARE(editor.text("cboBandWidth"), std::string());
    QCOMPARE(editor.pages().DecoderBandwidthTenths(), 21);
  }

  void legacy879WordMendedOnLoad() {
    CodePlugImage image = Factory();
    image.SetWord(CallTone2Word(0, 3), 0x4E86);
    image.SetWord(CallTone2Word(1, 7), 0x4E86);
    image.SetWord(GroupToneFreq(1, 1), 8790);
    image.SetWord(GroupToneWord(1, 1), 0x4E86);
    image.SetWord(CallTone1Freq(0, 5), 12000);
    image.SetWord(CallTone1Word(0, 5), 0x4E86);  // not 879.0 Hz: left alone
    Editor editor(image);
    QCOMPARE(editor.image().GetWord(CallTone2Word(0, 3)), std::uint16_t{0x8E86});
    QCOMPARE(editor.image().GetWord(CallTone2Word(1, 7)), std::uint16_t{0x8E86});
    QCOMPARE(editor.image().GetWord(GroupToneWord(1, 1)), std::uint16_t{0x8E86});
    QCOMPARE(editor.image().GetWord(CallTone1Word(0, 5)), std::uint16_t{0x4E86});
  }

  void toneKeyFilter_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");
    QTest::newRow("digit after point digit") << "123.4" << int('5') << "123.4";
    QTest::newRow("point into empty") << "" << int('.') << "";
    QTest::newRow("letter") << "12" << int('a') << "12";
    QTest::newRow("point") << "12" << int('.') << "12.";
    QTest::newRow("digit after point") << "12." << int('5') << "12.5";
    QTest::newRow("second point") << "12." << int('.') << "12.";
    QTest::newRow("backspace after point digit") << "12.5" << int('\b') << "12.";
    QTest::newRow("backspace") << "12" << int('\b') << "1";
  }
  void toneKeyFilter() {
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(QString, after);
    Editor editor;
    editor.model->Enter("edtF1T10");
    editor.model->SetText("edtF1T10", text.toStdString());
    editor.model->Key("edtF1T10", static_cast<char>(key));
    QCOMPARE(QString::fromStdString(editor.text("edtF1T10")), after);
    QVERIFY(editor.messages.empty());
  }

  void enterKeyCommitsAtOnce() {
    Editor editor;
    editor.model->Enter("edtF1T10");
    QVERIFY(editor.text("edtF1T10").empty());
    QVERIFY(editor.at("lblF1ToneTbl").visible);
    editor.model->Key("edtF1T10", '\r');
    QCOMPARE(editor.model->Focus(), std::string(kFocusSink));
    QVERIFY(editor.model->Leave("edtF1T10"));
    QCOMPARE(editor.text("edtF1T10"), std::string("1285.8"));
  }

  void toneTableOpensOnlyForTableSystems() {
    Editor editor(ImageWithSystem(ToneSystem::User));
    QCOMPARE(editor.pages().DoubleClickToneField("edtF1T10"), ToneTableDialog::None);
    QCOMPARE(editor.pages().PressF9(), ToneTableDialog::None);
    editor.model->Enter("edtF1T10");
    QVERIFY(!editor.at("lblF1ToneTbl").visible);
    editor.model->Click("radToneSystem2");
    QCOMPARE(editor.pages().DoubleClickToneField("edtF1T10"), ToneTableDialog::Plectron);
    editor.model->Click("radToneSystem0");
    editor.pages().MouseOverCallToneGroup(0);
    QCOMPARE(editor.pages().PressF9(), ToneTableDialog::None);  // no target
    QCOMPARE(editor.pages().DoubleClickToneField("edtF1GT2"), ToneTableDialog::Standard);
    QCOMPARE(editor.pages().Target().group, 2);
    QCOMPARE(editor.pages().PressF9(), ToneTableDialog::Standard);
  }

  void pickFromTableFillsTargetOfActivePage() {
    Editor editor;
    editor.Tick("chkF2Call5", true);
    const CodePlugImage before = editor.image();
    editor.pages().SetActivePage(2);
    QCOMPARE(editor.pages().DoubleClickToneField("edtF2T25"), ToneTableDialog::Standard);
    editor.pages().PickToneFromTable("1321.2");
    QVERIFY(!editor.pages().Target().IsSet());
    QCOMPARE(editor.image().GetWord(CallTone2Freq(1, 5)), std::uint16_t{13212});
    QCOMPARE(editor.image().GetWord(CallTone2Freq(0, 5)), before.GetWord(CallTone2Freq(0, 5)));
    CodePlugImage expected = before;
    expected.SetWord(CallTone2Freq(1, 5), 13212);
    expected.SetWord(CallTone2Word(1, 5), ToneDecoderWord(13212));
    QVERIFY(editor.image() == expected);
    // A picked tone equal to the call's other tone is refused as if typed.
    QCOMPARE(editor.pages().DoubleClickToneField("edtF2T25"), ToneTableDialog::Standard);
    editor.pages().PickToneFromTable("1285.8");
    QCOMPARE(editor.messages.size(), std::size_t{1});
    QCOMPARE(editor.image().GetWord(CallTone2Freq(1, 5)), std::uint16_t{13212});
  }

  void leavingTableRestoresEmptiedField() {
    Editor editor;
    editor.model->Enter("edtF1T23");
    QVERIFY(editor.text("edtF1T23").empty());
    QCOMPARE(editor.pages().DoubleClickToneField("edtF1T23"), ToneTableDialog::Standard);
    const CodePlugImage before = editor.image();
    editor.pages().LeaveToneTable();
    QCOMPARE(editor.text("edtF1T23"), std::string("879.0"));
    QVERIFY(editor.image() == before);
    QVERIFY(!editor.pages().Target().IsSet());
  }
};

QTEST_GUILESS_MAIN(ChannelTonesTest)
#include "test_channel_tones.moc"
