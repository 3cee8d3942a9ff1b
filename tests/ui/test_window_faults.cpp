// The fault matrix in the window: each Pager menu command against the
// simulated pager failing in each way it can, at each step before the
// transfer and at its first block. Whatever happens, the window ends
// enabled, the progress window closed, the port closed, and the status,
// progress label and warning say what the operation says.
#include <QtTest>

#include <QAction>
#include <QTemporaryDir>

#include <QTemporaryDir>

#include "link/Operations.h"
#include "port/PagerLink.h"
#include "sim/PagerSim.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"

using namespace zt310;
using namespace zt310::ui;
using editor::Answer;
using sim::FaultKind;

namespace {

enum class Command { Write, Read, Verify };
enum class Step { Probe, Identity, Band, Serial, WriteBlock, ReadBack, ReadBlock };

const char* CommandName(Command command) {
  switch (command) {
    case Command::Write: return "Write";
    case Command::Read: return "Read";
    case Command::Verify: return "Verify";
  }
  return "?";
}

const char* StepName(Step step) {
  switch (step) {
    case Step::Probe: return "probe";
    case Step::Identity: return "identity";
    case Step::Band: return "band";
    case Step::Serial: return "serial";
    case Step::WriteBlock: return "first write";
    case Step::ReadBack: return "first read-back";
    case Step::ReadBlock: return "first read";
  }
  return "?";
}

// The requests of each command up to its first transferred block, in order.
std::vector<Step> StepsOf(Command command) {
  switch (command) {
    case Command::Write: return {Step::Probe, Step::Identity, Step::Band, Step::Serial, Step::WriteBlock, Step::ReadBack};
    case Command::Read: return {Step::Probe, Step::Identity, Step::Serial, Step::ReadBlock};
    case Command::Verify: return {Step::Probe, Step::Identity, Step::Serial, Step::ReadBack};
  }
  return {};
}

struct Ending {
  std::string status;
  std::string label;    // progress label; empty when the run was abandoned before a transfer
  std::string warning;  // the one warning shown, if any
  bool saysWhy = false; // a failed Verify says what failed on the link, in one box
};

Ending Success(Command command) {
  switch (command) {
    case Command::Write: return {kStatusReady, kLabelWriteSuccess, {}};
    case Command::Read: return {kStatusReady, kLabelReadSuccess, {}};
    case Command::Verify: return {kStatusReady, kLabelVerifySuccess, {}};
  }
  return {};
}

Ending FailureAt(Command command, Step step) {
  if (step == Step::Probe) {
    return {command == Command::Read ? kStatusReadyAbandoned : kStatusReady, {}, kBoardNotRespondingText};
  }
  if (command == Command::Verify) {
    const bool early = step != Step::ReadBack;
    return {early ? kStatusReadyAbandoned : kStatusReady, kLabelVerifyFail, {}, true};
  }
  switch (step) {
    case Step::Identity: return {kStatusReadyAbandoned, {}, kReadFirmwareFailText};
    case Step::Band: return {kStatusReadyAbandoned, {}, kReadBandwidthFailText};
    case Step::Serial: return {kStatusReadyAbandoned, {}, kReadSerialFailText};
    case Step::WriteBlock: return {kStatusReady, kLabelWriteFail, {}};
    case Step::ReadBack: return {kStatusReady, kLabelVerifyFailAfterWrite, {}};
    case Step::ReadBlock: return {kStatusReady, kLabelReadFail, {}};
    default: return {};
  }
}

Ending EndingFor(Command command, Step step, FaultKind kind) {
  switch (kind) {
    case FaultKind::Slow: return Success(command);
    // Only a write is acknowledged.
    case FaultKind::BadAck: return step == Step::WriteBlock ? FailureAt(command, step) : Success(command);
    // The pager stores a wrong byte and acknowledges; the read-back finds it.
    case FaultKind::Flip: return step == Step::WriteBlock ? FailureAt(command, Step::ReadBack) : Success(command);
    default: return FailureAt(command, step);
  }
}

const FaultKind kAllFaults[] = {FaultKind::Drop, FaultKind::Short,  FaultKind::Corrupt, FaultKind::BadAck,
                                FaultKind::Flip, FaultKind::Unplug, FaultKind::Slow,    FaultKind::Garbage};

}  // namespace

class WindowFaultsTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  MessageService& Messages() { return MessageService::Instance(); }

 private slots:
  void init() {
    QDir::setCurrent(dir_.path());
    Messages().ClearShown();
    Messages().SetAutomatic(true, Answer::Ok);
  }

  void pagerCommandUnderFault_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("kind");
    for (Command command : {Command::Write, Command::Read, Command::Verify}) {
      const std::vector<Step> steps = StepsOf(command);
      for (int request = 1; request <= static_cast<int>(steps.size()); ++request) {
        for (FaultKind kind : kAllFaults) {
          const std::string name = std::string(CommandName(command)) + ", " +
                                   StepName(steps[static_cast<std::size_t>(request - 1)]) + ": " +
                                   sim::FaultName({kind, request, 1});
          QTest::newRow(name.c_str()) << int(command) << request << int(kind);
        }
      }
    }
  }

  void pagerCommandUnderFault() {
    QFETCH(int, command);
    QFETCH(int, request);
    QFETCH(int, kind);
    const Command menu = static_cast<Command>(command);
    const FaultKind fault = static_cast<FaultKind>(kind);

    sim::SimOptions options;
    options.faults.push_back({fault, request, fault == FaultKind::Slow ? 1 : 0});
    sim::PagerSimulator pager(options);
    std::string error;
    QVERIFY2(pager.Open(&error), error.c_str());
    pager.Start();

    MainWindowOptions windowOptions;
    windowOptions.ports = {QString::fromStdString(pager.DevicePath())};
    windowOptions.searchCradle = false;
    windowOptions.pollUnitMs = 1.0;
    windowOptions.waitScale = 0.05;
    QTemporaryDir settings;
    windowOptions.settingsFile = settings.filePath("settings.ini");
    MainWindow window(windowOptions);
    // The faults count the command's own requests: no backup read before Write.
    window.findChild<QAction*>("BackUpBeforeWrite1")->setChecked(false);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Verify compares against a pager that holds what the window shows.
    if (menu == Command::Verify) {
      StoreImageChecksum(window.Model().image());
      pager.SetMemory(window.Model().image());
    }

    switch (menu) {
      case Command::Write: window.WritePager(); break;
      case Command::Read: window.ReadPager(); break;
      case Command::Verify: window.VerifyPager(); break;
    }

    const Step step = StepsOf(menu).at(static_cast<std::size_t>(request - 1));
    const Ending expected = EndingFor(menu, step, fault);
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
    pager.Stop();
  }
};

QTEST_MAIN(WindowFaultsTest)
#include "test_window_faults.moc"
