// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include "codeplug/Layout.h"
#include "editor/ModelOperations.h"
#include "ui/AdvancePage.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"

#include "GuiTestBase.h"

using namespace zt310;
using namespace zt310::ui;
using editor::Answer;
using zt310::testing::GuiTestBase;
namespace names = editor::names;

namespace {

constexpr int kSettingPage = 2;
constexpr int kSystemPage = 3;
constexpr int kAdvancePage = 4;

}  // namespace

class SettingsPagesTest : public GuiTestBase {
  Q_OBJECT

  QLineEdit* Edit(const QString& name) const { return Widget<QLineEdit>(name); }
  QComboBox* List(const QString& name) const { return Widget<QComboBox>(name); }
  int Byte(int offset) const { return window_->Model().image()[offset]; }
  const std::vector<editor::Message>& Shown() const { return MessageService::Instance().Shown(); }
  QString LastMessage() const { return Shown().empty() ? QString() : QString::fromStdString(Shown().back().text); }

  static constexpr int kSettleMs = 20;
  // Types the value and commits it with Enter.
  void Enter(const QString& name, const QString& text) {
    Type(Edit(name), text);
    PressEnter(Edit(name), kSettleMs);
  }
  // Chooses a list item as the user does: the item becomes current and the list reports it.
  void Pick(const QString& name, const QString& item) {
    QComboBox* list = List(name);
    const int index = list->findText(item);
    QVERIFY2(index >= 0, qPrintable(item));
    QVERIFY2(list->isEnabled() && list->isVisible(), qPrintable(name));
    list->setCurrentIndex(index);
    emit list->activated(index);
    QTest::qWait(10);
  }
  void Click(const QString& name) {
    auto* box = Widget<QAbstractButton>(name);
    QVERIFY2(box->isEnabled() && box->isVisible(), qPrintable(name));
    box->click();
    QTest::qWait(10);
  }
  QStringList BatteryTexts() const {
    return {List("cboBatHigh")->currentText(), List("cboBatMed")->currentText(), List("cboBatLow")->currentText()};
  }

 private slots:
  void init() {
    InitTest(Answer::Ok);
    ShowWindow(WindowOptions(), Until::Exposed, Size::WholePages);  // these tests point at whole pages
  }
  void cleanup() { CleanupTest(); }

  // --- commits: refused values keep focus and text, accepted ones are re-shown and stored ---

  void fieldCommits_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byEnter");     // or by clicking into another field
    QTest::addColumn<QString>("message");  // empty: accepted
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shown");  // the text after an accepted commit
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("stored");

