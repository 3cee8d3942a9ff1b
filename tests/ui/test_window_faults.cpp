// SPDX-License-Identifier: GPL-3.0-or-later
// The fault matrix in the window: each Pager menu command against the
// simulated pager failing at each step before the transfer and at its first
// block, one fault per step, and once slow. Whatever happens, the window ends
// enabled, the progress window closed, the port closed, and the status,
// progress label and warning say what the operation says
// (FaultExpectations.h). Every fault at every request is the operations'
// own matrix's work: the window only has to show what they end with.
#include <QtTest>

#include <QAction>
#include <QTemporaryDir>

#include <map>
#include <optional>

#include "FaultExpectations.h"
#include "link/Operations.h"
#include "port/PagerLink.h"
#include "sim/PagerSim.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"

#include "GuiTestBase.h"
#include "SimFixture.h"

using namespace zt310;
using namespace zt310::testing;
using namespace zt310::ui;
using editor::Answer;
using sim::FaultKind;

namespace {

// The steps of a command up to its first transferred block, in order.
std::vector<Step> StepsBeforeSecondBlock(Op op) {
  std::vector<Step> steps;
  for (Step step : RequestsOf(op)) {
    if (std::find(steps.begin(), steps.end(), step) != steps.end()) break;
    steps.push_back(step);
  }
  return steps;
}

}  // namespace

class WindowFaultsTest : public GuiTestBase {
  Q_OBJECT

 private slots:
  void init() { InitTest(Answer::Ok); }
  void cleanup() { CleanupTest(); }

  // Each step gets the fault that makes it fail which was used least so far;
  // each command also meets a slow pager at its first block and succeeds.
  void pagerCommandUnderFault_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("kind");
    std::map<FaultKind, int> used;
    const auto addRow = [](Op command, Step step, int request, FaultKind kind) {
      const std::string name =
          std::string(OpName(command)) + ", " + StepName(step) + ": " + sim::FaultName({kind, request, 1});
      QTest::newRow(name.c_str()) << int(command) << request << int(kind);
    };
    for (Op command : {Op::Write, Op::Read, Op::Verify}) {
      const std::vector<Step> steps = StepsBeforeSecondBlock(command);
      for (int request = 1; request <= static_cast<int>(steps.size()); ++request) {
        const Step step = steps[static_cast<std::size_t>(request - 1)];
        std::optional<FaultKind> pick;
        for (FaultKind kind : kAllFaults) {
          if (ExpectedFor(command, step, kind).outcome == OperationOutcome::Success) continue;
          if (!pick || used[kind] < used[*pick]) pick = kind;
        }
        QVERIFY(pick);
        ++used[*pick];
        addRow(command, step, request, *pick);
      }
      addRow(command, steps.back(), static_cast<int>(steps.size()), FaultKind::Slow);
    }
  }

  void pagerCommandUnderFault() {
    QFETCH(int, command);
    QFETCH(int, request);
    QFETCH(int, kind);
    const Op menu = static_cast<Op>(command);
    const FaultKind fault = static_cast<FaultKind>(kind);

    sim::SimOptions options;
    options.faults.push_back({fault, request, fault == FaultKind::Slow ? 1 : 0});
    RunningSim pager(options);

    MainWindowOptions windowOptions = WindowOptions({pager.device()});
    QTemporaryDir settings;
    windowOptions.settingsFile = settings.filePath("settings.ini");
    ShowWindow(windowOptions);
    MainWindow& window = *window_;
    window.Link().SetReplyWithheldCheck(ReplyWithheldBy(*pager));
    // The faults count the command's own requests: no backup read before Write.
    window.findChild<QAction*>("BackUpBeforeWrite1")->setChecked(false);
    // Verify compares against a pager that holds what the window shows.
    if (menu == Op::Verify) {
      StoreImageChecksum(window.Model().image());
      pager->SetMemory(window.Model().image());
    }

    switch (menu) {
      case Op::Write:
        window.WritePager();
        break;
      case Op::Read:
        window.ReadPager();
        break;
      case Op::Verify:
        window.VerifyPager();
        break;
      case Op::Produce:
        QFAIL("production has no Pager menu command");
        break;
    }

    const Step step = RequestsOf(menu).at(static_cast<std::size_t>(request - 1));
    const FaultExpectation expected = ExpectedFor(menu, step, fault);
    QVERIFY(window.isEnabled());
    QVERIFY(!window.Progress().isVisible());
    QVERIFY(!window.Link().Port().IsOpen());
    QCOMPARE(window.StatusText(), QString::fromStdString(expected.status));
    if (!expected.label.empty()) QCOMPARE(window.Progress().Label(), QString::fromStdString(expected.label));
    std::vector<std::string> warnings;
    for (const auto& message : Messages().Shown()) warnings.push_back(message.text);
    const std::vector<std::string> expectedWarnings =
        expected.warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{expected.warning};
    if (expected.saysWhy) {
      QCOMPARE(warnings.size(), std::size_t{1});
      QVERIFY2(!warnings[0].empty() && warnings[0].rfind("The pager holds other data", 0) != 0, warnings[0].c_str());
    } else {
      QCOMPARE(warnings, expectedWarnings);
    }
    window_.reset();
  }
};

QTEST_MAIN(WindowFaultsTest)
#include "test_window_faults.moc"
