// SPDX-License-Identifier: GPL-3.0-or-later
// The production record in the window: a scan leaves its row, a second
// scan of the same label is refused before the cradle hears anything, a
// Read says when the pager's serial number was last programmed, and
// "Production History..." lists the rows with a filter.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

#include "GuiTestBase.h"
#include "SimFixture.h"
#include "ui/ProductionRecordWindow.h"

using namespace zt310;
using namespace zt310::ui;
using zt310::testing::GuiTestBase;
using zt310::testing::RunningSim;

class WindowRecordTest : public GuiTestBase {
  Q_OBJECT

  void Scan(const QString& serial) {
    auto* field = Widget<QLineEdit>("edtSerialNo");
    field->setFocus();
    QTest::keyClicks(field, serial);
    QTest::keyClick(field, Qt::Key_Return);
    QTRY_VERIFY(window_->isEnabled());
  }
  int VisibleRows(QTableWidget* table) {
    int shown = 0;
    for (int row = 0; row < table->rowCount(); ++row) shown += table->isRowHidden(row) ? 0 : 1;
    return shown;
  }

 private slots:
  void init() {
    Begin();
    QFile::remove(Path("production.sqlite"));
  }
  void cleanup() { window_.reset(); }

  void scansAreRecordedAndARepeatIsRefused() {
    RunningSim first;
    ui::MainWindowOptions options = WindowOptions({first.device()});
    options.settingsFile = Path("settings.ini");
    {
      QSettings settings(options.settingsFile, QSettings::IniFormat);
      WriteRecordSetting(settings, {"", "line-7"});
    }
    ShowWindow(options);
    Scan("AB1234567890");
    QCOMPARE(QString::fromStdString(SerialNumberText(first->Memory()).value_or("")), QString("AB1234567890"));
    QVERIFY(QFile::exists(Path("production.sqlite")));

    // The same label at this station again, with another pager in the cradle.
    RunningSim second;
    window_->Link().SetPortNames({second.device()});
    Messages().ClearShown();
    Scan("AB1234567890");
    QVERIFY(second->Requests().empty());
    QCOMPARE(Messages().Shown().size(), std::size_t(1));
    const QString refusal = QString::fromStdString(Messages().Shown()[0].text);
    QVERIFY2(refusal.contains("was programmed") && refusal.contains("at station line-7, cradle 1"),
             qPrintable(refusal));

    // A Read of the first pager says when its number was programmed.
    window_->Link().SetPortNames({first.device()});
    window_->findChild<QAction*>("Read1")->trigger();
    QTRY_VERIFY(window_->isEnabled());
    QVERIFY2(window_->StatusText().contains("Serial No. AB1234567890 was last programmed") &&
                 window_->StatusText().contains("at station line-7, cradle 1"),
             qPrintable(window_->StatusText()));

    window_->findChild<QAction*>("ProductionHistory1")->trigger();
    auto* history = window_->findChild<ProductionHistoryDialog*>("ProductionHistory");
    QVERIFY(history);
    QVERIFY(QTest::qWaitForWindowExposed(history));
    QCOMPARE(history->table()->rowCount(), 2);
    QCOMPARE(history->table()->item(0, 6)->text().left(29), QString("Serial No. AB1234567890 was p"));
    QCOMPARE(history->table()->item(1, 6)->text(), QString("Write Success !"));
    QVERIFY2(history->yield()->text().contains("line-7: 1 good, 0 failed, 1 refused"),
             qPrintable(history->yield()->text()));
    QTest::mouseClick(history->filter(), Qt::LeftButton);
    QTest::keyClicks(history->filter(), "nothing was");
    QCOMPARE(VisibleRows(history->table()), 1);
    QVERIFY(history->table()->isRowHidden(1));
    QVERIFY2(history->yield()->text().contains("line-7: 0 good, 0 failed, 1 refused"),
             qPrintable(history->yield()->text()));
    history->close();
  }

  // A bench Write leaves its row with the firmware lblVersion showed.
  void benchWriteIsRecorded() {
    RunningSim pager;
    ui::MainWindowOptions options = WindowOptions({pager.device()});
    options.settingsFile = Path("settings-bench.ini");
    ShowWindow(options);
    window_->findChild<QAction*>("Write1")->trigger();
    QTRY_VERIFY(window_->isEnabled());
    std::string error;
    QSettings settings(options.settingsFile, QSettings::IniFormat);
    const auto opened =
        OpenRecord(ReadRecordSetting(settings), dir_.path(), record::ProductionRecord::Mode::ReadOnly, &error);
    QVERIFY2(opened, error.c_str());
    const auto rows = opened->History({}, &error);
    QVERIFY(rows && rows->size() == 1);
    QCOMPARE(rows->front().operation, std::string("write"));
    QCOMPARE(rows->front().result, std::string("Write Success !"));
    QCOMPARE(rows->front().firmware, std::string("FirmVer. 1.3.0"));
    QCOMPARE(rows->front().station, record::DefaultStation());
  }

  // A record that cannot be opened refuses the scan: nothing is sent.
  void anUnusableRecordRefusesTheScan() {
    RunningSim pager;
    ui::MainWindowOptions options = WindowOptions({pager.device()});
    options.settingsFile = Path("settings-unreachable.ini");
    {
      QSettings settings(options.settingsFile, QSettings::IniFormat);
      WriteRecordSetting(settings, {"postgresql://zt310@127.0.0.1:1/nowhere", ""});
    }
    ShowWindow(options);
    Scan("AB1234567899");
    QVERIFY(pager->Requests().empty());
    QCOMPARE(Messages().Shown().size(), std::size_t(1));
    const QString text = QString::fromStdString(Messages().Shown()[0].text);
    QVERIFY2(text.contains("PostgreSQL record \"nowhere\"") && text.contains("Nothing was programmed"),
             qPrintable(text));
  }
};

QTEST_MAIN(WindowRecordTest)
#include "test_window_record.moc"