    using namespace layout;
    QTest::newRow("delay 8.5") << kSettingPage << "edtDelay"
                               << "8.5" << true << ""
                               << ""
                               << "8.5" << kResetDelay << 17;
    QTest::newRow("delay 0.5 refused") << kSettingPage << "edtDelay"
                                       << "0.5" << false << "Please insert a number between 1 to 127.5"
                                       << "ZT310"
                                       << "" << kResetDelay << -1;
    QTest::newRow("carrier off 12") << kSettingPage << "edtSquelch"
                                    << "12" << false << ""
                                    << ""
                                    << "12" << kCarrierOffDelay << 12;
    QTest::newRow("carrier off 256 refused") << kSettingPage << "edtSquelch"
                                             << "256" << true << "Please insert a number between 0 to 255"
                                             << "ZT310"
                                             << "" << kCarrierOffDelay << -1;
    QTest::newRow("tonality 0.15") << kSettingPage << "edtTonality2"
                                   << "0.15" << true << ""
                                   << ""
                                   << "0.150" << kTonalityFrequency + 5 << 150;
    QTest::newRow("tonality 6.001 refused") << kSettingPage << "edtTonality2"
                                            << "6.001" << false << "Please insert a number between 0.150 and 6.000 !"
                                            << "ZT310 V1.3.9"
                                            << "" << kTonalityFrequency + 5 << -1;
    QTest::newRow("decoder reset 30") << kSystemPage << "edtDecorderReset"
                                      << "30" << true << ""
                                      << ""
                                      << "30.0" << kDecoderReset << 60;
    QTest::newRow("NRSSI 0.54") << kSystemPage << "edtRSSI"
                                << "0.54" << false << ""
                                << ""
                                << "0.54" << kNrssiThreshold << 46;
    QTest::newRow("NRSSI 1.01 refused") << kSystemPage << "edtRSSI"
                                        << "1.01" << true << "Please insert a number between 0 to 1"
                                        << "ZT310"
                                        << "" << kNrssiThreshold << -1;
    QTest::newRow("noise limit 256 refused") << kSystemPage << "edtNoiseLimit"
                                             << "256" << false << "Please insert a number between 0 to 255"
                                             << "ZT310"
                                             << "" << kNoiseLimit << -1;
    QTest::newRow("NRSSI response 100") << kAdvancePage << "edtNRSSIRpTM"
                                        << "100" << true << ""
                                        << ""
                                        << "100" << kNrssiResponseTime << 100;
    QTest::newRow("NRSSI response 4 refused") << kAdvancePage << "edtNRSSIRpTM"
                                              << "4" << false << "Please insert a number between 5 to 100"
                                              << "ZT310Pro"
                                              << "" << kNrssiResponseTime << -1;
    QTest::newRow("GAP MAX. 200") << kAdvancePage << "edtGapMax"
                                  << "200" << false << ""
                                  << ""
                                  << "200" << kGapMax << 200;
  }

  void fieldCommits() {
    QFETCH(int, page);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(bool, byEnter);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(QString, shown);
    QFETCH(int, offset);
    QFETCH(int, stored);
    ShowPage(page);
    if (field == "edtDelay") Pick("cboResetCon", "Delay N sec Auto Reset");
    const int before = Byte(offset);
    QLineEdit* edit = Edit(field);
    Type(edit, typed);
    if (byEnter) {
      PressEnter(edit, kSettleMs);
    } else {
      // Leaving the field for another one of the page commits it too.
      QLineEdit* other = Edit(page == kSettingPage  ? "edtTonality0"
                              : page == kSystemPage ? "edtRFDelay"
                                                    : "edtSquLevel9");
      if (other == edit) other = Edit("edtTonality1");
      QTest::mouseClick(other, Qt::LeftButton);
      QTest::qWait(20);
    }
    if (message.isEmpty()) {
      QVERIFY2(Shown().empty(), qPrintable(LastMessage()));
      QCOMPARE(edit->text(), shown);
      QCOMPARE(Byte(offset), stored);
      QVERIFY(!edit->hasFocus());
    } else {
      QCOMPARE(LastMessage(), message);
      QCOMPARE(QString::fromStdString(Shown().back().title), title);
      QCOMPARE(Byte(offset), before);
      QVERIFY(edit->hasFocus());
      QCOMPARE(edit->text(), typed);
    }
  }

  void keyFiltersRefuseWhatTheFieldCannotHold_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<bool>("numericMessage");
    QTest::newRow("digits only: a letter") << kSystemPage << "edtRFDelay"
                                           << "1a2"
                                           << "12" << true;
    QTest::newRow("digits only: Backspace") << kAdvancePage << "edtGapMax"
                                            << "12\b"
                                            << "12" << true;
    QTest::newRow("one decimal") << kSettingPage << "edtDelay"
                                 << ".1.55"
                                 << "1.5" << false;
    QTest::newRow("two decimals") << kSystemPage << "edtRSSI2"
                                  << ".0.456"
                                  << "0.45" << false;
    QTest::newRow("two decimals, Backspace") << kAdvancePage << "edtSquLevel3"
                                             << "0.1\b2"
                                             << "0.2" << false;
    QTest::newRow("three decimals") << kSettingPage << "edtTonality0"
                                    << "1..2345"
                                    << "1.234" << false;
  }

  void keyFiltersRefuseWhatTheFieldCannotHold() {
    QFETCH(int, page);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(bool, numericMessage);
    ShowPage(page);
    if (field == "edtDelay") Pick("cboResetCon", "Delay N sec Auto Reset");
    Type(Edit(field), typed);
    QCOMPARE(Edit(field)->text(), kept);
    QVERIFY(Edit(field)->hasFocus());
    if (numericMessage) {
      QCOMPARE(LastMessage(), QString("Please insert a numeric!"));
    } else {
      QVERIFY2(Shown().empty(), qPrintable(LastMessage()));
    }
  }

  void toneSystemSetsTheDurations() {
    window_->Model().image()[layout::kToneDur2Plectron] = 33;
    Widget<QAbstractButton>("radToneSystem2")->click();  // Plectron
    QTRY_COMPARE(Edit("edtToneDur1")->text(), QString("33"));
    QCOMPARE(Edit("edtToneDur2")->text(), QString("25"));
    QCOMPARE(window_->Model().image().GetWord(layout::kGroupCallDuration), 25);
    ShowPage(kSystemPage);
    Enter("edtToneDur1", "300");
    QCOMPARE(window_->Model().image().GetWord(layout::kTone2Duration), 300);
    QCOMPARE(Byte(layout::kToneDur2Plectron), 0x2C);
    Widget<QAbstractButton>("radToneSystem0")->click();  // Standard
    QTRY_COMPARE(Edit("edtToneDur2")->text(), QString("50"));
  }

  // A delay that is not a half second is not stored; the focus is not forced back.
  void delayOffTheHalfSecondStepShowsTheStoredValue() {
    ShowPage(kSettingPage);
    Pick("cboResetCon", "Time-Out RESET");
    const QString stored = QString::number(Byte(layout::kResetDelay) * 0.5, 'f', 1);
    Enter("edtDelay", "8.3");
    QCOMPARE(LastMessage(), QString("The interval is 0.5 second."));
    QCOMPARE(Edit("edtDelay")->text(), stored);
    QVERIFY(!Edit("edtDelay")->hasFocus());
  }

  void delayFieldOnlyForTheWaitingResetMethods_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("shown");
    QTest::newRow("Auto Reset") << "Auto Reset" << false;
    QTest::newRow("Delay N sec Auto Reset") << "Delay N sec Auto Reset" << true;
    QTest::newRow("Revert SQ") << "Revert SQ" << false;
    QTest::newRow("Manual RESET Until Press Reset") << "Manual RESET Until Press Reset" << false;
    QTest::newRow("Time-Out RESET") << "Time-Out RESET" << true;
    QTest::newRow("Delay AUTO N with Revert") << "Delay AUTO N with Revert" << true;
  }

  void delayFieldOnlyForTheWaitingResetMethods() {
    QFETCH(QString, method);
    QFETCH(bool, shown);
    ShowPage(kSettingPage);
    Pick("cboResetCon", method);
    for (const char* name : {"lblDelayTime", "edtDelay", "lblDelaySec"}) QCOMPARE(Widget(name)->isVisible(), shown);
  }

  void helpLabelOpensTheResetHelp() {
    ShowPage(kSettingPage);
    QString seen;
    QTimer::singleShot(50, this, [&seen] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        seen = modal->windowTitle();
        modal->close();
      }
    });
    QTest::mouseClick(Widget<QLabel>("lblHelp"), Qt::LeftButton);
    QTRY_COMPARE(seen, QString("RESET FUNCTION HELP"));
  }

  // --- dependent refreshes ---

  void narrowBandRefreshesSystemAndAdvanceFields() {
    ShowPage(kSettingPage);
    QVERIFY(!Widget<QCheckBox>("chkNB")->isChecked());
    Pick("cblSquelchlevel", "3");
    Click("chkNB");
    QCOMPARE(Edit("edtRSSI")->text(), QString("1.00"));
    QCOMPARE(List("cboAudioGain")->currentText(), QString("3"));
    QCOMPARE(Edit("edtSquLevel0")->text(), QString("0.65"));
    QCOMPARE(Edit("edtSquLevel9")->text(), QString("0.45"));
    QCOMPARE(Edit("edtRSSI2")->text(), QString("0.65"));  // level 3 of the narrow band
    QCOMPARE(Edit("edtSSI")->text(), QString("0.30"));
    QCOMPARE(Byte(layout::kNrssiThreshold), 85);
    QCOMPARE(Byte(layout::kAudioGain), 16);

    Click("chkNB");
    QCOMPARE(Edit("edtRSSI")->text(), QString("0.54"));
    QCOMPARE(List("cboAudioGain")->currentText(), QString("1"));
    QCOMPARE(Edit("edtSquLevel8")->text(), QString("0.45"));
    QCOMPARE(Edit("edtSSI")->text(), QString("0.20"));
    QCOMPARE(Byte(layout::kNrssiThreshold), 46);
  }

  void squelchVoltagesFollowTheirRules() {
    ShowPage(kAdvancePage);
    Enter("edtSquLevel8", "0.60");  // above NRSSI 0.54 of the wide band
    QCOMPARE(LastMessage(), QString("Please insert a number between 0.02 to 0.54 !"));
    QCOMPARE(Edit("edtSquLevel8")->text(), QString("0.45"));
    QCOMPARE(Byte(layout::kSquelchTable + 8), 45);

    ShowPage(kSettingPage);
    Pick("cblSquelchlevel", "3");
    ShowPage(kAdvancePage);
    Enter("edtSquLevel5", "0.25");
    QCOMPARE(Byte(layout::kSquelchTable + 5), 25);
    QCOMPARE(Byte(layout::kSpeakerOnCode), 21);
    QCOMPARE(Edit("edtSSI")->text(), QString("0.25"));  // the System page follows the level
  }

  void oneChannelSwapsTheSwitchListsAndGreysChannelF2() {
    ShowPage(kSettingPage);
    QVERIFY(List("cboFunMode3")->isVisible());
    QVERIFY(!List("cboC1FunMode3")->isVisible());
    QCOMPARE(List("cboFunMode3")->currentText(), QString("Selective Call F2"));
    QVERIFY(window_->Pages()->isTabEnabled(1));

    Click("chkOneChannel");
    for (int s = 0; s < 4; ++s) {
      QVERIFY(!List(QString::fromStdString(names::SwitchModeList(s)))->isVisible());
      QVERIFY(List(QString::fromStdString(names::OneChannelModeList(s)))->isVisible());
      // Both lists share one place on the page.
      QCOMPARE(List(QString::fromStdString(names::OneChannelModeList(s)))->geometry(),
               List(QString::fromStdString(names::SwitchModeList(s)))->geometry());
    }
    QCOMPARE(List("cboC1FunMode3")->currentText(), QString("Selective Call F1"));
    QCOMPARE(Byte(layout::kFunctionSwitch + 3) & 0x1F, 1);
    QVERIFY(!window_->Pages()->isTabEnabled(1));
    QVERIFY(!Edit("edtF2T10")->isEnabled());
    QCOMPARE(Byte(layout::kSingleChannelMarker), 0xFE);

    Click("chkOneChannel");
    QVERIFY(List("cboFunMode3")->isVisible());
    QVERIFY(!List("cboC1FunMode3")->isVisible());
    QCOMPARE(List("cboFunMode3")->currentText(), QString("Selective Call F2"));
    QVERIFY(window_->Pages()->isTabEnabled(1));
    QCOMPARE(Byte(layout::kSingleChannelMarker), 0xFF);
  }

  void switchModeAlertTypeAndPushToListen() {
    ShowPage(kSettingPage);
    Pick("cboFunMode0", "Selective Call F1");
    Pick("cboFunAType0", "Tone");
    QCOMPARE(Byte(layout::kFunctionSwitch), 0x21);
    Click("chkFunPTListen0");
    QCOMPARE(Byte(layout::kFunctionSwitch), 0xC1);
    QCOMPARE(List("cboFunAType0")->currentText(), QString("Vibrate"));
    QVERIFY(!List("cboFunAType0")->isEnabled());

    Pick("cboFunMode0", "Normal Scan");
    QCOMPARE(Byte(layout::kFunctionSwitch), 0x42);
    QVERIFY(!Widget<QCheckBox>("chkFunPTListen0")->isChecked());
    QVERIFY(!Widget<QCheckBox>("chkFunPTListen0")->isEnabled());
    QVERIFY(List("cboFunAType0")->isEnabled());
  }

  void periodListAndPriorityScanFollowEachOther() {
    ShowPage(kSystemPage);
    Enter("edtBS_Period1", "25");
    QCOMPARE(Byte(layout::kBatterySave2), 25);

    ShowPage(kSettingPage);
    for (const auto& [item, count] : {std::pair{"0.5 Second", 2}, std::pair{"1 Second", 4}, std::pair{"2 Second", 8}}) {
      Pick("cboCircle", item);
      QCOMPARE(Byte(layout::kPriorityScanF1), count);
      QCOMPARE(Edit("edtPriorityScanF1")->text(), QString::number(count));
    }

    ShowPage(kSystemPage);
    Enter("edtPriorityScanF1", "12");  // 3 s: no item
    QCOMPARE(Byte(layout::kPriorityScanF1), 12);
    QCOMPARE(List("cboCircle")->currentIndex(), -1);
    Enter("edtPriorityScanF1", "4");
    QCOMPARE(List("cboCircle")->currentText(), QString("1 Second"));

    Enter("edtPriorityScanF1", "120");  // 30000 ms
    QCOMPARE(LastMessage(), QString("Priority ScanF1 x (Battery Save2 x 10ms) must less than 30000 ms !"));
    QVERIFY(Edit("edtPriorityScanF1")->hasFocus());
    QCOMPARE(Byte(layout::kPriorityScanF1), 4);
  }

  void batteryOrderRefusalResetsTheThreeLists() {
    ShowPage(kAdvancePage);
    Pick("cboBatHigh", "3.85V");
    Pick("cboBatMed", "3.70V");
    const QStringList accepted = BatteryTexts();
    const int lowCode = Byte(layout::kBatteryLow);
    QVERIFY(Shown().empty());

    Pick("cboBatLow", "3.70V");
    QCOMPARE(LastMessage(), QString("You must let Level-High > Level-Med > Level-Low !"));
    QCOMPARE(BatteryTexts(), accepted);
    QCOMPARE(Byte(layout::kBatteryLow), lowCode);
    QVERIFY(List("cboBatLow")->hasFocus());

    Pick("cboBatLow", "3.55V");
    QCOMPARE(Byte(layout::kBatteryLow), 201);
    QCOMPARE(Byte(layout::kLowBatteryAlarm), 201);

    Pick("cboBatHigh", "3.70V");  // equal to Medium is not above it
    QCOMPARE(List("cboBatHigh")->currentText(), QString("3.85V"));
  }

  void bandwidthStoresItsIndex() {
    ShowPage(kAdvancePage);
    Pick("cboBandWidth", "1.5");
    QCOMPARE(Byte(layout::kDecoderBandwidth), 7);
  }

  // --- layout and mouse-over ---

  void timingUnitLabelsShareOnePlace() {
    ShowPage(kSystemPage);
    QVERIFY(Widget("lbl50MS0")->isVisible());
    QVERIFY(!Widget("lbl100MS0")->isVisible());
    editor::SelectTimingUnitLabels(window_->Model(), 120);
    window_->RefreshFromModel();
    for (int n = 0; n < 5; ++n) {
      QVERIFY(Widget(QString::fromStdString(names::HundredMsLabel(n)))->isVisible());
      QVERIFY(!Widget(QString::fromStdString(names::FiftyMsLabel(n)))->isVisible());
      QCOMPARE(Widget<QLabel>(QString::fromStdString(names::HundredMsLabel(n)))->text(), QString("x 100 ms"));
    }
    ShowPage(kAdvancePage);
    QVERIFY(Widget("lbl100MS5")->isVisible());
  }

  void pagesShowTheirFixedTexts() {
    ShowPage(kAdvancePage);
    QCOMPARE(Widget<QLabel>("lblAdvanceNotice")->text(), QString(kAdvanceNotice));
    QCOMPARE(Widget("cboBandWidth")->toolTip(), QString("Decoder Bandwidth default value : 1.5%"));
    ShowPage(kSettingPage);
    QCOMPARE(
        Widget<QCheckBox>("chkSysFIXAlert")->toolTip(),
        QString("If it is selected, the tone alert is at maximum volume regardless of the position of the control."));
    const QStringList captions = [this] {
      QStringList titles;
      for (auto* group : Widget("tabSetting")->findChildren<QGroupBox*>()) titles << group->title();
      return titles;
    }();
    for (const char* title :
         {"Model Options", "Function Switches", "SW-A", "SW-D", "Alert Tonality", "Priority Scan"}) {
      QVERIFY2(captions.contains(title), title);
    }
  }

  void mouseOverAGroupCommitsTheFieldBeingEdited_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("stored");
    QTest::newRow("Alert Tonality") << kSettingPage << "edtTonality1"
                                    << "grpAlertTonality" << layout::kTonalityFrequency + 3 << 0xE8;  // 1000 Hz
    QTest::newRow("System group") << kSystemPage << "edtNoiseLimit"
                                  << "grpSystem" << layout::kNoiseLimit << 77;
    QTest::newRow("Advance page") << kAdvancePage << "edtGapMax"
                                  << "tabAdvance" << layout::kGapMax << 77;
  }

  void mouseOverAGroupCommitsTheFieldBeingEdited() {
    QFETCH(int, page);
    QFETCH(QString, field);
    QFETCH(QString, group);
    QFETCH(int, offset);
    QFETCH(int, stored);
    ShowPage(page);
    Type(Edit(field), field == "edtTonality1" ? "1" : "77");
    QWidget* background = Widget(group);
    QTest::mouseMove(background, QPoint(background->width() - 3, background->height() - 3));
    QTest::qWait(20);
    QCOMPARE(Byte(offset), stored);
    QVERIFY(!Edit(field)->hasFocus());
  }

  // A refused field is not committed again by every further mouse move.
  void mouseOverRepeatsNoRefusal() {
    ShowPage(kSettingPage);
    QLineEdit* edit = Edit("edtTonality1");
    Type(edit, "9");
    QWidget* group = Widget("grpAlertTonality");
    for (int move = 0; move < 3; ++move) {
      QTest::mouseMove(group, QPoint(group->width() - 3 - move, group->height() - 3));
      QTest::qWait(20);
    }
    QCOMPARE(Shown().size(), std::size_t{1});
    QVERIFY(edit->hasFocus());
    QCOMPARE(edit->text(), QString("9.000"));
    QTest::keyClick(edit, Qt::Key_Backspace);  // the text changed: the next move commits it again
    QTest::mouseMove(group, QPoint(group->width() - 3, group->height() - 4));
    QTest::qWait(20);
    QCOMPARE(Shown().size(), std::size_t{2});
  }
};

QTEST_MAIN(SettingsPagesTest)
#include "test_settings_pages.moc"
