// SPDX-License-Identifier: GPL-3.0-or-later
// Call rows of the channel pages: enable boxes and row enablement with the
// duty boxes and the fixed alert time switch, tone types, priority, alert
// patterns with their key filters, and alert times.
#include <QtTest>

#include "EditorFixture.h"
#include "codeplug/Layout.h"

using namespace zt310;
using namespace zt310::editor;
using namespace zt310::editor::testing;
using namespace zt310::layout;

namespace {

std::array<std::uint8_t, 4> PatternBytes(const CodePlugImage& image, int offset) {
  return {image[offset], image[offset + 1], image[offset + 2], image[offset + 3]};
}

}  // namespace

class ChannelRowsTest : public QObject {
  Q_OBJECT

 private slots:
  void factoryDefaultShowsOnlyFirstCalls() {
    Editor editor;
    for (int channel = 0; channel < 2; ++channel) {
      for (int row = 0; row < 8; ++row) {
        const CallRowNames n = CallRowNamesOf(channel, false, row);
        QCOMPARE(editor.at(n.enable).checked, row == 0);
        QCOMPARE(editor.at(n.tone1).enabled, row == 0);
        QCOMPARE(editor.at(n.panel).enabled, row == 0);
        QVERIFY(!editor.at(n.alertTimeList).enabled);  // byte 410 is 255
        QVERIFY(!editor.at(n.pattern).enabled);        // tone type "Standard"
        QVERIFY(!editor.at(n.switches[0]).enabled);
      }
      for (int row = 0; row < 4; ++row) QVERIFY(!editor.at(CallRowNamesOf(channel, true, row).enable).checked);
      for (int sw = 0; sw < names::kSwitchDuties; ++sw) QVERIFY(!editor.at(names::DutyBox(channel, sw)).checked);
    }
    QVERIFY(!editor.at("chkEnableAlertTime").checked);
  }

  // A row's controls under every combination of the three switches that gate them.
  void rowEnablement_data() {
    QTest::addColumn<bool>("callOn");
    QTest::addColumn<bool>("dutyOn");
    QTest::addColumn<bool>("fixedOn");
    QTest::addColumn<bool>("userDefine");
    for (int bits = 0; bits < 16; ++bits) {
      const bool callOn = bits & 1, dutyOn = bits & 2, fixedOn = bits & 4, userDefine = bits & 8;
      QTest::addRow("call %d duty %d fixed %d userdef %d", callOn, dutyOn, fixedOn, userDefine)
          << callOn << dutyOn << fixedOn << userDefine;
    }
  }
  void rowEnablement() {
    QFETCH(bool, callOn);
    QFETCH(bool, dutyOn);
    QFETCH(bool, fixedOn);
    QFETCH(bool, userDefine);
    CodePlugImage image = Factory();
    image.SetBit(GroupEnableBits(1), 2, callOn);
    image.SetBit(kDutyEnables, 4 + 1, !dutyOn);  // F2 SW-B
    image[kFixedAlertTimeAllowed] = fixedOn ? kMarkerOn : kMarkerOff;
    image.SetBits(GroupOption(1, 2), kToneTypeShift, userDefine ? 2 : 1, kToneTypeWidth);
    Editor editor(image);
    const CallRowNames n = CallRowNamesOf(1, true, 2);
    QCOMPARE(editor.at(n.enable).checked, callOn);
    QCOMPARE(editor.at(n.tone1).enabled, callOn);
    QCOMPARE(editor.at(n.toneType).enabled, callOn);
    QCOMPARE(editor.at(n.priority).enabled, callOn);
    QCOMPARE(editor.at(n.pattern).enabled, callOn && userDefine);
    QCOMPARE(editor.at(n.switches[1]).enabled, callOn && dutyOn);
    QVERIFY(!editor.at(n.switches[0]).enabled);  // SW-A duty not allowed
    QCOMPARE(editor.at(n.alertTimeList).enabled, callOn && fixedOn);
    QCOMPARE(editor.model->IsActionable(n.switches[1]), callOn && dutyOn);

    // The same state is reached by clicking from the factory default.
    Editor clicked;
    clicked.Tick("chkF2GCall2", callOn);
    clicked.Tick("chkF2DutyB", dutyOn);
    clicked.Tick("chkEnableAlertTime", fixedOn);
    if (callOn) clicked.Pick(n.toneType, userDefine ? "User define" : "Continuous");
    for (const std::string* name : {&n.tone1, &n.pattern, &n.switches[1], &n.alertTimeList, &n.priority}) {
      QCOMPARE(clicked.at(*name).enabled, editor.at(*name).enabled);
    }
  }

