// SPDX-License-Identifier: GPL-3.0-or-later
// The window under the events a pointer and a window manager send: a
// message box closing over the window, activation coming back late, a page
// change by the tab bar, a close request or a termination signal while the
// pager is being written. Whatever happens, what is stored is what is shown
// and a transfer is never cut short.
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <csignal>

#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "editor/TopPanelModel.h"
#include "link/Operations.h"
#include "port/PagerLink.h"
#include "sim/PagerSim.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"
#include "ui/TerminationSignals.h"

#include "GuiTestBase.h"

using namespace zt310;
using namespace zt310::ui;
using editor::Answer;
using zt310::testing::GuiTestBase;

namespace {

constexpr int kChannelF1Page = 0;
constexpr int kSettingPage = 2;
constexpr int kSystemPage = 3;

enum class Command { Write, Read, Verify };

// The offscreen platform does not hand the activation back when a dialog
// closes; a window manager does, a moment after the pointer's Enter.
void Reactivate(QWidget* window) {
  window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window));
}

// What Qt dispatches when a window under a resting pointer unmaps: Enter to
// the widget under the pointer and to each of its ancestors, outermost first,
// and no mouse move.
void PointerEntersAfterABoxCloses(QWidget* window, QPoint pointer) {
  QList<QWidget*> chain;
  for (QWidget* widget = window->childAt(pointer); widget && widget != window; widget = widget->parentWidget()) {
    chain.prepend(widget);
  }
  chain.prepend(window);
  const QPointF global = window->mapToGlobal(QPointF(pointer));
  for (QWidget* widget : chain) {
    QEnterEvent enter(widget->mapFromGlobal(global), window->mapFromGlobal(global), global);
    QCoreApplication::sendEvent(widget, &enter);
  }
  QCoreApplication::processEvents();
}

// Keys go where the keyboard focus is, as on a real keyboard.
void TypeAtFocus(const QString& text) {
  QWidget* focus = QApplication::focusWidget();
  QVERIFY2(focus, "no widget has the keyboard focus");
  QTest::keyClicks(focus, text);
}

void EnterAtFocus() {
  QWidget* focus = QApplication::focusWidget();
  QVERIFY2(focus, "no widget has the keyboard focus");
  QTest::keyClick(focus, Qt::Key_Return);
  QTest::qWait(20);
}

}  // namespace

class WindowEventsTest : public GuiTestBase {
  Q_OBJECT

  void StartWindow(const QStringList& ports = {}) {
    ShowWindow(WindowOptions(ports), Until::Active);
    QTRY_VERIFY(window_->PortList()->count() > 0 || ports.isEmpty());
  }

  // Saves to a file and opens it again: the fields then show what the file holds.
  void SaveAndReopen() {
    nextFile_ = dir_.filePath("p.tbl");
    window_->SaveFileAs();
    window_->OpenFile();
  }

  // A point of the group's own background, right of its fields.
  QPoint BackgroundOf(const QString& group) const {
    QWidget* background = Widget(group);
    const QPoint point = background->mapTo(window_.get(), QPoint(background->width() - 4, background->height() - 4));
    return point;
  }

 private slots:
  void init() { InitTest(Answer::Ok); }
  void cleanup() { CleanupTest(Close::First); }

