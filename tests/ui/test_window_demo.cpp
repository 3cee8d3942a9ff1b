// SPDX-License-Identifier: GPL-3.0-or-later
// The window started with --demo: the simulated pager is marked in the
// caption and the port list, holds the window's image from the start, and
// its production runs log apart from the day's real log.
#include <QtTest>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>

#include "codeplug/CodePlugImage.h"
#include "link/Operations.h"
#include "ui/DemoPager.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"

#include "GuiTestBase.h"

using namespace zt310;
using namespace zt310::ui;
using zt310::testing::GuiTestBase;

class WindowDemoTest : public GuiTestBase {
  Q_OBJECT

  void StartDemo() {
    MainWindowOptions options = WindowOptions();
    options.demo = true;
    ShowWindow(options);
    QTRY_VERIFY(window_->PortList()->count() > 0);
  }

 private slots:
  void init() { InitTest(editor::Answer::Ok, Files::Remove); }
  void cleanup() { CleanupTest(); }

  // The caption and the port list say it is the demo; the device stays the tooltip.
  void theDemoIsMarked() {
    StartDemo();
    QVERIFY2(window_->windowTitle().contains("(demo)"), qPrintable(window_->windowTitle()));
    QComboBox* ports = window_->PortList();
    QCOMPARE(ports->currentIndex(), 0);
    QCOMPARE(ports->itemText(0), QString("Simulated pager (demo)"));
    QVERIFY(ports->itemData(0, Qt::ToolTipRole).toString().startsWith("/dev/"));
    for (int i = 1; i < ports->count(); ++i) QVERIFY(!ports->itemText(i).contains("demo"));
  }

  // Without --demo nothing says so.
  void aRealStartIsNotMarked() {
    ShowWindow(WindowOptions());
    QVERIFY(!window_->windowTitle().contains("demo"));
  }

  // A fresh start's Verify, from the menu, passes without a Write first.
  void aFirstVerifyPasses() {
    StartDemo();
    TriggerMenu("Verify1");
    QTRY_VERIFY(window_->isEnabled());
    const QString said = Messages().Shown().empty() ? QString()
                                                    : QString::fromStdString(Messages().Shown().front().text) + "\n" +
                                                          Messages().ShownDetails().front();
    QVERIFY2(Messages().Shown().empty(), qPrintable(said));
    QCOMPARE(window_->Progress().Label(), QString(kLabelVerifySuccess));
  }

  // A scan run against the demo pager logs into demo-log/, never beside the real logs.
  void aScanRunLogsApart() {
    StartDemo();
    auto* field = Widget<QLineEdit>("edtSerialNo");
    field->setFocus();
    QTest::keyClicks(field, "DM1234567890", Qt::NoModifier, 1);
    QTest::keyClick(field, Qt::Key_Return);
    QTRY_VERIFY(window_->isEnabled());
    QVERIFY(QDir(dir_.path()).entryList({"*.log"}, QDir::Files).isEmpty());
    const QStringList logs = QDir(Path(kDemoLogFolder)).entryList({"*.log"}, QDir::Files);
    QCOMPARE(logs.size(), 1);
    QFile log(QDir(Path(kDemoLogFolder)).filePath(logs[0]));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("  Serial No. = DM1234567890  Write Success !\r\n"));
  }
};

QTEST_MAIN(WindowDemoTest)
#include "test_window_demo.moc"