  void clearingCallGreysRowAndKeepsValues() {
    Editor editor;
    editor.Tick("chkEnableAlertTime", true);
    editor.Tick("chkF1DutyA", true);
    editor.Tick("chkF1Call2", true);
    editor.Pick("cboF1TType2", "User define");
    editor.Type("edtF1Patten2", "AADD");
    editor.Pick("cboF1ATime2", "FIXED");
    editor.Tick("chkF1Priority2", true);
    const CodePlugImage before = editor.image();
    editor.Tick("chkF1Call2", false);
    const CallRowNames n = CallRowNamesOf(0, false, 2);
    for (const std::string* name : {&n.panel, &n.tone1, &n.tone2, &n.toneType, &n.pattern, &n.alertTimeList,
                                    &n.alertTimeEdit, &n.alertTimeLabel, &n.dutyPanel, &n.priority}) {
      QVERIFY2(!editor.at(*name).enabled, name->c_str());
    }
    for (const auto& sw : n.switches) QVERIFY(!editor.at(sw).enabled);
    CodePlugImage expected = before;
    expected.SetBit(CallEnableBits(0), 2, false);
    QVERIFY(editor.image() == expected);
    editor.Tick("chkF1Call2", true);
    QVERIFY(editor.at(n.pattern).enabled);
    QVERIFY(editor.at(n.switches[0]).enabled);
    QVERIFY(!editor.at(n.switches[1]).enabled);
    QVERIFY(editor.at(n.alertTimeEdit).enabled && editor.at(n.alertTimeEdit).visible);
    QVERIFY(editor.messages.empty());
  }

  void dutyBoxGatesItsColumn() {
    Editor editor;
    editor.Tick("chkF1Call3", true);
    editor.Tick("chkF1GCall1", true);
    editor.Tick("chkF1DutyA", true);
    QCOMPARE(editor.image().GetBit(kDutyEnables, 0), false);
    for (int row = 0; row < 8; ++row)
      QCOMPARE(editor.at(CallRowNamesOf(0, false, row).switches[0]).enabled, row == 0 || row == 3);
    for (int row = 0; row < 4; ++row) QCOMPARE(editor.at(CallRowNamesOf(0, true, row).switches[0]).enabled, row == 1);
    QVERIFY(!editor.at("chkF2SA0").enabled);  // the other channel's column stays
    editor.Tick("chkF1SA3", false);
    QCOMPARE(editor.image().GetBit(CallDutyBits(0, 0), 3), false);
    editor.Tick("chkF1GSA1", false);
    QCOMPARE(editor.image().GetBit(GroupDutyByte(0, 0), GroupDutyShift(0, 1)), false);
    const CodePlugImage before = editor.image();
    editor.Tick("chkF1DutyA", false);
    QCOMPARE(editor.image().GetBit(kDutyEnables, 0), true);
    for (int row = 0; row < 8; ++row) QVERIFY(!editor.at(CallRowNamesOf(0, false, row).switches[0]).enabled);
    QVERIFY(!editor.at("chkF1SA3").checked);
    QVERIFY(editor.at("chkF1SA0").checked);
    CodePlugImage expected = before;
    expected.SetBit(kDutyEnables, 0, true);
    QVERIFY(editor.image() == expected);
  }

