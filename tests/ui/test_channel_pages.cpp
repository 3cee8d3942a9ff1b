// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>

#include "codeplug/Layout.h"
#include "editor/ChannelPages.h"
#include "tones/Tones.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"

#include "GuiTestBase.h"
#include "ui/ToneTableDialogs.h"

using namespace zt310;
using namespace zt310::ui;
using editor::Answer;
using zt310::testing::GuiTestBase;
namespace names = editor::names;

class ChannelPagesTest : public GuiTestBase {
  Q_OBJECT

  QString dialogSeen_;  // object name of the tone table the last opening showed

  QLineEdit* Edit(const QString& name) const { return Widget<QLineEdit>(name); }
  std::uint16_t Word(int offset) const { return window_->Model().image().GetWord(offset); }
  const std::vector<editor::Message>& Shown() const { return MessageService::Instance().Shown(); }

  void ShowChannel(int channel) {
    window_->Pages()->setCurrentIndex(channel);
    QTRY_VERIFY(window_->Pages()->currentWidget()->isVisible());
  }
  void ChooseToneSystem(int radio) {
    Widget<QAbstractButton>(QString::fromStdString(names::ToneSystemButton(radio)))->click();
  }

  // Runs `trigger`, which may open a tone table modally; `inDialog` then acts
  // on the dialog while it is up. dialogSeen_ names the dialog, or is empty.
  void WithToneTable(const std::function<void()>& trigger, const std::function<void(ToneTableDialog*)>& inDialog) {
    dialogSeen_.clear();
    QTimer::singleShot(0, this, [this, inDialog] {
      auto* dialog = qobject_cast<ToneTableDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      dialogSeen_ = dialog->objectName();
      inDialog(dialog);
      if (dialog->isVisible()) dialog->done(QDialog::Rejected);  // never leave a test hanging
    });
    trigger();
    QTest::qWait(20);
    // The offscreen platform does not hand the activation back to the window when a dialog closes.
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    QApplication::setActiveWindow(window_.get());
#else
    window_->activateWindow();
#endif
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }
  static void Exit(ToneTableDialog* dialog) { dialog->findChild<QPushButton*>("btnExit")->click(); }
  void DoubleClick(QLineEdit* edit) {
    ClickInto(edit);
    QTest::mouseDClick(edit, Qt::LeftButton);
  }
  // A point of a row panel's own background: the gap after its first tone field.
  static QPoint Background(QWidget* panel, QWidget* field) {
    const QPoint point(field->geometry().right() + 2, field->geometry().center().y());
    return panel->childAt(point) ? QPoint(-1, -1) : point;
  }

 private slots:
  void init() {
    InitTest(Answer::Ok);
    ShowWindow(WindowOptions(), Until::Active, Size::WholePages);  // these tests point at whole pages
  }
  void cleanup() { CleanupTest(Close::First); }