  // The box that refuses a key closes with the pointer resting over a group
  // whose mouse-over commits: the focus and the typed text stay in the field,
  // the next keys continue the edit, and the file gets what the field shows.
  void aBoxClosedOverTheWindowKeepsTheEdit_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("more");
    QTest::addColumn<QString>("shown");
    QTest::newRow("RF Delay Time") << kSystemPage << "edtRFDelay"
                                   << "grpSystem"
                                   << "12x"
                                   << "3"
                                   << "123";
    QTest::newRow("Carrier OFF Delay") << kSettingPage << "edtSquelch"
                                       << "tabSetting"
                                       << "1x"
                                       << "7"
                                       << "17";
    QTest::newRow("F1 frequency") << kChannelF1Page << "edtF1Freq"
                                  << "grpF1Frequency"
                                  << "152012x"
                                  << "5"
                                  << "1520125";
  }
  void aBoxClosedOverTheWindowKeepsTheEdit() {
    QFETCH(int, page);
    QFETCH(QString, field);
    QFETCH(QString, group);
    QFETCH(QString, typed);
    QFETCH(QString, more);
    QFETCH(QString, shown);
    StartWindow();
    ShowPage(page);
    const QPoint pointer = BackgroundOf(group);
    QTest::mouseMove(window_.get(), pointer);
    QTest::mouseClick(Widget(field), Qt::LeftButton);
    QVERIFY(Widget(field)->hasFocus());

    // A real box: closed with Enter while the pointer rests over the group.
    Messages().SetAutomatic(false);
    bool boxSeen = false;
    QTimer::singleShot(50, this, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      boxSeen = box != nullptr;
      if (box) QTest::keyClick(box, Qt::Key_Return);
    });
    TypeAtFocus(typed);
    Messages().SetAutomatic(true, Answer::Ok);
    QVERIFY(boxSeen);
    QCOMPARE(Messages().Shown().size(), std::size_t{1});
    PointerEntersAfterABoxCloses(window_.get(), pointer);
    Reactivate(window_.get());

    TypeAtFocus(more);
    QCOMPARE(Widget<QLineEdit>(field)->text(), shown);
    EnterAtFocus();
    QVERIFY(window_->FocusSink()->hasFocus());
    SaveAndReopen();
    QCOMPARE(Widget<QLineEdit>(field)->text(), shown);

    // Entering the field again starts a fresh value.
    QTest::mouseClick(Widget(field), Qt::LeftButton);
    QVERIFY(Widget<QLineEdit>(field)->text().isEmpty());
  }

  // A real pointer move over the group still commits the field.
  void aPointerMoveOverTheActiveWindowCommits() {
    StartWindow();
    ShowPage(kSystemPage);
    QTest::mouseClick(Widget("edtRFDelay"), Qt::LeftButton);
    TypeAtFocus("77");
    const QPoint pointer = BackgroundOf("grpSystem");
    QTest::mouseMove(window_.get(), pointer);
    QTest::qWait(20);
    QCOMPARE(int{window_->Model().image()[layout::kRfDelay]}, 77);
    QVERIFY(window_->FocusSink()->hasFocus());
  }

  // A file dialog has just closed and the window manager has not yet handed
  // the activation back: the field being edited still goes into the file.
  void saveRightAfterADialogStoresWhatIsShown() {
    StartWindow();
    ShowPage(kSystemPage);
    QTest::mouseClick(Widget("edtRFDelay"), Qt::LeftButton);
    TypeAtFocus("77");
    QDialog other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    other.hide();
    QVERIFY(!window_->isActiveWindow());
    nextFile_ = dir_.filePath("inactive.tbl");
    window_->SaveFileAs();
    CodePlugImage saved;
    QVERIFY(OpenTableFile(nextFile_.toStdString(), saved).status == OpenStatus::Opened);
    QCOMPARE(int{saved[layout::kRfDelay]}, 77);
    QCOMPARE(Widget<QLineEdit>("edtRFDelay")->text(), QString("77"));

    // Back in the window, clicking the field starts afresh instead of appending.
    Reactivate(window_.get());
    QTest::mouseClick(Widget("edtRFDelay"), Qt::LeftButton);
    QVERIFY(Widget<QLineEdit>("edtRFDelay")->text().isEmpty());
  }

  // Changing the page by the tab bar or the keyboard commits the field being
  // edited and enters no field of the new page; a refused field keeps its page.
  void changingPageEntersNoField_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");  // the refused field's text
    QTest::newRow("tone committed") << "1092.4"
                                    << "";
    QTest::newRow("tone refused") << "99"
                                  << "99.0";
  }
  void changingPageEntersNoField() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    StartWindow();
    auto* tone = Widget<QLineEdit>("edtF1T10");
    QTest::mouseClick(tone, Qt::LeftButton);
    TypeAtFocus(typed);
    QTabBar* bar = window_->Pages()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(kSystemPage).center());
    QTest::qWait(30);

    if (!kept.isEmpty()) {
      QCOMPARE(window_->Pages()->currentIndex(), kChannelF1Page);
      QCOMPARE(Messages().Shown().size(), std::size_t{1});
      QTRY_VERIFY(tone->hasFocus());
      QCOMPARE(tone->text(), kept);
      return;
    }
    QCOMPARE(window_->Pages()->currentIndex(), kSystemPage);
    QVERIFY(Messages().Shown().empty());
    QCOMPARE(int{window_->Model().image().GetWord(layout::CallTone1Freq(0, 0))}, 10924);
    QVERIFY(window_->FocusSink()->hasFocus());
    for (QLineEdit* edit : window_->Pages()->currentWidget()->findChildren<QLineEdit*>()) {
      if (window_->Model().Has(edit->objectName().toStdString()) && edit->isVisible()) {
        QVERIFY2(!edit->text().isEmpty(), qPrintable(edit->objectName()));
      }
    }
  }

  // A window manager's close request (title-bar X, Alt+F4) while the pager
  // is being programmed does not cut the transfer short: the window stays,
  // and once the operation has ended it closes normally.
  void closeRequestDuringAnOperationWaits_data() {
    QTest::addColumn<int>("command");
    QTest::newRow("Write") << int(Command::Write);
    QTest::newRow("Read") << int(Command::Read);
    QTest::newRow("Verify") << int(Command::Verify);
  }
  void closeRequestDuringAnOperationWaits() {
    QFETCH(int, command);
    sim::SimOptions simOptions;
    simOptions.baud = 9600;  // a transfer long enough to be interrupted
    sim::PagerSimulator pager(simOptions);
    std::string error;
    QVERIFY2(pager.Open(&error), error.c_str());
    pager.Start();
    StartWindow({QString::fromStdString(pager.DevicePath())});
    window_->Model().image()[layout::kGapMax] = 12;
    if (Command(command) == Command::Verify) {
      StoreImageChecksum(window_->Model().image());
      pager.SetMemory(window_->Model().image());
    }

    bool requested = false;
    QTimer poll;
    poll.setInterval(2);
    connect(&poll, &QTimer::timeout, this, [&] {
      QProgressBar* gauge = window_->Progress().Gauge();
      if (requested || !window_->Progress().isVisible() || gauge->value() < gauge->minimum() + 2) return;
      requested = true;
      RequestClose();
    });
    poll.start();
    switch (Command(command)) {
      case Command::Write:
        window_->WritePager();
        break;
      case Command::Read:
        window_->ReadPager();
        break;
      case Command::Verify:
        window_->VerifyPager();
        break;
    }
    poll.stop();

    QVERIFY(requested);
    const char* success[] = {kLabelWriteSuccess, kLabelReadSuccess, kLabelVerifySuccess};
    QCOMPARE(window_->Progress().Label(), QString(success[command]));
    if (Command(command) != Command::Read) QCOMPARE(int{pager.Memory()[layout::kGapMax]}, 12);
    QVERIFY(window_->isVisible());
    QVERIFY(window_->isEnabled());
    QVERIFY(!window_->Link().Port().IsOpen());
    QVERIFY(window_->close());
    pager.Stop();
  }

  // The start-up search for the cradle talks to the ports too: a close
  // request waits until it has ended.
  void closeRequestDuringTheCradleSearchWaits() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);  // a port where nothing answers
    QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    MainWindowOptions options = WindowOptions({QString::fromLocal8Bit(::ptsname(master))});
    options.searchCradle = true;
    window_ = std::make_unique<MainWindow>(options);
    bool requested = false;
    QTimer poll;
    poll.setInterval(2);
    connect(&poll, &QTimer::timeout, this, [&] {
      auto* splash = window_->findChild<SplashWindow*>();
      if (requested || !splash || !splash->isVisible()) return;
      requested = true;
      RequestClose();
    });
    poll.start();
    window_->show();
    QTRY_COMPARE_WITH_TIMEOUT(Messages().Shown().size(), std::size_t{1}, 10000);
    poll.stop();
    QVERIFY(requested);
    QCOMPARE(Messages().Shown()[0].text, std::string(kBoardNotRespondingText));
    QVERIFY(window_->isVisible());
    QVERIFY(window_->close());
    ::close(master);
  }

  // SIGTERM while the pager is written: the write completes, or a pending
  // question abandons it before the first block; only then, with the port
  // closed, may the program end.
  void terminationWaitsForTheOperation_data() {
    QTest::addColumn<bool>("bandQuestion");
    QTest::newRow("during the transfer") << false;
    QTest::newRow("during the band question") << true;
  }
  void terminationWaitsForTheOperation() {
    QFETCH(bool, bandQuestion);
    sim::SimOptions simOptions;
    simOptions.baud = 9600;
    simOptions.narrowBand = bandQuestion;
    sim::PagerSimulator pager(simOptions);
    std::string error;
    QVERIFY2(pager.Open(&error), error.c_str());
    pager.Start();
    const CodePlugImage before = pager.Memory();
    StartWindow({QString::fromStdString(pager.DevicePath())});
    window_->Model().image()[layout::kGapMax] = 12;

    TerminationSignals termination({SIGTERM});
    QVERIFY(termination.Installed());
    connect(&termination, &TerminationSignals::Requested, window_.get(), &MainWindow::RequestQuit);
    int quits = 0;
    bool safe = false;
    connect(window_.get(), &MainWindow::ReadyToQuit, this, [&] {
      ++quits;
      safe = !window_->OperationRunning() && !window_->Link().Port().IsOpen();
    });

    bool raised = false;
    QTimer poll;
    poll.setInterval(2);
    connect(&poll, &QTimer::timeout, this, [&] {
      if (raised) return;
      const bool question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
      QProgressBar* gauge = window_->Progress().Gauge();
      const bool midTransfer = window_->Progress().isVisible() && gauge->value() >= gauge->minimum() + 2;
      if (bandQuestion ? question : midTransfer) {
        raised = true;
        std::raise(SIGTERM);
      }
    });
    poll.start();
    if (bandQuestion) Messages().SetAutomatic(false);  // a real box waits for an answer
    window_->WritePager();
    poll.stop();

    QVERIFY(raised);
    QCOMPARE(quits, 1);
    QVERIFY(safe);
    if (bandQuestion) {
      QVERIFY(pager.Memory() == before);  // abandoned before the first block
      QCOMPARE(window_->StatusText(), QString(kStatusReadyAbandoned));
    } else {
      QCOMPARE(window_->Progress().Label(), QString(kLabelWriteSuccess));
      QCOMPARE(int{pager.Memory()[layout::kGapMax]}, 12);
    }
    pager.Stop();
  }

  // The window fits a 1024 x 768 screen with a title bar and a panel: the
  // pages scroll instead of holding the window large, the open port list
  // shows long device names whole, and the Serial No. group stays in place
  // when a firmware version appears.
  void windowFitsASmallScreen() {
    const QString longName = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    StartWindow({longName});
    const QSize minimum = window_->minimumSizeHint().expandedTo(window_->minimumSize());
    QVERIFY2(minimum.width() <= 1000 && minimum.height() <= 700,
             qPrintable(QString("%1 x %2").arg(minimum.width()).arg(minimum.height())));
    window_->resize(1000, 700);
    QTest::qWait(20);
    QCOMPARE(window_->size(), QSize(1000, 700));

    QComboBox* ports = window_->PortList();
    QCOMPARE(ports->itemText(0), longName);
    QVERIFY(ports->view()->minimumWidth() >= ports->fontMetrics().horizontalAdvance(longName));
    QCOMPARE(ports->toolTip(), longName);

    QWidget* serialNo = Widget("grpSerialNo");
    const QPoint before = serialNo->pos();
    window_->Model().PartOf<editor::TopPanelModel>().ShowFirmwareVersion(1, 3, 0);
    window_->RefreshFromModel();
    QTest::qWait(20);
    QVERIFY(window_->VersionLabel()->isVisible());
    QCOMPARE(serialNo->pos(), before);
  }

  // Idle, a termination request ends the program at once with the port closed.
  void terminationWhenIdleQuitsAtOnce() {
    StartWindow();
    QSignalSpy ready(window_.get(), &MainWindow::ReadyToQuit);
    window_->RequestQuit();
    QCOMPARE(ready.count(), 1);
    QVERIFY(!window_->Link().Port().IsOpen());
  }
};

QTEST_MAIN(WindowEventsTest)
#include "test_window_events.moc"
