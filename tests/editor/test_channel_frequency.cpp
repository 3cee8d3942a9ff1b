// SPDX-License-Identifier: GPL-3.0-or-later
// Frequency group of the channel pages: commits under each spacing and Auto,
// synthesiser words, the band rule across channels, the legacy 2.5 kHz
// reference word and the frequency key filter.
#include <QtTest>

#include "EditorFixture.h"
#include "codeplug/Layout.h"

using namespace zt310;
using namespace zt310::editor;
using namespace zt310::editor::testing;
using namespace zt310::layout;

namespace {

std::string StoredDigits(const CodePlugImage& image, int channel) {
  std::string digits;
  for (int d = 0; d < 7; ++d) digits += static_cast<char>('0' + image[RfFrequency(channel) + d]);
  return digits;
}

}  // namespace

class ChannelFrequencyTest : public QObject {
  Q_OBJECT

 private slots:
  void commitWithSpacing_data() {
    QTest::addColumn<QString>("spacing");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("mutl");
    QTest::addColumn<QString>("pllr");
    QTest::addColumn<QString>("plln");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("shownAfterReload");
    QTest::newRow("12.5 K") << "12.5 K"
                            << "1520000"
                            << "1"
                            << "0001A311"
                            << "00146800" << 34 << "12.5 K";
    QTest::newRow("6.25 K") << "6.25 K"
                            << "1520000"
                            << "1"
                            << "00034611"
                            << "0028D000" << 33 << "6.25 K";
    QTest::newRow("2.5 K") << "2.5 K"
                           << "1520000"
                           << "1"
                           << "00082F11"
                           << "00660800" << 32 << "2.5 K";
    QTest::newRow("12.5 K high band") << "12.5 K"
                                      << "4500000"
                                      << "2"
                                      << "0001A311"
                                      << "00217C00" << 34 << "12.5 K";
    QTest::newRow("Auto finds 12.5") << "Auto"
                                     << "1520125"
                                     << "1"
                                     << "0001A311"
                                     << "00146880" << 34 << "12.5 K";
    QTest::newRow("Auto finds 2.5") << "Auto"
                                    << "1520025"
                                    << "1"
                                    << "00082F11"
                                    << "00660880" << 36 << "Auto";
    QTest::newRow("short text") << "12.5 K"
                                << "214000"
                                << "1"
                                << "0001A311"
                                << "00000000" << 34 << "12.5 K";
  }
  void commitWithSpacing() {
    QFETCH(QString, spacing);
    QFETCH(QString, typed);
    QFETCH(QString, mutl);
    QFETCH(QString, pllr);
    QFETCH(QString, plln);
    QFETCH(int, code);
    QFETCH(QString, shownAfterReload);
    Editor editor;
    editor.Pick("cboCSpaceF1", spacing.toStdString());
    QVERIFY(editor.Type("edtF1Freq", typed.toStdString()));
    QVERIFY(editor.messages.empty());
    const std::string digits = QString("%1").arg(typed.toInt(), 7, 10, QChar('0')).toStdString();
    QCOMPARE(editor.text("edtF1Freq"), digits);
    QCOMPARE(StoredDigits(editor.image(), 0), digits);
    QCOMPARE(QString::fromStdString(editor.text("lblF1MUTL")), mutl);
    QCOMPARE(QString::fromStdString(editor.text("lblF2MUTL")), mutl);
    QCOMPARE(QString::fromStdString(editor.text("lblF1PLLR")), pllr);
    QCOMPARE(QString::fromStdString(editor.text("lblF1PLLN")), plln);
    QCOMPARE(editor.image().GetLong(RfReferenceWord(0)), pllr.toUInt(nullptr, 16));
    QCOMPARE(editor.image().GetLong(RfDividerWord(0)), plln.toUInt(nullptr, 16));
    QCOMPARE(int(editor.image()[RfSpacingCode(0)]), code);
    const CodePlugImage saved = editor.image();
    Editor reloaded(saved);
    QCOMPARE(QString::fromStdString(reloaded.text("cboCSpaceF1")), shownAfterReload);
    QVERIFY(reloaded.messages.empty());
    QCOMPARE(reloaded.image().GetLong(RfDividerWord(0)), plln.toUInt(nullptr, 16));
  }

