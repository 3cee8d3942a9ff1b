// SPDX-License-Identifier: GPL-3.0-or-later
// The fault matrix: every operation, every request it sends, every fault the
// simulated pager can inject there. Each run must end with the outcome, status
// and messages the failed request calls for (FaultExpectations.h), within the
// time-out, with the port closed, the progress window closed and the main
// window enabled. No time-out is waited out: the link stops waiting for a
// reply the simulator withheld at once.
#include <QtTest>

#include "FaultExpectations.h"
#include "test_operations_fixture.h"

using namespace zt310;
using namespace zt310::testing;
using sim::FaultKind;

class OperationFaultsTest : public QObject {
  Q_OBJECT
 private slots:
  void faultMatrix_data() {
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("kind");
    for (Op op : {Op::Write, Op::Read, Op::Verify, Op::Produce}) {
      const std::vector<Step> steps = RequestsOf(op);
      for (int request = 1; request <= static_cast<int>(steps.size()); ++request) {
        for (FaultKind kind : kAllFaults) {
          const std::string name = std::string(OpName(op)) + " request " + std::to_string(request) + " " +
                                   sim::FaultName({kind, request, 1});
          QTest::newRow(name.c_str()) << int(op) << request << int(kind);
        }
      }
    }
  }

  void faultMatrix() {
    QFETCH(int, op);
    QFETCH(int, request);
    QFETCH(int, kind);
    const Op operation = static_cast<Op>(op);
    const FaultKind fault = static_cast<FaultKind>(kind);
    OperationBench bench(WithFault(fault, request));
    if (operation == Op::Read || operation == Op::Verify) bench.TakePagerMemory();
    bench.TraceLink();

    OperationResult result;
    switch (operation) {
      case Op::Write:
        result = bench.Write();
        break;
      case Op::Read:
        result = bench.Read();
        break;
      case Op::Verify:
        result = bench.Verify();
        break;
      case Op::Produce:
        result = bench.Produce("MATRIX000001", bench.LogHere());
        break;
    }
    const Step step = RequestsOf(operation).at(static_cast<std::size_t>(request - 1));
    const FaultExpectation expected = ExpectedFor(operation, step, fault);
    QCOMPARE(result.outcome, expected.outcome);
    QCOMPARE(result.label, expected.label);
    QCOMPARE(bench.host.LastStatus(), expected.status);
    if (expected.warning.empty()) {
      QVERIFY(bench.host.warnings.empty());
    } else {
      QCOMPARE(bench.host.warnings, std::vector<std::string>{expected.warning});
    }
    // A write that failed part-way says what failed and which blocks went in:
    // those before the failed one, and that one too when only its read-back failed.
    const bool partway = expected.label == kLabelWriteFail || expected.label == kLabelVerifyFailAfterWrite;
    QCOMPARE(bench.host.partials.size(), std::size_t(partway ? 1 : 0));
    if (partway) {
      const PartialWrite& partial = bench.host.partials.front();
      QVERIFY(!partial.cause.empty());
      const std::vector<Step> steps = RequestsOf(operation);
      int blocksBefore = 0;
      for (int i = 0; i < request - 1; ++i) blocksBefore += steps[static_cast<std::size_t>(i)] == Step::WriteBlock;
      const bool writeWentIn = step == Step::ReadBack || fault == FaultKind::Flip;
      QCOMPARE(int(partial.wentIn.size()),
               writeWentIn ? blocksBefore + (step == Step::WriteBlock ? 1 : 0) : blocksBefore);
    }
    bench.VerifyEndedCleanly();
    // One time-out at most, and that one for a reply the pager withheld:
    // the run never waits for a reply after the one that failed.
    const auto [timeOuts, withheld] = bench.TimeOuts();
    QVERIFY2(timeOuts <= 1, qPrintable(QStringLiteral("%1 time-outs").arg(timeOuts)));
    QCOMPARE(withheld, timeOuts);
  }
};

QTEST_GUILESS_MAIN(OperationFaultsTest)
#include "test_operations_faults.moc"
