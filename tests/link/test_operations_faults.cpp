// The fault matrix: every operation, every request it sends, every fault the
// simulated pager can inject there. Each run must end with the outcome the
// failed request calls for, within the time-out, with the port closed, the
// progress window closed and the main window enabled.
#include <QElapsedTimer>
#include <QtTest>

#include "test_operations_fixture.h"

using namespace zt310;
using namespace zt310::testing;
using sim::FaultKind;

namespace {

enum class Op { Write, Read, Verify, Produce };
enum class Role { Probe, Identity, Band, Serial, WriteBlock, ReadBack, ReadBlock };

const char* OpName(Op op) {
  switch (op) {
    case Op::Write: return "write";
    case Op::Read: return "read";
    case Op::Verify: return "verify";
    case Op::Produce: return "produce";
  }
  return "?";
}

// The requests each operation sends when nothing goes wrong, in order.
std::vector<Role> RequestsOf(Op op) {
  std::vector<Role> roles = {Role::Probe, Role::Identity};
  switch (op) {
    case Op::Write:
      roles.insert(roles.end(), {Role::Band, Role::Serial});
      for (std::size_t i = 0; i < WriteBlockPlan().size(); ++i) roles.insert(roles.end(), {Role::WriteBlock, Role::ReadBack});
      break;
    case Op::Read:
      roles.push_back(Role::Serial);
      roles.insert(roles.end(), ReadBlockPlan().size(), Role::ReadBlock);
      break;
    case Op::Verify:
      roles.push_back(Role::Serial);
      roles.insert(roles.end(), WriteBlockPlan().size(), Role::ReadBack);
      break;
    case Op::Produce:
      roles.push_back(Role::Band);
      for (std::size_t i = 0; i < ReadBlockPlan().size(); ++i) roles.insert(roles.end(), {Role::WriteBlock, Role::ReadBack});
      break;
  }
  return roles;
}

struct Expected {
  OperationOutcome outcome;
  std::string label;    // progress label after a transfer
  std::string warning;  // the one warning of an abandoned run
};

Expected SuccessOf(Op op) {
  switch (op) {
    case Op::Read: return {OperationOutcome::Success, kLabelReadSuccess, {}};
    case Op::Verify: return {OperationOutcome::Success, kLabelVerifySuccess, {}};
    default: return {OperationOutcome::Success, kLabelWriteSuccess, {}};
  }
}

Expected FailureAt(Op op, Role role) {
  const auto abandoned = [](const char* warning) { return Expected{OperationOutcome::Abandoned, {}, warning}; };
  const auto failed = [](const char* label) { return Expected{OperationOutcome::Failed, label, {}}; };
  if (op == Op::Verify && role != Role::Probe) return failed(kLabelVerifyFail);
  switch (role) {
    case Role::Probe: return abandoned(kBoardNotRespondingText);
    case Role::Identity: return abandoned(kReadFirmwareFailText);
    case Role::Band: return abandoned(kReadBandwidthFailText);
    case Role::Serial: return abandoned(kReadSerialFailText);
    case Role::WriteBlock: return failed(kLabelWriteFail);
    case Role::ReadBack: return failed(kLabelVerifyFailAfterWrite);
    case Role::ReadBlock: return failed(kLabelReadFail);
  }
  return {};
}

Expected ExpectedFor(Op op, Role role, FaultKind kind) {
  switch (kind) {
    case FaultKind::Slow:
      return SuccessOf(op);
    case FaultKind::BadAck:
      return role == Role::WriteBlock ? FailureAt(op, role) : SuccessOf(op);
    case FaultKind::Flip:
      // The pager stores a wrong byte and acknowledges; the read-back finds it.
      return role == Role::WriteBlock ? FailureAt(op, Role::ReadBack) : SuccessOf(op);
    default:
      return FailureAt(op, role);
  }
}

const FaultKind kAllFaults[] = {FaultKind::Drop,  FaultKind::Short,  FaultKind::Corrupt, FaultKind::BadAck,
                                FaultKind::Flip,  FaultKind::Unplug, FaultKind::Slow,    FaultKind::Garbage};

}  // namespace

class OperationFaultsTest : public QObject {
  Q_OBJECT
 private slots:
  void faultMatrix_data() {
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("kind");
    for (Op op : {Op::Write, Op::Read, Op::Verify, Op::Produce}) {
      const std::vector<Role> roles = RequestsOf(op);
      for (int request = 1; request <= static_cast<int>(roles.size()); ++request) {
        for (FaultKind kind : kAllFaults) {
          const std::string name =
              std::string(OpName(op)) + " request " + std::to_string(request) + " " + sim::FaultName({kind, request, 1});
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

    QElapsedTimer clock;
    clock.start();
    OperationResult result;
    switch (operation) {
      case Op::Write: result = bench.Write(); break;
      case Op::Read: result = bench.Read(); break;
      case Op::Verify: result = bench.Verify(); break;
      case Op::Produce: result = bench.Produce("MATRIX000001", bench.LogHere()); break;
    }
    const qint64 elapsed = clock.elapsed();

    const Role role = RequestsOf(operation).at(static_cast<std::size_t>(request - 1));
    const Expected expected = ExpectedFor(operation, role, fault);
    QCOMPARE(result.outcome, expected.outcome);
    QCOMPARE(result.label, expected.label);
    if (expected.warning.empty()) {
      QVERIFY(bench.host.warnings.empty());
    } else {
      QCOMPARE(bench.host.warnings, std::vector<std::string>{expected.warning});
    }
    bench.VerifyEndedCleanly();
    // One per-byte time-out at most, plus the exchanges themselves.
    QVERIFY2(elapsed < 1500, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));
  }
};

QTEST_GUILESS_MAIN(OperationFaultsTest)
#include "test_operations_faults.moc"