  void refusedFrequencies_data() {
    QTest::addColumn<QString>("spacing");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::newRow("Auto finds nothing") << "Auto"
                                        << "1520010"
                                        << "F1 Channel Spacing Error!";
    QTest::newRow("not a multiple") << "12.5 K"
                                    << "1520025"
                                    << "F1 Channel Spacing Error!";
    QTest::newRow("6.25 like 12.5") << "6.25 K"
                                    << "1520050"
                                    << "F1 Channel Spacing Error!";
    QTest::newRow("below 21.4 MHz") << "2.5 K"
                                    << "213975"
                                    << "F1 Frequency Error!\n\nThe frequency must be at least 0214000 (21.4 MHz).";
    QTest::newRow("zero") << "Auto"
                          << "0"
                          << "F1 Frequency Error!\n\nThe frequency must be at least 0214000 (21.4 MHz).";
  }
  void refusedFrequencies() {
    QFETCH(QString, spacing);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    Editor editor;
    editor.Pick("cboCSpaceF1", spacing.toStdString());
    const CodePlugImage before = editor.image();
    QVERIFY(!editor.Type("edtF1Freq", typed.toStdString()));
    QCOMPARE(editor.messages.size(), std::size_t{1});
    QCOMPARE(editor.messages[0].title, std::string("ZT310"));
    QCOMPARE(QString::fromStdString(editor.messages[0].text), message);
    QCOMPARE(editor.model->Focus(), std::string("edtF1Freq"));
    QCOMPARE(QString::fromStdString(editor.text("edtF1Freq")), typed);
    QVERIFY(editor.image() == before);
  }

