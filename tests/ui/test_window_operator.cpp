// SPDX-License-Identifier: GPL-3.0-or-later
// The window as a line operator and a keyboard user drive it: results that
// stay on screen, scans that are refused in sight and never half kept, and
// the keyboard focus following the work. Real key and mouse events on the
// real widgets, a simulated pager behind a pseudo-terminal.
#include <QtTest>

#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

#include "codeplug/TableFile.h"
#include "link/Operations.h"
#include "sim/PagerSim.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"
#include "ui/ResultStrip.h"

#include "GuiTestBase.h"
#include "SimFixture.h"

using namespace zt310;
using namespace zt310::ui;
using zt310::testing::GuiTestBase;
using zt310::testing::RunningSim;

class WindowOperatorTest : public GuiTestBase {
  Q_OBJECT

  void StartWindow(const QStringList& ports = {}) {
    MainWindowOptions options = WindowOptions(ports);
    options.settingsFile = Path("settings.ini");
    QFile::remove(options.settingsFile);  // the sound on, whatever a test before switched
    ShowWindow(options, Until::Active);
    QTRY_VERIFY(window_->FocusSink()->hasFocus());
    window_->Results().SetBeep([] {});  // counted, not sounded
  }
  QLineEdit* SerialField() const { return Widget<QLineEdit>("edtSerialNo"); }
  void Scan(const QString& text) {
    QLineEdit* field = SerialField();
    if (!field->hasFocus()) ClickInto(field);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
  }
  static void KeyAtFocus(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus);
    QTest::keyClick(focus, key, modifiers);
  }
  QStringList Logs() const { return QDir(dir_.path()).entryList({"*.log"}); }
  // The day's logs and the production record go: a test may program a
  // serial number that one before it programmed already.
  void ForgetRuns() {
    for (const QString& file : QDir(dir_.path()).entryList({"*.log", "production.sqlite*"})) QFile::remove(Path(file));
  }
  // The number of the last write of a good run of OPERATION: a fault there
  // fails it after everything else went well.
  template <typename Operation>
  int LastWriteOfGoodRun(Operation operation) {
    RunningSim sim;
    StartWindow({sim.device()});
    operation();
    int last = 0;
    for (const sim::SimRequest& request : sim->Requests()) {
      if (request.description.rfind("write", 0) == 0) last = request.number;
    }
    window_.reset();
    ForgetRuns();
    return last;
  }
  // docs/make-screenshots.sh asks for the user guide's pictures.
  void Picture(const QString& name) {
    const QString folder = qEnvironmentVariable("ZT310_PICTURES");
    if (!folder.isEmpty()) QVERIFY(window_->grab().save(folder + "/" + name));
  }

 private slots:
  void init() {
    Begin();
    ForgetRuns();
  }
  void cleanup() {
    window_.reset();
    Messages().SetAutomatic(true, editor::Answer::Ok);
  }

  // A failed scan run stays red on screen with the serial number, after the
  // progress window has gone and the status line says "Ready" again; the
  // next scan clears it and a good run shows green.
  void aFailedScanRunStaysRedUntilTheNextScan() {
    const int requests = LastWriteOfGoodRun([this] { Scan("AB1234567890"); });
    QVERIFY(requests > 2);
    RunningSim sim(testing::SimFault(sim::FaultKind::Flip, requests));
    StartWindow({sim.device()});
    Scan("AB1234567890");
    QTRY_VERIFY(window_->isEnabled());
    QVERIFY(!window_->Progress().isVisible());
    QCOMPARE(window_->StatusText(), QString(kStatusReady));
    ResultStrip& strip = window_->Results();
    QVERIFY2(strip.Failed(), qPrintable(strip.text()));
    QVERIFY2(strip.text().contains("AB1234567890") && strip.text().contains("Fail !"), qPrintable(strip.text()));
    QCOMPARE(strip.Beeps(), 1);
    QTest::qWait(600);  // longer than the result pause: still there
    QVERIFY(strip.Failed());
    QCOMPARE(QApplication::focusWidget(), SerialField());
    Picture("result-strip-failure.png");

    Scan("AB1234567891");
    QTRY_VERIFY(window_->isEnabled());
    QVERIFY2(!strip.Failed(), qPrintable(strip.text()));
    QVERIFY2(strip.text().contains("AB1234567891") && strip.text().contains("Write Success !"),
             qPrintable(strip.text()));
    Picture("result-strip-success.png");
  }

  // A failed bench Write: red with the file, and the box says what the pager holds.
  void aFailedWriteStaysRed() {
    const int requests = LastWriteOfGoodRun([this] { window_->WritePager(); });
    RunningSim sim(testing::SimFault(sim::FaultKind::Drop, requests));
    StartWindow({sim.device()});
    KeyAtFocus(Qt::Key_F4);
    QTRY_VERIFY(window_->isEnabled());
    ResultStrip& strip = window_->Results();
    QVERIFY2(strip.Failed() && strip.text().contains("default.tbl"), qPrintable(strip.text()));
    QCOMPARE(strip.Beeps(), 1);
    QTest::qWait(600);
    QVERIFY(strip.Failed());

    // Switched off in the menu, a failure is silent but still red.
    Widget<QAction>("SoundOnFailure1")->trigger();
    KeyAtFocus(Qt::Key_F4);
    QTRY_VERIFY(window_->isEnabled());
    QCOMPARE(strip.Beeps(), 1);
  }

  // Too short, a blank inside, typed by hand: refused in sight with the text
  // received, the field emptied and kept in focus, nothing sent or logged;
  // the next good scan programs exactly itself.
  void refusedScansLeaveNothingBehind_data() {
    QTest::addColumn<QString>("scan");
    QTest::addColumn<int>("msPerKey");
    QTest::addColumn<QString>("rule");
    QTest::newRow("seven characters") << "ABC1234" << 0 << "too short";
    QTest::newRow("typed by hand") << "AB1234567890" << 40 << "typed by hand";
  }
  void refusedScansLeaveNothingBehind() {
    QFETCH(QString, scan);
    QFETCH(int, msPerKey);
    QFETCH(QString, rule);
    RunningSim sim;
    StartWindow({sim.device()});
    QLineEdit* field = SerialField();
    ClickInto(field);
    QTest::keyClicks(field, scan, Qt::NoModifier, msPerKey);
    QTest::keyClick(field, Qt::Key_Return);
    ResultStrip& strip = window_->Results();
    QVERIFY2(strip.Failed() && strip.text().contains(scan) && strip.text().contains(rule), qPrintable(strip.text()));
    QVERIFY2(window_->StatusText().contains(rule) && window_->StatusText().contains(scan),
             qPrintable(window_->StatusText()));
    QCOMPARE(strip.Beeps(), 1);
    QVERIFY(field->text().isEmpty());
    QVERIFY(field->hasFocus());
    QVERIFY(sim->Requests().empty());
    QVERIFY(Logs().isEmpty());

    Scan("CD9876543210");
    QTRY_VERIFY(window_->isEnabled());
    QCOMPARE(QString::fromStdString(SerialNumberText(sim->Memory()).value_or("")), QString("CD9876543210"));
    QVERIFY2(!strip.Failed(), qPrintable(strip.text()));
  }

  // A scan arriving while Write runs is refused in sight once it is complete,
  // and nothing of it reaches the pager or the log.
  void aScanDuringWriteIsRefusedInSight() {
    RunningSim sim(testing::SimTurnaround(15));
    StartWindow({sim.device()});
    bool typed = false;
    QTimer::singleShot(150, this, [&] {
      QVERIFY(window_->OperationRunning());
      QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : SerialField();
      QTest::keyClicks(target, "EF5555555555");
      QTest::keyClick(target, Qt::Key_Return);
      typed = true;
    });
    window_->WritePager();
    QVERIFY(typed);
    ResultStrip& strip = window_->Results();
    QVERIFY2(strip.text().contains("Write Success !") && strip.text().contains("EF5555555555") &&
                 strip.text().contains("busy"),
             qPrintable(strip.text()));
    QVERIFY(strip.Failed());  // the refused scan needs the operator's eye
    QVERIFY2(window_->StatusText().contains("EF5555555555"), qPrintable(window_->StatusText()));
    QCOMPARE(strip.Beeps(), 1);
    QVERIFY(SerialNumberText(sim->Memory()).value_or("") != "EF5555555555");
    QVERIFY(SerialField()->text().isEmpty());
    QVERIFY(Logs().isEmpty());
  }

  // F4 from a field: the pager is written and the focus is back in the field.
  void focusComesBackAfterF4() {
    RunningSim sim;
    StartWindow({sim.device()});
    auto* field = Widget<QLineEdit>("edtRFDelay");
    ShowPageOf(field);
    ClickInto(field);
    KeyAtFocus(Qt::Key_F4);
    QTRY_VERIFY(window_->isEnabled());
    QVERIFY(window_->Results().text().contains("Write Success !"));
    QTRY_COMPARE(QApplication::focusWidget(), field);
  }

  // Enter commits into the focus sink; Tab then goes on to the next field
  // and Shift+Tab from there comes back.
  void tabAfterEnterGoesToTheNextField() {
    StartWindow();
    TypeInto("edtRFDelay", "7");
    auto* field = Widget<QLineEdit>("edtRFDelay");
    KeyAtFocus(Qt::Key_Tab);
    QWidget* next = QApplication::focusWidget();
    QVERIFY(next && next != field && next != window_->FocusSink());
    QCOMPARE(window_->Pages()->indexOf(window_->Pages()->currentWidget()), window_->Pages()->currentIndex());
    QVERIFY2(window_->Pages()->currentWidget()->isAncestorOf(next), qPrintable(next->objectName()));
    KeyAtFocus(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), field);
  }

  // Ctrl+Tab goes round every page shown, the focus on the page's first
  // field; Ctrl+Shift+Tab goes back.
  void ctrlTabToursThePages() {
    StartWindow();
    QTabWidget* pages = window_->Pages();
    pages->setTabVisible(pages->count() - 1, true);  // the Advance Setting page, once unlocked
    QCOMPARE(pages->currentIndex(), 0);
    for (int step = 1; step <= pages->count(); ++step) {
      KeyAtFocus(Qt::Key_Tab, Qt::ControlModifier);
      QCOMPARE(pages->currentIndex(), step % pages->count());
      QWidget* focus = QApplication::focusWidget();
      QVERIFY2(focus && pages->currentWidget()->isAncestorOf(focus), focus ? qPrintable(focus->objectName()) : "none");
    }
    KeyAtFocus(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(pages->currentIndex(), pages->count() - 1);
    QVERIFY(pages->currentWidget()->isAncestorOf(QApplication::focusWidget()));
  }

  // Undo brings the page of the changed field to the front.
  void undoShowsThePageOfTheChange() {
    StartWindow();
    TypeInto("edtRFDelay", "7");
    const int page = window_->Pages()->currentIndex();
    window_->Pages()->setCurrentIndex(0);
    KeyAtFocus(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window_->Pages()->currentIndex(), page);
    window_->Pages()->setCurrentIndex(0);
    KeyAtFocus(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(window_->Pages()->currentIndex(), page);
  }

  // Opening what is no readable file names the file and the reason under the usual text.
  void openErrorsNameTheFileAndTheReason_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("folder") << QString("FOLDER");
    QTest::newRow("missing") << QString("MISSING");
    QTest::newRow("device") << QString("/dev/zero");
  }
  void openErrorsNameTheFileAndTheReason() {
    QFETCH(QString, path);
    if (path == "FOLDER") path = dir_.path();
    if (path == "MISSING") path = Path("missing.tbl");
    StartWindow();
    Messages().ClearShown();
    window_->OpenFileAt(path);
    QCOMPARE(Messages().Shown().size(), std::size_t{1});
    const QString text = QString::fromStdString(Messages().Shown()[0].text);
    QVERIFY2(text.startsWith(kFileErrorText) && text.contains(path + ": "), qPrintable(text));
    QCOMPARE(window_->windowTitle(), ProgramCaption());
  }

  // A Save As that fails leaves the caption, the unsaved mark and the history.
  void aFailedSaveAsChangesNothing() {
    StartWindow();
    TypeInto("edtRFDelay", "7");
    const QString title = window_->windowTitle();
    QVERIFY(title.startsWith('*'));
    nextFile_ = Path("no-such-folder/new.tbl");
    window_->SaveFileAs();
    QCOMPARE(window_->windowTitle(), title);
    QVERIFY(window_->HasUnsavedChanges());
    QCOMPARE(window_->SaveTarget(), QString(kDefaultTableName));
    QVERIFY(Widget<QAction>("Undo1")->isEnabled());
  }
};

QTEST_MAIN(WindowOperatorTest)
#include "test_window_operator.moc"