  void switchBoxesStoreTheirBits_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("bit");
    QTest::newRow("F1 SB call 0") << "chkF1SB0" << 91 << 0;
    QTest::newRow("F2 SD call 0") << "chkF2SD0" << 237 << 0;
    QTest::newRow("F1 group SB 0") << "chkF1GSB0" << 94 << 4;
    QTest::newRow("F2 group SC 0") << "chkF2GSC0" << 239 << 0;
    QTest::newRow("F2 group SD 0") << "chkF2GSD0" << 239 << 4;
  }
  void switchBoxesStoreTheirBits() {
    QFETCH(QString, box);
    QFETCH(int, offset);
    QFETCH(int, bit);
    Editor editor;
    const CodePlugImage before = editor.image();
    editor.model->Click(box.toStdString());
    CodePlugImage expected = before;
    expected.SetBit(offset, bit, false);
    QVERIFY(editor.image() == expected);
  }

  void loadingShowsDutiesFromBits() {
    CodePlugImage image = Factory();
    image[kDutyEnables] = 0xAF;  // F1: no duty allowed; F2: SW-A and SW-C allowed
    image[CallDutyBits(1, 2)] = 0x05;
    image[GroupDutyByte(1, 3)] = 0x20;
    Editor editor(image);
    QVERIFY(editor.at("chkF2DutyA").checked);
    QVERIFY(!editor.at("chkF2DutyB").checked);
    QVERIFY(editor.at("chkF2DutyC").checked);
    QVERIFY(!editor.at("chkF1DutyA").checked);
    QVERIFY(editor.at("chkF2SC0").checked);
    QVERIFY(!editor.at("chkF2SC1").checked);
    QVERIFY(editor.at("chkF2SC2").checked);
    QVERIFY(editor.at("chkF2GSD1").checked);
    QVERIFY(!editor.at("chkF2GSD0").checked);
    QVERIFY(editor.at("chkF2SC0").enabled);
    QVERIFY(!editor.at("chkF2SC1").enabled);  // call 2 disabled
    QCOMPARE(editor.image()[kDutyEnables], std::uint8_t{0xAF});
    QCOMPARE(editor.image()[CallDutyBits(1, 2)], std::uint8_t{0x05});
  }

  void fixedAlertTimeSwitch() {
    CodePlugImage image = Factory();
    image[kFixedAlertTimeAllowed] = kMarkerOn;
    image[CallAlertTime(0, 0)] = 5;
    image[GroupAlertTime(1, 3)] = 240;
    image[CallAlertTime(1, 6)] = 1;
    Editor editor(image);
    QVERIFY(editor.at("chkEnableAlertTime").checked);
    QCOMPARE(editor.text("cboF1ATime0"), std::string("FIXED"));
    QCOMPARE(editor.text("edtF1ATime0"), std::string("2.5"));
    QVERIFY(editor.at("edtF1ATime0").visible && editor.at("lblF1ATsec0").visible);
    QCOMPARE(editor.text("edtF2GATime3"), std::string("120.0"));
    QVERIFY(editor.at("cboF1ATime0").enabled);
    QVERIFY(!editor.at("cboF1ATime1").enabled);  // call disabled
    editor.Tick("chkEnableAlertTime", false);
    QCOMPARE(editor.image()[kFixedAlertTimeAllowed], kMarkerOff);
    for (int channel = 0; channel < 2; ++channel) {
      for (int row = 0; row < 8; ++row) QCOMPARE(editor.image()[CallAlertTime(channel, row)], std::uint8_t{0});
      for (int row = 0; row < 4; ++row) QCOMPARE(editor.image()[GroupAlertTime(channel, row)], std::uint8_t{0});
    }
    QCOMPARE(editor.text("cboF1ATime0"), std::string("STD"));
    QVERIFY(!editor.at("edtF1ATime0").visible);
    QVERIFY(!editor.at("cboF1ATime0").enabled);
    editor.Tick("chkEnableAlertTime", true);
    QCOMPARE(editor.image()[kFixedAlertTimeAllowed], kMarkerOn);
    QVERIFY(editor.at("cboF1ATime0").enabled);
    QVERIFY(!editor.at("cboF1ATime1").enabled);
  }

  void alertTimeChoiceStoresAtOnce() {
    Editor editor;
    editor.Tick("chkEnableAlertTime", true);
    editor.Pick("cboF2ATime0", "FIXED");
    QCOMPARE(editor.image()[CallAlertTime(1, 0)], std::uint8_t{2});
    QCOMPARE(editor.text("edtF2ATime0"), std::string("1.0"));
    QVERIFY(editor.at("edtF2ATime0").visible);
    editor.Pick("cboF2ATime0", "STD");
    QCOMPARE(editor.image()[CallAlertTime(1, 0)], std::uint8_t{0});
    QVERIFY(!editor.at("edtF2ATime0").visible);
    QVERIFY(!editor.at("lblF2ATsec0").visible);
  }

  void alertTimeCommit_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");  // -1 refused
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0.5") << "0.5" << 1 << ""
                         << "0.5";
    QTest::newRow("2.5") << "2.5" << 5 << ""
                         << "2.5";
    QTest::newRow("7") << "7" << 14 << ""
                       << "7.0";
    QTest::newRow("120") << "120" << 240 << ""
                         << "120.0";
    QTest::newRow("0.3") << "0.3" << -1 << "Please insert a number between 0.5 to 120.0"
                         << "0.3";
    QTest::newRow("120.5") << "120.5" << -1 << "Please insert a number between 0.5 to 120.0"
                           << "120.5";
    QTest::newRow("2.3") << "2.3" << -1 << "The interval is 0.5 second."
                         << "1.0";
    QTest::newRow("empty") << "" << 2 << ""
                           << "1.0";
  }
  void alertTimeCommit() {
    QFETCH(QString, typed);
    QFETCH(int, stored);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    Editor editor;
    editor.Tick("chkEnableAlertTime", true);
    editor.Pick("cboF1ATime0", "FIXED");
    const bool accepted = editor.Type("edtF1ATime0", typed.toStdString());
    QCOMPARE(QString::fromStdString(editor.text("edtF1ATime0")), shown);
    if (message.isEmpty()) {
      QVERIFY(editor.messages.empty());
      QCOMPARE(int(editor.image()[CallAlertTime(0, 0)]), stored);
      return;
    }
    QCOMPARE(editor.messages.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(editor.messages[0].text), message);
    QCOMPARE(editor.image()[CallAlertTime(0, 0)], std::uint8_t{2});
    // The range message keeps the focus in the field; the step message does not.
    QCOMPARE(accepted, message.startsWith("The interval"));
  }

  // Pasted text passes no key filter: the stored count is the time the field shows.
  void alertTimePastedStoresWhatItShows() {
    Editor editor;
    editor.Tick("chkEnableAlertTime", true);
    editor.Pick("cboF1ATime0", "FIXED");
    QVERIFY(editor.Paste("edtF1ATime0", "8.49"));
    QCOMPARE(editor.text("edtF1ATime0"), std::string("8.5"));
    QCOMPARE(editor.image()[CallAlertTime(0, 0)], std::uint8_t{17});
    QVERIFY(editor.messages.empty());
    // 8.96 shows as 9.0 but is no half-second step: refused, the stored time shown again.
    QVERIFY(editor.Paste("edtF1ATime0", "8.96"));
    QCOMPARE(editor.LastMessage(), std::string("The interval is 0.5 second."));
    QCOMPARE(editor.text("edtF1ATime0"), std::string("8.5"));
    QCOMPARE(editor.image()[CallAlertTime(0, 0)], std::uint8_t{17});
  }

  void alertTimeEnterCommitsOnce() {
    Editor editor;
    editor.Tick("chkEnableAlertTime", true);
    editor.Pick("cboF1ATime0", "FIXED");
    editor.model->Enter("edtF1ATime0");
    for (char key : std::string("3.55")) editor.model->Key("edtF1ATime0", key);
    QCOMPARE(editor.text("edtF1ATime0"), std::string("3.5"));
    editor.model->Key("edtF1ATime0", '\r');
    QCOMPARE(editor.model->Focus(), std::string(kFocusSink));
    QVERIFY(editor.model->Leave("edtF1ATime0"));
    QCOMPARE(editor.image()[CallAlertTime(0, 0)], std::uint8_t{7});
  }

  void toneTypeAndPriority() {
    CodePlugImage image = Factory();
    image[CallOption(0, 0)] = 0x7C;  // reserved bits 2..6 set
    Editor editor(image);
    editor.Pick("cboF1TType0", "User define");
    QCOMPARE(editor.image()[CallOption(0, 0)], std::uint8_t{0x7E});
    QVERIFY(editor.at("edtF1Patten0").enabled);
    editor.Tick("chkF1Priority0", true);
    QCOMPARE(editor.image()[CallOption(0, 0)], std::uint8_t{0xFE});
    const auto pattern = PatternBytes(editor.image(), CallPattern(0, 0));
    editor.Pick("cboF1TType0", "Continuous");
    QCOMPARE(editor.image()[CallOption(0, 0)], std::uint8_t{0xFD});
    QVERIFY(!editor.at("edtF1Patten0").enabled);
    QCOMPARE(PatternBytes(editor.image(), CallPattern(0, 0)), pattern);
    editor.Tick("chkF1Priority0", false);
    QCOMPARE(editor.image()[CallOption(0, 0)], std::uint8_t{0x7D});
  }

  void toneTypeThreeLeavesNoSelection() {
    CodePlugImage image = Factory();
    image[CallOption(1, 0)] = 0x83;
    Editor editor(image);
    QCOMPARE(editor.at("cboF2TType0").selected, -1);
    QVERIFY(!editor.at("edtF2Patten0").enabled);
    QVERIFY(editor.at("chkF2Priority0").checked);
  }

  void patternCommit_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("AB") << "AB"
                        << "AB------" << QByteArray::fromHex("12000000");
    QTest::newRow("DDDDDDDD") << "DDDDDDDD"
                              << "DDDDDDDD" << QByteArray::fromHex("44444444");
    QTest::newRow("B-B-B-B-") << "B-B-B-B-"
                              << "B-B-B-B-" << QByteArray::fromHex("20202020");
    QTest::newRow("AAAADDDD") << "AAAADDDD"
                              << "AAAADDDD" << QByteArray::fromHex("11114444");
    QTest::newRow("lower case") << "abcd"
                                << "abcd----" << QByteArray::fromHex("12340000");
    QTest::newRow("empty keeps stored") << ""
                                        << "ABCDABCD" << QByteArray::fromHex("12341234");
  }
  void patternCommit() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QByteArray, bytes);
    Editor editor;
    editor.Pick("cboF2TType0", "User define");
    QVERIFY(editor.Type("edtF2Patten0", typed.toStdString()));
    QCOMPARE(QString::fromStdString(editor.text("edtF2Patten0")), shown);
    const auto stored = PatternBytes(editor.image(), CallPattern(1, 0));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(stored.data()), 4), bytes);
    QVERIFY(editor.messages.empty());
  }

  void patternKeyFilter() {
    Editor editor;
    editor.model->Enter("edtF1Patten0");
    QVERIFY(!editor.model->Key("edtF1Patten0", 'E'));
    QCOMPARE(editor.messages.size(), std::size_t{1});
    QCOMPARE(editor.messages[0].title, std::string("Warning!"));
    QCOMPARE(editor.messages[0].text, std::string("Please input A~D or - !"));
    QCOMPARE(editor.messages[0].icon, Icon::Error);
    for (char key : std::string("ABCD-abc")) QVERIFY(editor.model->Key("edtF1Patten0", key));
    // A full F1 field ignores a further key silently and keeps the focus.
    QVERIFY(!editor.model->Key("edtF1Patten0", 'A'));
    QCOMPARE(editor.model->Focus(), std::string("edtF1Patten0"));
    QVERIFY(editor.model->Key("edtF1Patten0", '\b'));
    QCOMPARE(editor.text("edtF1Patten0"), std::string("ABCD-ab"));
    QCOMPARE(editor.messages.size(), std::size_t{1});

    // A full F2 field commits itself on the next key.
    editor.model->Enter("edtF2Patten0");
    for (char key : std::string("DCBADCBA")) editor.model->Key("edtF2Patten0", key);
    editor.model->Key("edtF2Patten0", 'A');
    QCOMPARE(editor.model->Focus(), std::string(kFocusSink));
    QCOMPARE(editor.text("edtF2Patten0"), std::string("DCBADCBA"));
  }

  void unknownPatternStepEndsShownText() {
    CodePlugImage image = Factory();
    image[GroupPattern(0, 1)] = 0x12;
    image[GroupPattern(0, 1) + 1] = 0x37;
    Editor editor(image);
    QCOMPARE(editor.text("edtF1GPatten1"), std::string("ABC"));
    image[CallPattern(1, 4)] = 0x10;
    image[CallPattern(1, 4) + 1] = 0x00;
    image[CallPattern(1, 4) + 2] = 0x00;
    image[CallPattern(1, 4) + 3] = 0x00;
    editor.Open(image);
    QCOMPARE(editor.text("edtF2Patten4"), std::string("A-------"));
  }
};

QTEST_GUILESS_MAIN(ChannelRowsTest)
#include "test_channel_rows.moc"