  // Typing as the keyboard does: Enter commits, and the keys after it go
  // nowhere; unless the commit was refused, when the focus stays and the
  // keys go on into the field.
  void enterInTheMiddleOfTyping_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("messages");
    QTest::newRow("accepted, rest lost") << "1520125\r\b\b99"
                                         << "1520125" << 0;
    QTest::newRow("refused, typing goes on") << "15\r20125"
                                             << "1520125" << 1;
  }
  void enterInTheMiddleOfTyping() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, messages);
    Editor editor;
    QVERIFY(editor.Type("edtF1Freq", typed.toStdString()));
    QCOMPARE(QString::fromStdString(editor.text("edtF1Freq")), shown);
    QCOMPARE(StoredDigits(editor.image(), 0), shown.toStdString());
    QCOMPARE(editor.messages.size(), std::size_t(messages));
    QCOMPARE(editor.model->Focus(), std::string(kFocusSink));
  }

  void manualSpacingStoredEvenWhenFrequencyDoesNotFit() {
    Editor editor;
    QVERIFY(editor.Type("edtF1Freq", "1520025"));  // Auto: 2.5 kHz
    const CodePlugImage before = editor.image();
    editor.Pick("cboCSpaceF1", "12.5 K");
    QCOMPARE(editor.LastMessage(), std::string("F1 Channel Spacing Error!"));
    QCOMPARE(editor.image()[RfSpacingCode(0)], std::uint8_t{34});
    QCOMPARE(editor.pages().SpacingInEffectHz(0), 12500u);
    CodePlugImage expected = before;
    expected[RfSpacingCode(0)] = 34;
    QVERIFY(editor.image() == expected);
    // Loading such an image shows the error again.
    Editor reloaded(editor.image());
    QCOMPARE(reloaded.LastMessage(), std::string("F1 Channel Spacing Error!"));
  }

  void bandRuleCopiesAcrossChannels() {
    Editor editor;
    editor.Pick("cboCSpaceF2", "2.5 K");
    QVERIFY(editor.Type("edtF1Freq", "4500000"));
    QCOMPARE(editor.text("edtF2Freq"), std::string("4500000"));
    QCOMPARE(StoredDigits(editor.image(), 1), std::string("4500000"));
    QCOMPARE(editor.text("lblF2PLLR"), std::string("00082F11"));  // F2's own spacing
    QCOMPARE(editor.text("lblF1MUTL"), std::string("2"));
    QCOMPARE(editor.text("lblF2MUTL"), std::string("2"));
    QVERIFY(editor.Type("edtF2Freq", "4400000"));
    QCOMPARE(editor.text("edtF1Freq"), std::string("4500000"));  // same side already
    QVERIFY(editor.Type("edtF2Freq", "1620000"));
    QCOMPARE(editor.text("edtF1Freq"), std::string("1620000"));
    QCOMPARE(StoredDigits(editor.image(), 0), std::string("1620000"));
    QCOMPARE(editor.text("lblF1MUTL"), std::string("1"));
    QVERIFY(editor.messages.empty());
  }

  void bandRuleOtherChannelMayRefuse() {
    Editor editor;
    editor.Pick("cboCSpaceF2", "12.5 K");
    QVERIFY(editor.Type("edtF1Freq", "4500025"));  // Auto 2.5 kHz on F1, does not fit F2's 12.5 kHz
    QCOMPARE(editor.LastMessage(), std::string("F2 Channel Spacing Error!"));
    QCOMPARE(editor.model->Focus(), std::string("edtF2Freq"));
    QCOMPARE(StoredDigits(editor.image(), 0), std::string("4500025"));
    QCOMPARE(StoredDigits(editor.image(), 1), std::string("1620000"));
  }

  void emptyFieldRestoresBothChannels() {
    Editor editor;
    editor.model->Enter("edtF2Freq");
    editor.model->SetText("edtF1Freq", "1234");  // left over from a refused edit
    const CodePlugImage before = editor.image();
    QVERIFY(editor.Type("edtF2Freq", ""));
    QCOMPARE(editor.text("edtF1Freq"), std::string("1520000"));
    QCOMPARE(editor.text("edtF2Freq"), std::string("1620000"));
    QVERIFY(editor.image() == before);
  }

  void legacyReferenceWordOnLoad_data() {
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("error");
    QTest::newRow("2.5 kHz frequency") << "1520025" << 36 << false;
    QTest::newRow("12.5 kHz frequency") << "1520000" << 34 << false;
    QTest::newRow("fits nothing") << "1520010" << 37 << true;
  }
  void legacyReferenceWordOnLoad() {
    QFETCH(QString, frequency);
    QFETCH(int, code);
    QFETCH(bool, error);
    CodePlugImage image = Factory();
    for (int d = 0; d < 7; ++d) image[RfFrequency(1) + d] = static_cast<std::uint8_t>(frequency[d].digitValue());
    image.SetLong(RfReferenceWord(1), 0x00020B11);
    image[RfSpacingCode(1)] = 35;
    Editor editor(image);
    QCOMPARE(int(editor.image()[RfSpacingCode(1)]), code);
    QCOMPARE(editor.text("cboCSpaceF2"), std::string("Auto"));
    QCOMPARE(editor.messages.size(), std::size_t(error ? 1 : 0));
    if (error) {
      QCOMPARE(editor.LastMessage(), std::string("F2 Channel Spacing Error!"));
      QCOMPARE(editor.pages().SpacingInEffectHz(1), 2500u);
      QCOMPARE(editor.text("lblF2PLLR"), std::string("00082F11"));
    }
    QCOMPARE(editor.image()[RfSpacingCode(0)], std::uint8_t{34});  // F1 untouched by the rule
  }

  void frequencyKeyFilter() {
    Editor editor;
    editor.model->Enter("edtF1Freq");
    QVERIFY(!editor.model->Key("edtF1Freq", 'x'));
    QCOMPARE(editor.messages.size(), std::size_t{1});
    QCOMPARE(editor.messages[0].title, std::string("Warning!"));
    QCOMPARE(editor.messages[0].text, std::string("Please insert a numeric  !"));
    QCOMPARE(editor.messages[0].icon, Icon::Error);
    for (char key : std::string("45000001")) editor.model->Key("edtF1Freq", key);
    QCOMPARE(editor.text("edtF1Freq"), std::string("4500000"));  // seven characters at most
    QVERIFY(editor.model->Key("edtF1Freq", '\b'));
    QCOMPARE(editor.text("edtF1Freq"), std::string("450000"));
    editor.model->Key("edtF1Freq", '\r');
    QCOMPARE(editor.model->Focus(), std::string(kFocusSink));
  }

  void mouseOverFrequencyGroupCommits() {
    Editor editor;
    editor.model->Enter("edtF2Freq");
    for (char key : std::string("1725000")) editor.model->Key("edtF2Freq", key);
    editor.pages().MouseOverFrequencyGroup(1);
    QCOMPARE(StoredDigits(editor.image(), 1), std::string("1725000"));
    QCOMPARE(editor.model->Focus(), std::string(kFocusSink));
  }
};

QTEST_GUILESS_MAIN(ChannelFrequencyTest)
#include "test_channel_frequency.moc"