  void captionsLineUpWithTheirColumns_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("Tone 1") << "Tone 1" << QStringList{"edtF2T10", "edtF2T17", "edtF2GT3"};
    QTest::newRow("Tone 2") << "Tone 2" << QStringList{"edtF2T20", "edtF2T27"};
    QTest::newRow("tone type") << "     Alert    Tone Type" << QStringList{"cboF2TType0", "cboF2GTType3"};
    QTest::newRow("SW-A") << "SW-A" << QStringList{"chkF2SA0", "chkF2SA7", "chkF2GSA0"};
    QTest::newRow("SW-D") << "SW-D" << QStringList{"chkF2SD3", "chkF2GSD3"};
    QTest::newRow("Priority Alert") << "Priority Alert" << QStringList{"chkF2Priority0", "chkF2GPriority3"};
  }
  void captionsLineUpWithTheirColumns() {
    QFETCH(QString, caption);
    QFETCH(QStringList, fields);
    ShowChannel(1);
    QWidget* group = Widget("grpF2CallTone");
    QLabel* label = nullptr;
    for (QLabel* candidate : group->findChildren<QLabel*>()) {
      if (candidate->text() == caption) label = candidate;
    }
    QVERIFY(label);
    const int centre = label->mapTo(group, label->rect().center()).x();
    for (const QString& name : fields) {
      QWidget* field = Widget(name);
      QVERIFY2(qAbs(field->mapTo(group, field->rect().center()).x() - centre) <= 2, qPrintable(name));
    }
    QVERIFY2(group->minimumSizeHint().width() <= 810,
             qPrintable(QString::number(group->minimumSizeHint().width())));  // fits 825 pixels
  }

  void fixedTextsAndHints() {
    ShowChannel(1);
    QWidget* page = Widget("tabChannelF2");
    QStringList texts;
    for (QLabel* label : page->findChildren<QLabel*>()) texts << label->text();
    for (const char* text : {"[F9] Open Tone Table", "Enable Function Switches Duty ", "00Hz", "Channel Space", "PLLR",
                             "PLLN", "MUTL", "s."}) {
      QVERIFY2(texts.contains(text), text);
    }
    QVERIFY(!Widget("lblF2ToneTbl")->isVisible());  // until a tone field is entered
    QCOMPARE(Widget("cboCSpaceF2")->toolTip(), QString("Select the channel."));
    QVERIFY(Widget("edtF2ATime0")->toolTip().startsWith("Attention: If the alert time is set for too long"));
    QCOMPARE(Widget<QComboBox>("cboCSpaceF2")->itemText(1), QString("6.25 K"));
    QCOMPARE(Widget<QCheckBox>("chkF2GCall3")->text(), QString("Group Call #4"));
    QCOMPARE(Edit("edtF2Freq")->maxLength(), 7);
  }

  void typedToneIsStoredWhenTheFieldIsLeft_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("tenths");
    QTest::newRow("F1 tone 1, Enter") << 0 << "edtF1T10"
                                      << "1092.4" << true << layout::CallTone1Freq(0, 0) << 10924;
    QTest::newRow("F2 tone 2, focus elsewhere") << 1 << "edtF2T20"
                                                << "1513.5" << false << layout::CallTone2Freq(1, 0) << 15135;
  }
  void typedToneIsStoredWhenTheFieldIsLeft() {
    QFETCH(int, channel);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(bool, byEnter);
    QFETCH(int, offset);
    QFETCH(int, tenths);
    ShowChannel(channel);
    QLineEdit* edit = Edit(field);
    ClickInto(edit);
    QCOMPARE(edit->text(), QString());  // entering clears the field
    QTest::keyClicks(edit, typed);
    if (byEnter) {
      PressEnter(edit);
      QVERIFY(window_->FocusSink()->hasFocus());
    } else {
      Edit(QString::fromStdString(names::FrequencyField(channel)))->setFocus();
      QTest::qWait(10);
    }
    QCOMPARE(int{Word(offset)}, tenths);
    QCOMPARE(edit->text(), typed);
    QVERIFY(Shown().empty());
  }

  void refusedToneKeepsTheFocusAndTheTypedText() {
    QLineEdit* edit = Edit("edtF1T10");
    const auto stored = Word(layout::CallTone1Freq(0, 0));
    Type(edit, "99");
    PressEnter(edit);
    QTest::qWait(20);
    QCOMPARE(Shown().size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(Shown().back().text), QString("Please insert a number between 288.5 to 2468.2"));
    QVERIFY(edit->hasFocus());
    QCOMPARE(edit->text(), QString("99.0"));  // the typed value in the tone format
    QCOMPARE(Word(layout::CallTone1Freq(0, 0)), stored);
  }

  void keyFilters_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    QTest::newRow("tone: one decimal only") << "edtF1T10"
                                            << "123.45"
                                            << "123.4"
                                            << "";
    QTest::newRow("tone: no point first") << "edtF1T10"
                                          << ".5"
                                          << "5"
                                          << "";
    QTest::newRow("tone: letters silently") << "edtF1T20"
                                            << "12a"
                                            << "12"
                                            << "";
    QTest::newRow("tone: backspace") << "edtF1T10"
                                     << "12\b"
                                     << "1"
                                     << "";
    QTest::newRow("frequency: digits, seven at most") << "edtF1Freq"
                                                      << "152000099"
                                                      << "1520000"
                                                      << "";
    QTest::newRow("frequency: letter warned") << "edtF1Freq"
                                              << "15a"
                                              << "15"
                                              << "Please insert a numeric  !";
    QTest::newRow("pattern: A to D and -") << "edtF1Patten0"
                                           << "aB-9"
                                           << "aB-"
                                           << "Please input A~D or - !";
  }
  void keyFilters() {
    QFETCH(QString, field);
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    // The pattern field is usable with the "User define" tone type only.
    auto* toneType = Widget<QComboBox>("cboF1TType0");
    toneType->setCurrentIndex(2);
    emit toneType->activated(2);
    QLineEdit* edit = Edit(field);
    ClickInto(edit);
    for (const QChar key : keys) {
      if (key == '\b')
        QTest::keyClick(edit, Qt::Key_Backspace);
      else
        QTest::keyClicks(edit, QString(key));
    }
    QCOMPARE(edit->text(), shown);
    QVERIFY(edit->hasFocus());
    if (message.isEmpty()) {
      QVERIFY(Shown().empty());
    } else {
      QCOMPARE(Shown().size(), std::size_t{1});
      QCOMPARE(QString::fromStdString(Shown().back().text), message);
      QCOMPARE(QString::fromStdString(Shown().back().title), QString("Warning!"));
    }
  }

  void enableBoxGreysTheRowAndKeepsItsValues() {
    auto* enable = Widget<QCheckBox>("chkF1Call0");
    auto* priority = Widget<QCheckBox>("chkF1Priority0");
    priority->click();
    const CodePlugImage before = window_->Model().image();
    enable->click();
    QVERIFY(!enable->isChecked());
    QVERIFY(enable->isEnabled());
    for (const char* name : {"panF1Call0", "edtF1T10", "edtF1T20", "cboF1TType0", "chkF1SA0", "chkF1Priority0"}) {
      QVERIFY2(!Widget(name)->isEnabled(), name);
    }
    QCOMPARE(Edit("edtF1T10")->text(), QString("1285.8"));
    QVERIFY(priority->isChecked());
    QCOMPARE(window_->Model().image().GetBit(layout::CallEnableBits(0), 0), false);
    for (int offset = 0; offset < 512; ++offset) {
      if (offset != layout::CallEnableBits(0)) QCOMPARE(window_->Model().image()[offset], before[offset]);
    }
    enable->click();
    QVERIFY(Widget("panF1Call0")->isEnabled());
    QVERIFY(Edit("edtF1T10")->isEnabled());
    QCOMPARE(Word(layout::CallTone1Freq(0, 0)), before.GetWord(layout::CallTone1Freq(0, 0)));
  }

  void doubleClickAndF9OpenTheTableOfTheToneSystem_data() {
    QTest::addColumn<int>("system");
    QTest::addColumn<bool>("byF9");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("Standard, double-click") << 0 << false << "TForm2";
    QTest::newRow("Plectron, double-click") << 2 << false << "TfrmPlectronTbl";
    QTest::newRow("User, double-click") << 1 << false << "";
    QTest::newRow("Standard, F9") << 0 << true << "TForm2";
    QTest::newRow("Plectron, F9") << 2 << true << "TfrmPlectronTbl";
    QTest::newRow("User, F9") << 1 << true << "";
  }
  void doubleClickAndF9OpenTheTableOfTheToneSystem() {
    QFETCH(int, system);
    QFETCH(bool, byF9);
    QFETCH(QString, dialog);
    ChooseToneSystem(system);
    QLineEdit* edit = Edit("edtF1T20");
    WithToneTable(
        [&] {
          if (byF9) {
            ClickInto(edit);
            QTest::keyClick(edit, Qt::Key_F9);
          } else {
            DoubleClick(edit);
          }
        },
        Exit);
    QCOMPARE(dialogSeen_, dialog);
    QCOMPARE(Widget<QLabel>("lblF1ToneTbl")->isVisible(), system != 1);
  }

  void f9WithoutATargetDoesNothing() {
    WithToneTable([&] { QTest::keyClick(window_.get(), Qt::Key_F9); }, Exit);
    QCOMPARE(dialogSeen_, QString());
  }

  void pickLandsInTheTargetFieldOfThePageShown_data() {
    QTest::addColumn<int>("system");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("enable");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("pickBy");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("otherChannelOffset");
    QTest::addColumn<QString>("tone");
    QTest::newRow("Tone Table, F1 call 4 tone 2, Enter button")
        << 0 << 0 << "chkF1Call3"
        << "edtF1T23" << 3 << 1 << "button" << layout::CallTone2Freq(0, 3) << layout::CallTone2Freq(1, 3) << "669.9";
    QTest::newRow("Tone Table, F2 call 7 tone 2, double-click")
        << 0 << 1 << "chkF2Call6"
        << "edtF2T26" << 5 << 1 << "double-click" << layout::CallTone2Freq(1, 6) << layout::CallTone2Freq(0, 6)
        << "746.8";
    QTest::newRow("Plectron, F2 group 2, Enter key")
        << 2 << 1 << "chkF2GCall1"
        << "edtF2GT1" << 3 << 2 << "enter key" << layout::GroupToneFreq(1, 1) << layout::GroupToneFreq(0, 1) << "540.7";
    QTest::newRow("Plectron, F1 call 1 tone 1, double-click")
        << 2 << 0 << ""
        << "edtF1T10" << 0 << 0 << "double-click" << layout::CallTone1Freq(0, 0) << layout::CallTone1Freq(1, 0)
        << "282.2";
  }
  void pickLandsInTheTargetFieldOfThePageShown() {
    QFETCH(int, system);
    QFETCH(int, channel);
    QFETCH(QString, enable);
    QFETCH(QString, field);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, pickBy);
    QFETCH(int, offset);
    QFETCH(int, otherChannelOffset);
    QFETCH(QString, tone);
    ChooseToneSystem(system);
    ShowChannel(channel);
    if (!enable.isEmpty()) Widget<QCheckBox>(enable)->click();
    MessageService::Instance().ClearShown();
    const auto other = Word(otherChannelOffset);
    QLineEdit* edit = Edit(field);
    WithToneTable([&] { DoubleClick(edit); },
                  [&](ToneTableDialog* dialog) {
                    ToneGrid* grid = dialog->Grid();
                    grid->setCurrentCell(row, column);
                    QCOMPARE(dialog->CurrentTone(), tone);
                    if (pickBy == "button") {
                      dialog->findChild<QPushButton*>("btnEnter")->click();
                    } else if (pickBy == "enter key") {
                      QTest::keyClick(grid, Qt::Key_Return);
                    } else {
                      const QPoint cell = grid->visualRect(grid->model()->index(row, column)).center();
                      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
                      QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
                    }
                    QVERIFY(!dialog->isVisible());
                  });
    QVERIFY(!dialogSeen_.isEmpty());
    QCOMPARE(QString::number(Word(offset) / 10.0, 'f', 1), tone);
    QCOMPARE(edit->text(), tone);
    QCOMPARE(Word(otherChannelOffset), other);
    QVERIFY(Shown().empty());
    QVERIFY(!window_->Model().PartOf<editor::ChannelPages>().Target().IsSet() || field == "edtF1T10");
  }

  void leavingATableShowsTheStoredToneAgain_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit") << "Exit";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("close box") << "close box";
  }
  void leavingATableShowsTheStoredToneAgain() {
    QFETCH(QString, how);
    const CodePlugImage before = window_->Model().image();
    QLineEdit* edit = Edit("edtF1T20");
    WithToneTable(
        [&] {
          ClickInto(edit);
          QTest::keyClick(edit, Qt::Key_F9);
        },
        [&](ToneTableDialog* dialog) {
          dialog->Grid()->setCurrentCell(4, 4);
          if (how == "Exit")
            Exit(dialog);
          else if (how == "Escape")
            QTest::keyClick(dialog->Grid(), Qt::Key_Escape);
          else
            dialog->close();
          QVERIFY(!dialog->isVisible());
        });
    QCOMPARE(dialogSeen_, QString("TForm2"));
    QCOMPARE(edit->text(), QString("879.0"));
    QVERIFY(window_->Model().image() == before);
    QVERIFY(!window_->Model().PartOf<editor::ChannelPages>().Target().IsSet());
    QVERIFY(Shown().empty());
  }

  void gridsStartAtTheFirstToneAndKeepTheLastCell() {
    auto* standard = Widget<ToneTableDialog>("TForm2");
    auto* plectron = Widget<ToneTableDialog>("TfrmPlectronTbl");
    QCOMPARE(standard->CurrentTone(), QString("330.5"));
    QCOMPARE(plectron->CurrentTone(), QString("282.2"));
    QCOMPARE(standard->Grid()->horizontalHeaderItem(13)->text(), QString("GE C' "));
    WithToneTable([&] { DoubleClick(Edit("edtF1T20")); },
                  [](ToneTableDialog* dialog) {
                    dialog->Grid()->setCurrentCell(2, 3);
                    Exit(dialog);
                  });
    // A field that holds a tone opens the table on that tone, not on the
    // cell left current before.
    const QString tone = Edit("edtF1T20")->text().trimmed();
    QVERIFY(!tone.isEmpty());
    WithToneTable([&] { DoubleClick(Edit("edtF1T20")); },
                  [&](ToneTableDialog* dialog) {
                    QCOMPARE(dialog->CurrentTone().trimmed(), tone);
                    Exit(dialog);
                  });
    QCOMPARE(dialogSeen_, QString("TForm2"));
  }

  void cellsThatCannotBePickedNeverBecomeCurrent() {
    // The Plectron grid's last cell is empty; the "Tone Table" grid's group names are its header.
    auto* plectron = Widget<ToneTableDialog>("TfrmPlectronTbl");
    ToneGrid* grid = plectron->Grid();
    grid->setCurrentCell(4, 9);
    QCOMPARE(plectron->CurrentTone(), QString("3487.0"));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(grid->currentRow(), 4);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(5, 9)).center());
    QCOMPARE(grid->currentRow(), 4);
    QVERIFY(!grid->IsPickable(5, 9));

    auto* standard = Widget<ToneTableDialog>("TForm2");
    standard->Grid()->setCurrentCell(0, 0);
    QTest::keyClick(standard->Grid(), Qt::Key_Up);
    QCOMPARE(standard->CurrentTone(), QString("330.5"));
    QTest::mouseClick(standard->Grid()->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(80, 5));
    QCOMPARE(standard->Grid()->selectedItems().size(), 1);
  }

  void standardTableHoldsEveryStandardToneOnce() {
    ToneGrid* grid = Widget<ToneTableDialog>("TForm2")->Grid();
    std::vector<ToneValue> tones;
    for (int column = 0; column < grid->columnCount(); ++column) {
      for (int row = 0; row < grid->rowCount(); ++row) {
        tones.push_back(static_cast<ToneValue>(std::lround(grid->item(row, column)->text().toDouble() * 10)));
      }
    }
    std::sort(tones.begin(), tones.end());
    QVERIFY(std::equal(tones.begin(), tones.end(), StandardToneTable.begin(), StandardToneTable.end()));
    QCOMPARE(grid->item(5, 5)->text(), QString("1285.8"));
  }

  void mouseOverARowCommitsTheTypedTone() {
    QLineEdit* edit = Edit("edtF1T10");
    Type(edit, "1092.4");
    QVERIFY(Widget<QLabel>("lblF1ToneTbl")->isVisible());
    QWidget* panel = Widget("panF1Call0");
    const QPoint background = Background(panel, edit);
    QVERIFY(background.x() >= 0);
    QTest::mouseMove(panel, background);
    QTRY_COMPARE(int{Word(layout::CallTone1Freq(0, 0))}, 10924);
    QVERIFY(window_->FocusSink()->hasFocus());
    QVERIFY(!Widget<QLabel>("lblF1ToneTbl")->isVisible());
    QVERIFY(!window_->Model().PartOf<editor::ChannelPages>().Target().IsSet());
  }

  void mouseOverRepeatsNoRefusal() {
    QLineEdit* edit = Edit("edtF1T10");
    Type(edit, "99");
    QWidget* panel = Widget("panF1Call0");
    const QPoint background = Background(panel, edit);
    for (int move = 0; move < 3; ++move) {
      QTest::mouseMove(panel, background + QPoint(0, move - 1));
      QTest::qWait(20);
    }
    QCOMPARE(Shown().size(), std::size_t{1});
    QVERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_Backspace);  // "99." -- the field has changed, the next move commits it again
    QTest::mouseMove(panel, background);
    QTest::qWait(20);
    QCOMPARE(Shown().size(), std::size_t{2});
  }

  void mouseOverWaitsWhileASpacingConflictIsPending() {
    ChooseToneSystem(1);  // User: the spacing rule
    Widget<QCheckBox>("chkF1Call1")->click();
    QLineEdit* tone1 = Edit("edtF1T11");
    Type(tone1, "1290.0");  // too close to call 1's 1285.8
    PressEnter(tone1);
    QCOMPARE(Shown().size(), std::size_t{1});
    QVERIFY(window_->Model().PartOf<editor::ChannelPages>().PendingConflict().has_value());

    QLineEdit* tone2 = Edit("edtF1T21");
    Type(tone2, "700.0");
    QWidget* panel = Widget("panF1Call1");
    QTest::mouseMove(panel, Background(panel, tone1));
    QTRY_VERIFY(tone2->hasFocus());
    QCOMPARE(tone2->text(), QString("700.0"));
    PressEnter(tone2);
    QCOMPARE(int{Word(layout::CallTone2Freq(0, 1))}, 7000);
  }

  void mouseOverTheFrequencyGroupCommitsTheFrequency() {
    QLineEdit* edit = Edit("edtF1Freq");
    Type(edit, "1520125");
    QWidget* group = Widget("grpF1Frequency");
    QTest::mouseMove(group, QPoint(group->width() - 5, group->height() / 2));
    QTRY_VERIFY(window_->FocusSink()->hasFocus());
    QCOMPARE(edit->text(), QString("1520125"));
    QCOMPARE(int{window_->Model().image()[layout::RfSpacingCode(0)]}, 34);
  }

  void oneChannelDisablesTheF2Page() {
    Widget<QCheckBox>("chkOneChannel")->click();
    QVERIFY(!Widget("tabChannelF2")->isEnabled());
    QVERIFY(!window_->Pages()->isTabEnabled(1));
    Widget<QCheckBox>("chkOneChannel")->click();
    QVERIFY(Widget("tabChannelF2")->isEnabled());
  }
};

QTEST_MAIN(ChannelPagesTest)
#include "test_channel_pages.moc"
