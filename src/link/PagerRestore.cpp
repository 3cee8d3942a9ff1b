// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/PagerRestore.h"

#include <algorithm>
#include <cstdio>

#include "codeplug/Decode.h"
#include "codeplug/Hex.h"
#include "codeplug/Layout.h"
#include "port/PagerLink.h"
#include "protocol/WriteRules.h"

namespace zt310 {

using namespace layout;

namespace {

constexpr const char* kComputedChecksumPath = "checksum.computed";

// The pager's whole memory by the Read plan; what went wrong on the link, or
// nothing.
std::optional<std::string> ReadWholeMemory(OperationContext& context, CodePlugImage& memory, int gaugeMax) {
  int done = 0;
  for (const BlockRange& block : ReadBlockPlan()) {
    const BlockStatus status =
        context.link.ReadBlockStatus(kMemoryAddress, memory.data() + block.offset, block.offset, block.count);
    if (status != BlockStatus::Ok) return BlockProblemText(status, block.offset, block.count);
    done += block.count;
    context.host.ProgressValue(done * gaugeMax / static_cast<int>(kImageSize));
  }
  return std::nullopt;
}

// The pager's identity block and serial number in the file's bytes.
CodePlugImage WithPagersOwn(const CodePlugImage& file, const CodePlugImage& memory) {
  CodePlugImage image = file;
  std::copy_n(memory.data() + kIdentity, kIdentitySize, image.data() + kIdentity);
  std::copy_n(memory.data() + kSerialNumber, kSerialBlockSize, image.data() + kSerialNumber);
  return image;
}

// The checksum and header stamp as Write makes them.
CodePlugImage Remade(CodePlugImage image) {
  StampHeader(image);
  StoreImageChecksum(image);
  return image;
}

}  // namespace

std::vector<ByteDifference> DifferingBytes(const CodePlugImage& expected, const CodePlugImage& found) {
  std::vector<ByteDifference> differences;
  for (int offset = 0; offset < static_cast<int>(kImageSize); ++offset) {
    if (expected[offset] == found[offset]) continue;
    ByteDifference difference{offset, expected[offset], found[offset], {}};
    // The fields this one byte changes on its own.
    CodePlugImage probe = expected;
    probe[offset] = found[offset];
    for (const FieldDifference& field : DifferingFields(expected, probe)) {
      // The sum over the data changes with any byte: it says nothing of this one.
      if (field.path.rfind("byte ", 0) != 0 && field.path != kComputedChecksumPath) {
        difference.fields.push_back(field.path);
      }
    }
    differences.push_back(std::move(difference));
  }
  return differences;
}

std::string DescribeByteDifference(const ByteDifference& difference, const std::string& expectedName,
                                   const std::string& foundName) {
  std::string text = "byte " + std::to_string(difference.offset) + ": " + foundName + " 0x" +
                     HexByte(difference.found) + ", " + expectedName + " 0x" + HexByte(difference.expected);
  if (!difference.fields.empty()) {
    text += " (";
    for (std::size_t i = 0; i < difference.fields.size(); ++i) text += (i ? ", " : "") + difference.fields[i];
    text += ")";
  }
  return text;
}

std::optional<std::string> BackupFileProblem(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() != kImageSize) {
    const std::string size = bytes.size() > kImageSize ? "more than 512" : std::to_string(bytes.size());
    return "it holds " + size + " bytes, a backup exactly 512";
  }
  if (!std::equal(kModelSignature.begin(), kModelSignature.end(), bytes.begin() + kHeaderCaption)) {
    return "it carries no ZT310 signature at bytes 498 to 502";
  }
  return std::nullopt;
}

CodePlugImage ImageOfBackup(const std::vector<std::uint8_t>& bytes) {
  CodePlugImage image;
  std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), kImageSize), image.data());
  return image;
}

