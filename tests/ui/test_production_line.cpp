// SPDX-License-Identifier: GPL-3.0-or-later
// The "Production Line..." window over two simulated cradles: opened from
// the Pager menu, cradles ticked, a list file chosen, started with the
// mouse; each row shows its cradle's runs as they go while the main window
// keeps answering, and every pager gets its own serial number.
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include <fstream>

#include "GuiTestBase.h"
#include "SimFixture.h"
#include "codeplug/Layout.h"
#include "ui/ProductionLineWindow.h"

using namespace zt310;
using namespace zt310::testing;

namespace {

std::string SerialIn(const CodePlugImage& memory) {
  std::string serial;
  for (int i = 0; i < layout::kSerialNumberLength && memory[layout::kSerialNumber + i] != 0; ++i) {
    serial.push_back(static_cast<char>(memory[layout::kSerialNumber + i]));
  }
  return serial;
}

QString Cell(QTableWidget* table, int row, int column) {
  const QTableWidgetItem* item = table->item(row, column);
  return item ? item->text() : QString();
}

}  // namespace

class ProductionLineTest : public GuiTestBase {
  Q_OBJECT

  // Opens the window from the Pager menu, as a click on the menu item does.
  ui::ProductionLineWindow* OpenFromMenu() {
    QAction* action = window_->findChild<QAction*>("ProductionLine1");
    if (!action) return nullptr;
    action->trigger();
    auto* line = window_->findChild<ui::ProductionLineWindow*>("ProductionLineWindow");
    if (line && !QTest::qWaitForWindowExposed(line)) return nullptr;
    return line;
  }

  // Ticks a port with the keyboard: the item made current, then Space.
  static void Tick(QListWidget* list, const QString& port) {
    const auto items = list->findItems(port, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    list->setFocus();
    list->setCurrentItem(items.first());
    QTest::keyClick(list->viewport(), Qt::Key_Space);
    QCOMPARE(items.first()->checkState(), Qt::Checked);
  }

 private slots:
  void twoCradlesFromAList() {
    Begin();
    sim::SimOptions paced;
    paced.baud = 9600;
    RunningSim one(paced);
    RunningSim two(paced);
    RunningSim notTicked;
    ShowWindow(WindowOptions({one.device(), two.device(), notTicked.device()}));

    const QStringList serials = {"LN0000000001", "LN0000000002", "LN0000000003", "LN0000000004"};
    {
      std::ofstream list(Path("serials.txt").toStdString());
      for (const QString& serial : serials) list << serial.toStdString() << "\n";
    }

    ui::ProductionLineWindow* line = OpenFromMenu();
    QVERIFY(line);
    auto* ports = line->findChild<QListWidget*>("lstCradlePorts");
    Tick(ports, one.device());
    Tick(ports, two.device());

    // List file, chosen with the keyboard in the source box.
    auto* source = line->findChild<QComboBox*>("cboSerialSource");
    source->setFocus();
    QTest::keyClick(source, Qt::Key_Down);
    QCOMPARE(source->currentText(), QString("List file"));
    auto* listFile = line->findChild<QLineEdit*>("edtSerialList");
    QTest::mouseClick(listFile, Qt::LeftButton);
    QTest::keyClicks(listFile, Path("serials.txt"));
    auto* noWait = line->findChild<QCheckBox*>("chkNoWait");
    QTest::mouseClick(noWait, Qt::LeftButton, {}, QPoint(8, noWait->height() / 2));
    QVERIFY(noWait->isChecked());

    QTest::mouseClick(line->findChild<QPushButton*>("btnStationStart"), Qt::LeftButton);
    auto* table = line->findChild<QTableWidget*>("tblCradles");
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(Cell(table, 0, ui::ProductionLineWindow::ColPort), one.device());
    QCOMPARE(Cell(table, 1, ui::ProductionLineWindow::ColPort), two.device());

    // While both run, the main window still takes a click on its pages.
    QTRY_VERIFY(Cell(table, 0, ui::ProductionLineWindow::ColState) != "Free" &&
                Cell(table, 1, ui::ProductionLineWindow::ColState) != "Free");
    QVERIFY(line->Running());
    const int page = window_->Pages()->currentIndex();
    window_->Pages()->setCurrentIndex(page == 0 ? 1 : 0);
    QTest::qWait(5);
    QCOMPARE(window_->Pages()->currentIndex(), page == 0 ? 1 : 0);

    QTRY_VERIFY_WITH_TIMEOUT(!line->Running(), 30000);
    for (int row = 0; row < 2; ++row) {
      QCOMPARE(Cell(table, row, ui::ProductionLineWindow::ColGood), QString("2"));
      QCOMPARE(Cell(table, row, ui::ProductionLineWindow::ColFailed), QString("0"));
      QCOMPARE(Cell(table, row, ui::ProductionLineWindow::ColFirmware), QString("1.3.0"));
      QCOMPARE(Cell(table, row, ui::ProductionLineWindow::ColResult), QString("Write Success !"));
    }
    // Each pager holds the last number its cradle was given.
    const QString log = line->findChild<QPlainTextEdit*>("txtStationLog")->toPlainText();
    QCOMPARE(QString::fromStdString(SerialIn(one->Memory())), Cell(table, 0, ui::ProductionLineWindow::ColSerial));
    QCOMPARE(QString::fromStdString(SerialIn(two->Memory())), Cell(table, 1, ui::ProductionLineWindow::ColSerial));
    QVERIFY(SerialIn(one->Memory()) != SerialIn(two->Memory()));
    for (const QString& serial : serials) QVERIFY2(log.contains(serial + " Write Success !"), qPrintable(log));
    QVERIFY(notTicked->Requests().empty());

    // The day's log in the start-up folder: the banner and four lines.
    const QStringList logs = QDir(dir_.path()).entryList({"*.log"}, QDir::Files);
    QCOMPARE(logs.size(), 1);
    QFile day(Path(logs[0]));
    QVERIFY(day.open(QIODevice::ReadOnly));
    QCOMPARE(day.readAll().count("Write Success !\r\n"), 4);
  }

  // A counter that would run out is refused before a cradle is asked anything.
  void counterOverflowRefused() {
    Begin();
    RunningSim one;
    ShowWindow(WindowOptions({one.device()}));
    ui::ProductionLineWindow* line = OpenFromMenu();
    QVERIFY(line);
    Tick(line->findChild<QListWidget*>("lstCradlePorts"), one.device());
    auto* source = line->findChild<QComboBox*>("cboSerialSource");
    source->setFocus();
    QTest::keyClick(source, Qt::Key_Down);
    QTest::keyClick(source, Qt::Key_Down);
    QCOMPARE(source->currentText(), QString("Counter"));
    auto* start = line->findChild<QLineEdit*>("edtSerialStart");
    QTest::mouseClick(start, Qt::LeftButton);
    QTest::keyClicks(start, "AB9999999998");
    QTest::mouseClick(line->findChild<QPushButton*>("btnStationStart"), Qt::LeftButton);
    QVERIFY(!line->Running());
    QVERIFY(line->findChild<QPlainTextEdit*>("txtStationLog")->toPlainText().contains("The counter runs out"));
    QTest::qWait(50);
    QVERIFY(one->Requests().empty());
  }
};

QTEST_MAIN(ProductionLineTest)
#include "test_production_line.moc"
