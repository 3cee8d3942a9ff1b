// SPDX-License-Identifier: GPL-3.0-or-later
// What each pager operation must end with when the simulated pager fails in
// one way at one of its requests: the outcome, the status line, the progress
// label and the one warning. The operations' fault matrix checks every fault
// at every request against this table; the window's matrix checks that the
// window shows the same ending.
#pragma once

#include <string>
#include <vector>

#include "link/Operations.h"
#include "port/PagerLink.h"
#include "sim/PagerSim.h"

namespace zt310::testing {

enum class Op { Write, Read, Verify, Produce };
// What a request does in its operation.
enum class Step { Probe, Identity, Band, Serial, WriteBlock, ReadBack, ReadBlock };

inline const char* OpName(Op op) {
  switch (op) {
    case Op::Write:
      return "write";
    case Op::Read:
      return "read";
    case Op::Verify:
      return "verify";
    case Op::Produce:
      return "produce";
  }
  return "?";
}

inline const char* StepName(Step step) {
  switch (step) {
    case Step::Probe:
      return "probe";
    case Step::Identity:
      return "identity";
    case Step::Band:
      return "band";
    case Step::Serial:
      return "serial";
    case Step::WriteBlock:
      return "write";
    case Step::ReadBack:
      return "read-back";
    case Step::ReadBlock:
      return "read";
  }
  return "?";
}

// The requests each operation sends when nothing goes wrong, in order.
inline std::vector<Step> RequestsOf(Op op) {
  std::vector<Step> steps = {Step::Probe, Step::Identity};
  switch (op) {
    case Op::Write:
      steps.insert(steps.end(), {Step::Band, Step::Serial});
      for (std::size_t i = 0; i < WriteBlockPlan().size(); ++i) {
        steps.insert(steps.end(), {Step::WriteBlock, Step::ReadBack});
      }
      break;
    case Op::Read:
      steps.push_back(Step::Serial);
      steps.insert(steps.end(), ReadBlockPlan().size(), Step::ReadBlock);
      break;
    case Op::Verify:
      steps.push_back(Step::Serial);
      steps.insert(steps.end(), WriteBlockPlan().size(), Step::ReadBack);
      break;
    case Op::Produce:
      steps.push_back(Step::Band);
      for (std::size_t i = 0; i < ReadBlockPlan().size(); ++i) {
        steps.insert(steps.end(), {Step::WriteBlock, Step::ReadBack});
      }
      break;
  }
  return steps;
}

inline const sim::FaultKind kAllFaults[] = {sim::FaultKind::Drop,   sim::FaultKind::Short,  sim::FaultKind::Corrupt,
                                            sim::FaultKind::BadAck, sim::FaultKind::Flip,   sim::FaultKind::Unplug,
                                            sim::FaultKind::Slow,   sim::FaultKind::Garbage};

struct FaultExpectation {
  OperationOutcome outcome = OperationOutcome::Success;
  std::string status;   // the status line at the end
  std::string label;    // progress label after a transfer; empty when the run was abandoned before one
  std::string warning;  // the one warning of an abandoned run
  // A failed verify, or a write that failed part-way: the window says in one
  // box what failed (and for a write, what the pager now holds).
  bool saysWhy = false;
};

inline FaultExpectation SuccessOf(Op op) {
  switch (op) {
    case Op::Read:
      return {OperationOutcome::Success, kStatusReady, kLabelReadSuccess, {}, false};
    case Op::Verify:
      return {OperationOutcome::Success, kStatusReady, kLabelVerifySuccess, {}, false};
    default:
      return {OperationOutcome::Success, kStatusReady, kLabelWriteSuccess, {}, false};
  }
}

inline FaultExpectation FailureAt(Op op, Step step) {
  const auto abandoned = [](const char* warning) {
    return FaultExpectation{OperationOutcome::Abandoned, kStatusReadyAbandoned, {}, warning, false};
  };
  const auto failed = [](const char* label) {
    return FaultExpectation{OperationOutcome::Failed, kStatusReady, label, {}, false};
  };
  if (step == Step::Probe) {
    return {OperationOutcome::Abandoned,
            op == Op::Read ? kStatusReadyAbandoned : kStatusReady,
            {},
            kBoardNotRespondingText,
            false};
  }
  if (op == Op::Verify) {
    const bool beforeTransfer = step != Step::ReadBack;
    return {
        OperationOutcome::Failed, beforeTransfer ? kStatusReadyAbandoned : kStatusReady, kLabelVerifyFail, {}, true};
  }
  switch (step) {
    case Step::Identity:
      return abandoned(kReadFirmwareFailText);
    case Step::Band:
      return abandoned(kReadBandwidthFailText);
    case Step::Serial:
      return abandoned(kReadSerialFailText);
    case Step::WriteBlock:
      return {OperationOutcome::Failed, kStatusReady, kLabelWriteFail, {}, true};
    case Step::ReadBack:
      return {OperationOutcome::Failed, kStatusReady, kLabelVerifyFailAfterWrite, {}, true};
    case Step::ReadBlock:
      return failed(kLabelReadFail);
    default:
      return {};
  }
}

inline FaultExpectation ExpectedFor(Op op, Step step, sim::FaultKind kind) {
  switch (kind) {
    case sim::FaultKind::Slow:
      return SuccessOf(op);
    case sim::FaultKind::BadAck:
      // Only a write is acknowledged.
      return step == Step::WriteBlock ? FailureAt(op, step) : SuccessOf(op);
    case sim::FaultKind::Flip:
      // The pager stores a wrong byte and acknowledges; the read-back finds it.
      return step == Step::WriteBlock ? FailureAt(op, Step::ReadBack) : SuccessOf(op);
    default:
      return FailureAt(op, step);
  }
}

}  // namespace zt310::testing