RestoreResult RestorePager(OperationContext& context, const RestoreRequest& request) {
  OperationHost& host = context.host;
  PagerLink& link = context.link;
  RestoreResult restore;

  host.MainWindowEnabled(false);
  host.Status(kStatusBoardTesting);
  if (!link.Port().IsOpen()) link.OpenSelectedPort();
  if (!link.CheckTargetBoard()) {
    detail::ReportBoardNotResponding(context, kStatusReady);
    return restore;
  }
  host.PagerFirmwareCleared(false);
  host.ProgressValue(0);
  const auto identity = detail::ReadPagerIdentity(context);
  if (!identity) {
    restore.result = detail::Abandon(context, kReadFirmwareFailText);
    return restore;
  }
  detail::ShowVersionLabel(context, *identity);

  const WriteRuleInput rules{WriteKind::Restore, request.stored, false, {*identity, {}, {}}, {}};
  const WriteDecision decision = detail::RunWriteRules(context, rules);
  if (decision.step != WriteDecision::Step::Write) {
    restore.result = detail::Abandon(context, decision.text);
    return restore;
  }
  detail::ShowSerialNumber(context, decision.serialShown.value_or(""));
  const CodePlugImage meant = Remade(decision.image);
  restore.remade = DifferingBytes(WithPagersOwn(request.stored, meant), meant);

  host.ProgressRange(0, kWriteProgressMax);
  host.ProgressValue(0);
  host.ProgressGaugeVisible(true);
  host.ProgressLabel(kLabelWriteNow);
  host.Status(kStatusWriteNow);
  detail::DiscardBuffers(link);
  restore.result = detail::WriteAndVerifyBlocks(context, meant, WriteBlockPlan());
  if (restore.result.outcome == OperationOutcome::Success) {
    // Every block went in and read back; the whole memory, serial number
    // included, must now be what was meant.
    CodePlugImage memory;
    if (const auto problem = ReadWholeMemory(context, memory, kWriteProgressMax)) {
      restore.linkProblem = "The pager's memory could not be read back whole: " + *problem;
    } else {
      restore.differences = DifferingBytes(meant, memory);
    }
    if (!restore.linkProblem.empty() || !restore.differences.empty()) {
      restore.result = {OperationOutcome::Failed, kLabelVerifyFailAfterWrite};
    }
  }
  host.ProgressLabel(restore.result.label);
  detail::EndTransfer(context, kWriteResultPauseMs);
  host.MainWindowEnabled(true);
  host.Status(kStatusReady);
  return restore;
}

RestoreResult VerifyPagerExact(OperationContext& context, const RestoreRequest& request) {
  OperationHost& host = context.host;
  PagerLink& link = context.link;
  RestoreResult verify;

  if (!detail::BeginVerify(context)) return verify;

  detail::DiscardBuffers(link);
  CodePlugImage memory;
  bool same = false;
  if (const auto problem = ReadWholeMemory(context, memory, kVerifyProgressMax)) {
    verify.linkProblem = *problem;
  } else {
    std::array<std::uint8_t, kIdentitySize> identity{};
    std::copy_n(memory.data() + kIdentity, kIdentitySize, identity.begin());
    detail::ShowVersionLabel(context, identity);
    const SerialBlock serial = SerialBlockOf(memory);
    if (!IsBlankSerialBlock(serial) && SerialBlockChecksumHolds(serial)) {
      detail::ShowSerialNumber(context, SerialBlockText(serial));
    }
    const CodePlugImage asStored = WithPagersOwn(request.stored, memory);
    const CodePlugImage asRestored = Remade(asStored);
    const std::vector<ByteDifference> fromStored = DifferingBytes(asStored, memory);
    const std::vector<ByteDifference> fromRestored = DifferingBytes(asRestored, memory);
    same = fromStored.empty() || fromRestored.empty();
    if (!same) verify.differences = fromRestored.size() < fromStored.size() ? fromRestored : fromStored;
  }
  const char* label = same ? kLabelVerifySuccess : kLabelVerifyFail;
  if (!same) {
    host.ProgressValue(0);
    host.ProgressGaugeVisible(false);
  }
  host.ProgressLabel(label);
  detail::EndTransfer(context, kVerifyResultPauseMs);
  host.ProgressGaugeVisible(true);
  host.MainWindowEnabled(true);
  host.Status(kStatusReady);
  verify.result = {same ? OperationOutcome::Success : OperationOutcome::Failed, label};
  return verify;
}

}  // namespace zt310
