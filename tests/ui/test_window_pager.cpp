// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "codeplug/TableFile.h"
#include "link/Operations.h"
#include "port/PagerLink.h"
#include "sim/PagerSim.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"

#include "GuiTestBase.h"
#include "SimFixture.h"

using namespace zt310;
using namespace zt310::ui;
using editor::Answer;
using sim::SimRequest;
using zt310::testing::GuiTestBase;
using zt310::testing::RunningSim;
using zt310::testing::SilentPty;

class WindowPagerTest : public GuiTestBase {
  Q_OBJECT

  std::vector<std::string> labels_;

  // Poll units of 1 ms: about 0.2 s per silent byte.
  void StartWindow(const QStringList& ports, bool search = false) {
    MainWindowOptions options = WindowOptions(ports);
    options.searchCradle = search;
    ShowWindow(options);
    QTRY_VERIFY(window_->PortList()->count() > 0);
    // Record the progress label as it changes, to see the final result text.
    labels_.clear();
  }
  QString ProgressLabel() { return window_->Progress().Label(); }

 private slots:
  void init() { InitTest(Answer::Ok); }
  void cleanup() { CleanupTest(); }

  void startupFindsTheCradleWithoutAMessage() {
    SilentPty silent;
    RunningSim sim;
    StartWindow({silent.device(), sim.device()}, true);
    QTRY_COMPARE_WITH_TIMEOUT(window_->PortList()->currentIndex(), 1, 5000);
    QVERIFY(Messages().Shown().empty());
    QVERIFY(window_->Link().Port().IsOpen());
  }

  void startupWithoutACradleWarnsOnce() {
    SilentPty silent;
    StartWindow({silent.device()}, true);
    QTRY_COMPARE_WITH_TIMEOUT(Messages().Shown().size(), std::size_t{1}, 8000);
    QCOMPARE(Messages().Shown()[0].text, std::string(kBoardNotRespondingText));
    QTest::qWait(100);
    QCOMPARE(Messages().Shown().size(), std::size_t{1});
    QVERIFY(window_->isEnabled());
  }

  void writeReadVerifyThroughTheMenu() {
    RunningSim sim;
    StartWindow({sim.device()});
    window_->Model().image()[layout::kGapMax] = 12;
    window_->WritePager();
    QCOMPARE(ProgressLabel(), QString(kLabelWriteSuccess));
    QCOMPARE(window_->StatusText(), QString(kStatusReady));
    QVERIFY(!window_->Progress().isVisible());
    QVERIFY(window_->isEnabled());
    QVERIFY(!window_->Link().Port().IsOpen());
    QCOMPARE(int{sim->Memory()[layout::kGapMax]}, 12);
    QCOMPARE(window_->VersionLabel()->text(), QString("FirmVer. 1.3.0"));

    window_->VerifyPager();
    QCOMPARE(ProgressLabel(), QString(kLabelVerifySuccess));

    CodePlugImage changed = sim->Memory();
    changed[layout::kGapMax] = 9;
    StoreImageChecksum(changed);
    sim->SetMemory(changed);
    window_->VerifyPager();
    QCOMPARE(ProgressLabel(), QString(kLabelVerifyFail));

    window_->ReadPager();
    QCOMPARE(ProgressLabel(), QString(kLabelReadSuccess));
    QCOMPARE(int{window_->Model().image()[layout::kGapMax]}, 9);
    QCOMPARE(window_->Model().At("edtGapMax").text, std::string("9"));
    QVERIFY(window_->isEnabled());
  }

  void writeWithoutACradleShowsTheBoardMessage() {
    SilentPty silent;
    StartWindow({silent.device()});
    window_->WritePager();
    QCOMPARE(Messages().Shown().back().text, std::string(kBoardNotRespondingText));
    QVERIFY(window_->isEnabled());
    QVERIFY(!window_->Progress().isVisible());
  }

  void aFastScanWritesAndLogs_data() {
    QTest::addColumn<int>("msPerKey");
    QTest::addColumn<bool>("programs");
    QTest::newRow("scanner") << 0 << true;
    QTest::newRow("typed by hand") << 40 << false;
  }
  void aFastScanWritesAndLogs() {
    QFETCH(int, msPerKey);
    QFETCH(bool, programs);
    for (const auto& name : QDir(dir_.path()).entryList({"*.log"})) QFile::remove(dir_.filePath(name));
    RunningSim sim;
    StartWindow({sim.device()});
    auto* field = window_->findChild<QLineEdit*>("edtSerialNo");
    field->setFocus();
    QTest::keyClicks(field, "AB1234567890", Qt::NoModifier, msPerKey);
    QTest::keyClick(field, Qt::Key_Return);
    const auto logs = QDir(dir_.path()).entryList({"*.log"});
    if (!programs) {
      QVERIFY(logs.isEmpty());
      QVERIFY(SerialNumberText(sim->Memory()).value_or("") != "AB1234567890");
      return;
    }
    QCOMPARE(logs.size(), 1);
    QFile log(dir_.filePath(logs[0]));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray content = log.readAll();
    QVERIFY(content.startsWith("-------  ZT310 Programming (Barcode) Start ------- \r\n"));
    QVERIFY(content.contains("  Serial No. = AB1234567890  Write Success !\r\n"));
    QCOMPARE(QString::fromStdString(SerialNumberText(sim->Memory()).value_or("")), QString("AB1234567890"));
    QTRY_COMPARE(window_->focusWidget(), field);
    QVERIFY(field->text().isEmpty());  // ready for the next scan
    QVERIFY(window_->isEnabled());
  }

  // ON stops the alert of an earlier test before it sounds the call chosen
  // below the pages; OFF only stops.
  void alertTestButtonsStopFirstThenSoundTheChosenCall() {
    RunningSim sim;
    StartWindow({sim.device()});
    window_->findChild<QComboBox*>("cboChannel")->setCurrentIndex(1);
    window_->findChild<QComboBox*>("cboCall")->setCurrentIndex(9);
    const auto alertRequests = [&] {
      std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> seen;
      for (const SimRequest& request : sim->Requests()) {
        const auto parsed = ParseRequest(request.bytes);
        if (parsed && parsed->address == kTestAddress) seen.emplace_back(parsed->command, parsed->payload);
      }
      return seen;
    };
    using Sent = std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>>;
    QTest::mouseClick(window_->findChild<QPushButton*>("btnAlertTestOn"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(alertRequests().size(), std::size_t{2}, 5000);
    QCOMPARE(alertRequests(), (Sent{{kCommandAlertOff, {0, 0, 0}}, {kCommandAlertOn, {2, 10, 0}}}));

    QTest::mouseClick(window_->findChild<QPushButton*>("btnAlertTestOFF"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(alertRequests().size(), std::size_t{3}, 5000);
    QCOMPARE(alertRequests().back(), (Sent::value_type{kCommandAlertOff, {0, 0, 0}}));
    QTest::qWait(200);
    QCOMPARE(alertRequests().size(), std::size_t{3});
    QVERIFY(window_->isEnabled());
  }
};

QTEST_MAIN(WindowPagerTest)
#include "test_window_pager.moc"
