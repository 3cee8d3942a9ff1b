// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Operations.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>

#include "codeplug/Hex.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/PagerBackup.h"
#include "link/PartialWrite.h"
#include "port/PagerLink.h"

namespace zt310 {

using namespace layout;
using Block16 = std::array<std::uint8_t, 16>;

namespace {

// The gauge rises with the bytes done, reaching its maximum with the last block.
int GaugeValue(int bytesDone, int bytesTotal, int maximum) { return bytesDone * maximum / bytesTotal; }

bool ReadNamedBlock(PagerLink& link, Block16& block, const BlockRange& range) {
  return link.ReadBlock(kMemoryAddress, block.data(), range.offset, range.count);
}

void CopyBlock(CodePlugImage& image, int offset, const Block16& block) {
  std::copy(block.begin(), block.end(), image.data() + offset);
}

// The serial-number block of the pager, tested and taken into the image.
enum class SerialStep { Taken, Blank, ReadFailed, ChecksumWrong };

SerialStep TakeSerialBlock(OperationContext& context, CodePlugImage& image, Block16 block) {
  if (!ReadNamedBlock(context.link, block, kSerialNumberBlock)) return SerialStep::ReadFailed;
  if (IsBlankSerialBlock(block)) return SerialStep::Blank;
  if (!SerialBlockChecksumHolds(block)) return SerialStep::ChecksumWrong;
  CopyBlock(image, kSerialNumber, block);
  return SerialStep::Taken;
}

// Written under a fresh name and renamed into place, so a link planted at
// errtbl.tbl is replaced, not written through; failing to keep it is not
// reported here (a new errtbl.tbl is how the caller tells it was written).
void WriteErrorDump(const std::filesystem::path& directory, const std::vector<std::uint8_t>& buffer) {
  ReplaceFileWith(directory / kErrorDumpName, buffer);
}

}  // namespace

namespace detail {

void ReportBoardNotResponding(OperationContext& context, const char* status) {
  detail::ClosePort(context.link);
  context.host.Warning(context.link.BoardNotRespondingMessage().toStdString());
  context.host.Status(status);
  context.host.MainWindowEnabled(true);
}

// The cradle check, then the progress window at "Verify Now ......"; false
// when no cradle answered (the board message has been shown).
bool BeginVerify(OperationContext& context) {
  OperationHost& host = context.host;
  PagerLink& link = context.link;
  host.Status(kStatusBoardTesting);
  host.MainWindowEnabled(false);
  if (!link.CheckTargetBoard()) {
    ReportBoardNotResponding(context, kStatusReady);
    return false;
  }
  if (!link.Port().IsOpen()) link.OpenSelectedPort();

  host.ProgressRange(0, kVerifyProgressMax);
  host.ProgressValue(0);
  host.ProgressLabel(kLabelVerifyNow);
  host.ShowProgress();
  host.Status(kStatusVerifyNow);
  return true;
}

void ReportPartialWrite(OperationContext& context, const std::vector<BlockRange>& plan, std::size_t failedBlock,
                        BlockStatus status, bool writeAcknowledged) {
  const BlockRange& block = plan[failedBlock];
  PartialWrite partial;
  partial.cause = writeAcknowledged ? BlockProblemText(status, block.offset, block.count)
                                    : WriteProblemText(status, block.offset, block.count);
  partial.blocksTotal = static_cast<int>(plan.size());
  partial.interrupted = status == BlockStatus::Interrupted;
  const std::size_t acknowledged = writeAcknowledged ? failedBlock + 1 : failedBlock;
  for (std::size_t i = 0; i < acknowledged; ++i) partial.wentIn.emplace_back(plan[i].offset, plan[i].count);
  partial.lastNotChecked = writeAcknowledged;
  partial.lastDiffers = writeAcknowledged && status == BlockStatus::Differs;
  // A write whose reply went missing may have reached the pager all the same;
  // one refused outright (a wrong reply) did not.
  if (!writeAcknowledged && status != BlockStatus::NotAcknowledged) {
    partial.uncertain = std::make_pair(block.offset, block.count);
  }
  context.host.WriteStoppedPartway(partial);
}

ShownFacts ShownAfterRules(const WriteDecision& decision, WriteKind kind) {
  ShownFacts shown;
  shown.audioGainReset = decision.audioGainReset;
  shown.gapMaxShown = decision.gapMaxConverted;
  // The production run leaves the unit labels as they are.
  if (decision.gapMaxConverted && kind == WriteKind::Write) shown.timingUnits = decision.pagerVersion;
  shown.oneChannelTicked = decision.oneChannelRefused;
  return shown;
}

void ClosePort(PagerLink& link) {
  try {
    link.Port().Close();
  } catch (const ECommError&) {
    // The handle is gone either way; the next operation reopens the port.
  }
}

void DiscardBuffers(PagerLink& link) {
  try {
    link.Port().DiscardBuffers();
  } catch (const ECommError&) {
    // A port that failed meanwhile fails the next frame, which reports it.
  }
}

OperationResult Abandon(OperationContext& context, const std::string& message) {
  ClosePort(context.link);
  if (!message.empty()) context.host.Warning(message);
  context.host.Status(kStatusReadyAbandoned);
  context.host.ProgressValue(0);
  context.host.CloseProgress();
  context.host.MainWindowEnabled(true);
  return {OperationOutcome::Abandoned, {}};
}

void ShowVersionLabel(OperationContext& context, const Block16& identity) {
  char text[48];
  std::snprintf(text, sizeof text, "FirmVer. %d.%d.%d", identity[kFirmwareMajor], identity[kFirmwareMinor],
                identity[kFirmwarePatch]);
  context.host.PagerFirmwareShown(text);
}

void ShowSerialNumber(OperationContext& context, const std::string& serial) { context.host.PagerSerialShown(serial); }

void HideVersionLabel(OperationContext& context) { context.host.PagerFirmwareCleared(true); }

std::optional<Block16> ReadPagerIdentity(OperationContext& context) {
  context.host.ProgressGaugeVisible(false);
  context.host.ProgressLabel(kLabelReadVersion);
  context.host.ShowProgress();
  context.host.Status(kStatusReadVersion);
  Block16 identity{};
  if (!ReadNamedBlock(context.link, identity, kIdentityBlock)) {
    HideVersionLabel(context);
    return std::nullopt;
  }
  return identity;
}

WriteDecision RunWriteRules(OperationContext& context, WriteRuleInput input) {
  OperationHost& host = context.host;
  for (;;) {
    WriteDecision decision = DecideWrite(input);
    switch (decision.step) {
      case WriteDecision::Step::Write:
      case WriteDecision::Step::Refuse:
        return decision;
      case WriteDecision::Step::Notify:
        host.Plain(decision.text);
        input.answers.noticeShown = true;
        break;
      case WriteDecision::Step::Ask:
        if (!host.Question(decision.text)) {
          decision.text.clear();
          return decision;
        }
        input.answers.bandSwitchOk = true;
        break;
      case WriteDecision::Step::ReadBand: {
        host.ProgressValue(0);
        host.ProgressLabel(kLabelReadBandwidth);
        host.Status(kStatusReadBandwidth);
        Block16 band;
        band.fill(kBlank);
        if (!ReadNamedBlock(context.link, band, kBandwidthBlock)) {
          decision.step = WriteDecision::Step::Refuse;
          decision.text = kReadBandwidthFailText;
          return decision;
        }
        input.pager.band = band;
        break;
      }
      case WriteDecision::Step::ReadSerial: {
        host.ProgressValue(0);
        host.ProgressLabel(kLabelReadSerial);
        host.Status(kStatusReadSerial);
        Block16 serial;
        serial.fill(kBlank);
        if (!ReadNamedBlock(context.link, serial, kSerialNumberBlock)) {
          decision.step = WriteDecision::Step::Refuse;
          decision.text = kReadSerialFailText;
          return decision;
        }
        input.pager.serial = serial;
        break;
      }
    }
  }
}

OperationResult AbandonByRule(OperationContext& context, const WriteDecision& decision, WriteKind kind) {
  OperationResult result = Abandon(context, decision.text);
  result.image = decision.image;
  result.shown = ShownAfterRules(decision, kind);
  return result;
}

OperationResult WriteAndVerifyBlocks(OperationContext& context, const CodePlugImage& image,
                                     const std::vector<BlockRange>& plan) {
  int done = 0;
  const int total = PlanBytes(plan);
  for (std::size_t index = 0; index < plan.size(); ++index) {
    const BlockRange& block = plan[index];
    const BlockStatus written = context.link.WriteBlockStatus(image, block.offset, block.count);
    if (written != BlockStatus::Ok) {
      ReportPartialWrite(context, plan, index, written, false);
      return {OperationOutcome::Failed, kLabelWriteFail};
    }
    const BlockStatus checked = context.link.CompareBlock(image, block.offset, block.count);
    if (checked != BlockStatus::Ok) {
      ReportPartialWrite(context, plan, index, checked, true);
      return {OperationOutcome::Failed, kLabelVerifyFailAfterWrite};
    }
    done += block.count;
    context.host.ProgressValue(GaugeValue(done, total, kWriteProgressMax));
  }
  return {OperationOutcome::Success, kLabelWriteSuccess};
}

void EndTransfer(OperationContext& context, unsigned pauseMs) {
  context.host.Pause(pauseMs);
  ClosePort(context.link);
  context.host.ProgressValue(0);
  context.host.CloseProgress();
}

}  // namespace detail

// --- Write ---

OperationResult WritePager(OperationContext& context, const OperationRequest& request) {
  OperationHost& host = context.host;
  CodePlugImage image = request.image;
  PagerLink& link = context.link;

  StampHeader(image);
  const auto leaving = [&image](OperationResult result) {
    if (!result.image) result.image = image;
    return result;
  };
  host.MainWindowEnabled(false);
  host.Status(kStatusBoardTesting);
  if (!link.Port().IsOpen()) link.OpenSelectedPort();
  if (!link.CheckTargetBoard()) {
    detail::ReportBoardNotResponding(context, kStatusReady);
    return leaving({OperationOutcome::Abandoned, {}});
  }

  host.PagerFirmwareCleared(false);
  host.ProgressValue(0);
  const auto identityRead = detail::ReadPagerIdentity(context);
  if (!identityRead) return leaving(detail::Abandon(context, kReadFirmwareFailText));
  detail::ShowVersionLabel(context, *identityRead);

  WriteRuleInput rules{WriteKind::Write, image, request.narrowBandChosen, {*identityRead, {}, {}}, {}};
  const WriteDecision decision = detail::RunWriteRules(context, rules);
  if (decision.step != WriteDecision::Step::Write) return detail::AbandonByRule(context, decision, WriteKind::Write);
  image = decision.image;
  const std::string pagerSerial = decision.serialShown.value_or("");
  detail::ShowSerialNumber(context, pagerSerial);
  if (context.backupDirectory) {
    if (const auto refusal = detail::BackUpPager(context, pagerSerial)) {
      WriteDecision refused = decision;
      refused.step = WriteDecision::Step::Refuse;
      refused.text = *refusal;
      return detail::AbandonByRule(context, refused, WriteKind::Write);
    }
  }

  host.ProgressRange(0, kWriteProgressMax);
  host.ProgressValue(0);
  host.ProgressGaugeVisible(true);
  host.ProgressLabel(kLabelWriteNow);
  host.Status(kStatusWriteNow);
  StoreImageChecksum(image);
  detail::DiscardBuffers(link);

  OperationResult result = detail::WriteAndVerifyBlocks(context, image, WriteBlockPlan());
  host.ProgressLabel(result.label);

  detail::EndTransfer(context, kWriteResultPauseMs);
  host.MainWindowEnabled(true);
  host.Status(kStatusReady);
  result.image = image;
  result.shown = detail::ShownAfterRules(decision, WriteKind::Write);
  return result;
}

// --- Read ---

CodePlugImage PreparedReadImage(const CodePlugImage& memory, int pagerFirmware) {
  CodePlugImage read = memory;
  std::vector<std::uint8_t> bytes(read.bytes().begin(), read.bytes().end());
  UpgradeLegacySquelch(bytes);
  std::copy(bytes.begin(), bytes.end(), read.data());

  const bool oneChannel = read[kSingleChannelMarker2] == kMarkerOn || IsSingleChannelFirmware(pagerFirmware);
  read[kSingleChannelMarker] = oneChannel ? kMarkerOn : kMarkerOff;
  NormaliseRememberedToneDurations(read);
  return read;
}

OperationResult ReadPager(OperationContext& context, const OperationRequest& request) {
  OperationHost& host = context.host;
  CodePlugImage image = request.image;
  PagerLink& link = context.link;
  const auto leaving = [&image](OperationResult result) {
    result.image = image;
    return result;
  };

  detail::HideVersionLabel(context);
  host.SetCaption(std::string(kProgramCaption));
  host.MainWindowEnabled(false);
  host.Status(kStatusBoardTesting);
  if (!link.CheckTargetBoard()) {
    detail::ReportBoardNotResponding(context, kStatusReadyAbandoned);
    return {OperationOutcome::Abandoned, {}};
  }
  if (!link.Port().IsOpen()) link.OpenSelectedPort();

  const auto identityRead = detail::ReadPagerIdentity(context);
  if (!identityRead) return detail::Abandon(context, kReadFirmwareFailText);
  const Block16& identity = *identityRead;
  const int pagerFirmware = FirmwareVersionNumber(identity);
  if (!HasManualResetUntilPress(pagerFirmware) && HoldsManualResetUntilPress(image))
    return detail::Abandon(context, kManualResetText);
  CopyBlock(image, kIdentity, identity);
  detail::ShowVersionLabel(context, identity);

  host.ProgressValue(0);
  host.ProgressLabel(kLabelReadSerial);
  host.Status(kStatusReadSerial);
  switch (TakeSerialBlock(context, image, Block16{})) {
    case SerialStep::ReadFailed:
      return leaving(detail::Abandon(context, kReadSerialFailText));
    case SerialStep::ChecksumWrong:
      return leaving(detail::Abandon(context, kSerialChecksumErrorText));
    case SerialStep::Blank:
      break;
    case SerialStep::Taken:
      detail::ShowSerialNumber(context, Trimmed(SerialBlockText(SerialBlockOf(image))));
      break;
  }

  host.ProgressValue(0);
  host.ProgressGaugeVisible(true);
  host.ProgressRange(0, kReadProgressMax);
  host.Status(kStatusReadNow);
  host.ProgressLabel(kLabelReadNow);
  // Twice the image: what a failed read leaves in errtbl.tbl.
  std::vector<std::uint8_t> buffer(kErrorDumpSize, 0);
  detail::DiscardBuffers(link);
  bool allRead = true;
  for (const BlockRange& block : ReadBlockPlan()) {
    if (!link.ReadBlock(kMemoryAddress, buffer.data() + block.offset, block.offset, block.count)) {
      allRead = false;
      break;
    }
    host.ProgressValue(std::min(block.offset + block.count + 2, kReadProgressMax));
  }

  CodePlugImage read;
  std::copy_n(buffer.begin(), kImageSize, read.data());
  // Pagers programmed with a 0xCD in byte 495 never carried a valid sum.
  const bool sumHolds = ComputeImageChecksum(read) == read.GetWord(kImageChecksum) || read[kChecksumLast] == 0xCD;
  const bool ok = allRead && sumHolds;
  const char* label = kLabelReadSuccess;
  if (!allRead) {
    label = kLabelReadFail;
  } else if (!sumHolds) {
    host.ProgressGaugeVisible(false);
    host.ProgressValue(0);
    label = kLabelChecksumError;
  }
  host.ProgressLabel(label);

  detail::EndTransfer(context, kReadResultPauseMs);
  OperationResult result{ok ? OperationOutcome::Success : OperationOutcome::Failed, label};
  if (ok) {
    result.image = PreparedReadImage(read, pagerFirmware);
    result.shown.readTakenOver = true;
    result.shown.timingUnits = pagerFirmware;
  } else {
    WriteErrorDump(context.startupDirectory, buffer);
    result.image = image;
  }
  host.MainWindowEnabled(true);
  host.Status(kStatusReady);
  return result;
}

// --- Verify ---

namespace {

constexpr const char* kSerialSumWrongProblem = "The pager's serial number fails its checksum.";

OperationResult VerifyFailsEarly(OperationContext& context, const std::string& problem) {
  detail::ClosePort(context.link);
  context.host.ProgressValue(0);
  context.host.ProgressLabel(kLabelVerifyFail);
  const VerifyReport report{problem, {}};
  context.host.VerifyFailed(report);
  context.host.Status(kStatusReadyAbandoned);
  context.host.CloseProgress();
  context.host.MainWindowEnabled(true);
  OperationResult result{OperationOutcome::Failed, kLabelVerifyFail};
  result.verifyReport = report;
  return result;
}

BlockStatus ReadNamedBlockStatus(PagerLink& link, Block16& block, const BlockRange& range) {
  return link.ReadBlockStatus(kMemoryAddress, block.data(), range.offset, range.count);
}

std::string Problem(BlockStatus status, const BlockRange& range) {
  return BlockProblemText(status, range.offset, range.count);
}

// After a block differed: the pager's whole memory, read as Read reads it,
// compared field by field with the image Verify compared.
VerifyReport DescribeDifferences(OperationContext& context, const CodePlugImage& compared) {
  CodePlugImage memory;
  for (const BlockRange& block : ReadBlockPlan()) {
    const BlockStatus status =
        context.link.ReadBlockStatus(kMemoryAddress, memory.data() + block.offset, block.offset, block.count);
    if (status != BlockStatus::Ok) {
      return {"The pager holds other data, but reading its memory for the list failed: " + Problem(status, block), {}};
    }
  }
  // Verify never compares the serial number: it is the pager's own.
  CodePlugImage expected = compared;
  std::copy_n(memory.data() + kSerialNumber, kSerialBlockSize, expected.data() + kSerialNumber);
  return {{}, DifferingFields(expected, memory)};
}

// The result stays on screen for a moment, then the port closes and the
// window comes back.
OperationResult FinishVerify(OperationContext& context, bool same, const VerifyReport& report) {
  OperationHost& host = context.host;
  if (!same) {
    host.ProgressValue(0);
    host.ProgressGaugeVisible(false);
  }
  const char* label = same ? kLabelVerifySuccess : kLabelVerifyFail;
  host.ProgressLabel(label);
  if (!same) host.VerifyFailed(report);

  detail::EndTransfer(context, kVerifyResultPauseMs);
  host.ProgressGaugeVisible(true);
  host.MainWindowEnabled(true);
  host.Status(kStatusReady);
  OperationResult result{same ? OperationOutcome::Success : OperationOutcome::Failed, label};
  if (!same) result.verifyReport = report;
  return result;
}

}  // namespace

OperationResult VerifyPager(OperationContext& context, const OperationRequest& request) {
  OperationHost& host = context.host;
  CodePlugImage image = request.image;
  PagerLink& link = context.link;
  const auto leaving = [&image](OperationResult result) {
    result.image = image;
    return result;
  };

  if (!detail::BeginVerify(context)) return {OperationOutcome::Abandoned, {}};
  Block16 identity{};
  const BlockStatus identityRead = ReadNamedBlockStatus(link, identity, kIdentityBlock);
  if (identityRead != BlockStatus::Ok) return VerifyFailsEarly(context, Problem(identityRead, kIdentityBlock));
  CopyBlock(image, kIdentity, identity);
  host.PaceRequests(kVerifyPacingPauseMs);

  Block16 serial;
  serial.fill(kBlank);
  const BlockStatus serialRead = ReadNamedBlockStatus(link, serial, kSerialNumberBlock);
  if (serialRead != BlockStatus::Ok) {
    return leaving(VerifyFailsEarly(context, Problem(serialRead, kSerialNumberBlock)));
  }
  if (!IsBlankSerialBlock(serial)) {
    if (!SerialBlockChecksumHolds(serial)) return leaving(VerifyFailsEarly(context, kSerialSumWrongProblem));
    CopyBlock(image, kSerialNumber, serial);
  }
  host.PaceRequests(kVerifyPacingPauseMs);

  detail::DiscardBuffers(link);
  BlockStatus status = BlockStatus::Ok;
  VerifyReport report;
  int done = 0;
  const int total = PlanBytes(WriteBlockPlan());
  for (const BlockRange& block : WriteBlockPlan()) {
    status = link.CompareBlock(image, block.offset, block.count);
    if (status != BlockStatus::Ok) {
      report.linkProblem = Problem(status, block);
      break;
    }
    done += block.count;
    host.ProgressValue(GaugeValue(done, total, kVerifyProgressMax));
  }
  if (status == BlockStatus::Differs) report = DescribeDifferences(context, image);
  const bool same = status == BlockStatus::Ok;
  return leaving(FinishVerify(context, same, report));
}

// --- Verify of a table file (command line) ---

namespace {

// The Verify plan's blocks as the pager holds them, into memory; what went
// wrong on the link, or nothing.
std::optional<std::string> ReadPlanBlocks(OperationContext& context, CodePlugImage& memory) {
  int done = 0;
  const int total = PlanBytes(WriteBlockPlan());
  for (const BlockRange& block : WriteBlockPlan()) {
    const BlockStatus status =
        context.link.ReadBlockStatus(kMemoryAddress, memory.data() + block.offset, block.offset, block.count);
    if (status != BlockStatus::Ok) return Problem(status, block);
    done += block.count;
    context.host.ProgressValue(GaugeValue(done, total, kVerifyProgressMax));
  }
  return std::nullopt;
}

std::optional<int> FirstPlanDifference(const CodePlugImage& memory, const CodePlugImage& expected) {
  for (const BlockRange& block : WriteBlockPlan()) {
    for (int i = block.offset; i < block.offset + block.count; ++i) {
      if (memory[i] != expected[i]) return i;
    }
  }
  return std::nullopt;
}

// The image Write puts into this pager for the file, the pager's identity
// and serial number taken as Write takes them. bandRuleActed: the pager
// held 0 in byte 136 before the write, so Write set it to 0xFF and the audio
// gain to 0 (the write changed 136, so the pager's band block tells no more).
CodePlugImage AdaptAsWrite(const OperationRequest& opened, const PagerBlocks& pager, bool bandRuleActed) {
  WriteRuleInput input{WriteKind::Write, opened.image, opened.narrowBandChosen, pager, {}};
  StampHeader(input.image);
  input.answers.assumeAccepted = true;
  PagerBlock band;
  band.fill(kBlank);
  if (bandRuleActed) band[kNarrowBandMarker - kBandwidthBlock.offset] = 0;
  input.pager.band = band;
  CodePlugImage image = DecideWrite(input).image;
  StoreImageChecksum(image);
  return image;
}

// The first byte where the pager differs from what Write puts there for the
// file; nothing when it holds that, or when Read would store the file again.
std::optional<int> DifferenceFromFile(const CodePlugImage& memory, const PagerBlocks& pager,
                                      const FileVerifyRequest& request) {
  const OperationRequest& opened = request.opened;
  const std::optional<int> differs = FirstPlanDifference(memory, AdaptAsWrite(opened, pager, false));
  if (!differs) return std::nullopt;
  // Wide band chosen, Write sets 136 to 0xFF (and the audio gain to 0) when
  // the pager holds 0 there, which its own write of 136 then changes: after
  // a Write the pager holds either outcome.
  if (!opened.narrowBandChosen && !FirstPlanDifference(memory, AdaptAsWrite(opened, pager, true))) {
    return std::nullopt;
  }
  // A file stored by Read from this very pager holds the pager's bytes as
  // Read takes them over, which Write would adapt again.
  const std::vector<std::uint8_t>& fileBytes = request.fileBytes;
  const bool storedByRead =
      request.storedByRead && fileBytes.size() >= kImageSize &&
      std::equal(fileBytes.begin(), fileBytes.begin() + kImageSize, request.storedByRead(memory).data());
  if (storedByRead) return std::nullopt;
  return differs;
}

// What Write put into this pager for the file: with the wide band chosen
// Write may or may not have set byte 136 (see above); the outcome nearer to
// the pager's memory names the fewer differences.
CodePlugImage ClosestWrittenImage(const CodePlugImage& memory, const PagerBlocks& pager,
                                  const OperationRequest& opened) {
  const CodePlugImage plain = AdaptAsWrite(opened, pager, false);
  if (opened.narrowBandChosen) return plain;
  const CodePlugImage banded = AdaptAsWrite(opened, pager, true);
  const auto differing = [&memory](const CodePlugImage& image) {
    return std::inner_product(image.bytes().begin(), image.bytes().end(), memory.bytes().begin(), 0, std::plus<>(),
                              std::not_equal_to<>());
  };
  return differing(banded) < differing(plain) ? banded : plain;
}

}  // namespace

OperationResult VerifyPagerHoldsFile(OperationContext& context, const FileVerifyRequest& request,
                                     std::string* difference) {
  OperationHost& host = context.host;
  PagerLink& link = context.link;

  if (!detail::BeginVerify(context)) return {OperationOutcome::Abandoned, {}};
  PagerBlocks pager;
  Block16 band;
  band.fill(kBlank);
  Block16 serial;
  serial.fill(kBlank);
  const auto readNamed = [&](Block16& block, const BlockRange& range) {
    const BlockStatus status = ReadNamedBlockStatus(link, block, range);
    return status == BlockStatus::Ok ? std::string() : Problem(status, range);
  };
  if (const std::string problem = readNamed(pager.identity, kIdentityBlock); !problem.empty()) {
    return VerifyFailsEarly(context, problem);
  }
  detail::ShowVersionLabel(context, pager.identity);
  if (const std::string problem = readNamed(band, kBandwidthBlock); !problem.empty()) {
    return VerifyFailsEarly(context, problem);
  }
  pager.band = band;
  host.PaceRequests(kVerifyPacingPauseMs);
  if (const std::string problem = readNamed(serial, kSerialNumberBlock); !problem.empty()) {
    return VerifyFailsEarly(context, problem);
  }
  pager.serial = serial;
  if (!IsBlankSerialBlock(serial)) {
    if (!SerialBlockChecksumHolds(serial)) return VerifyFailsEarly(context, kSerialSumWrongProblem);
    host.PagerSerialShown(SerialBlockText(serial));
  }
  host.PaceRequests(kVerifyPacingPauseMs);

  detail::DiscardBuffers(link);
  CodePlugImage memory;
  std::copy(serial.begin(), serial.end(), memory.data() + kSerialNumber);
  VerifyReport report;
  bool same = false;
  if (const auto problem = ReadPlanBlocks(context, memory)) {
    report.linkProblem = *problem;
  } else {
    const std::optional<int> differs = DifferenceFromFile(memory, pager, request);
    same = !differs;
    if (differs) {
      const CodePlugImage written = ClosestWrittenImage(memory, pager, request.opened);
      report.differences = DifferingFields(written, memory);
      const int first = FirstPlanDifference(memory, written).value_or(*differs);
      if (difference) {
        *difference = "byte " + std::to_string(first) + ": the pager holds 0x" + HexByte(memory[first]) +
                      ", the file writes 0x" + HexByte(written[first]);
      }
    }
  }
  return FinishVerify(context, same, report);
}

}  // namespace zt310
