// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/WriteRules.h"

#include <algorithm>

#include "codeplug/Layout.h"

namespace zt310 {

using namespace layout;

namespace {

constexpr int kBandBlockOffset = 128;

void CopyBlock(CodePlugImage& image, int offset, const PagerBlock& block) {
  std::copy(block.begin(), block.end(), image.data() + offset);
}

WriteDecision Stop(WriteDecision decision, WriteDecision::Step step, std::string text = {}) {
  decision.step = step;
  decision.text = std::move(text);
  return decision;
}

// The pager keeps its own serial number: blank, or one whose sum holds.
// Nothing when the block fails its sum.
std::optional<std::string> TakeSerialNumber(CodePlugImage& image, const PagerBlock& serial) {
  if (IsBlankSerialBlock(serial)) {
    CopyBlock(image, kSerialNumber, serial);
    return std::string();
  }
  if (!SerialBlockChecksumHolds(serial)) return std::nullopt;
  CopyBlock(image, kSerialNumber, serial);
  return SerialBlockText(serial);
}

bool SingleChannelPagerRefuses(const PagerBlock& identity, int pagerVersion, const CodePlugImage& image) {
  return (identity[kSingleChannelMarker] == kMarkerOn || IsSingleChannelFirmware(pagerVersion)) &&
         image[kSingleChannelMarker2] == kMarkerOff;
}

std::string FirmwareText(IdentityBlock identity) {
  return std::to_string(identity[kFirmwareMajor]) + "." + std::to_string(identity[kFirmwareMinor]) + "." +
         std::to_string(identity[kFirmwarePatch]);
}

bool SingleChannelIdentity(IdentityBlock identity) {
  return identity[kSingleChannelMarker] == kMarkerOn || IsSingleChannelFirmware(FirmwareVersionNumber(identity));
}

const char* TimingUnitText(int version) { return IsOldTimingFirmware(version) ? "100 ms" : "50 ms"; }
const char* ChannelsText(bool single) { return single ? "a single-channel pager" : "a two-channel pager"; }

}  // namespace

std::optional<std::string> RestoreRefusal(const CodePlugImage& backup, const PagerBlock& pagerIdentity) {
  const int backupVersion = backup.FirmwareVersionNumber();
  const int pagerVersion = FirmwareVersionNumber(pagerIdentity);
  const std::string backupFirmware = FirmwareText(IdentityOf(backup));
  const std::string pagerFirmware = FirmwareText(pagerIdentity);
  if (backupVersion == 0) {
    return "The file names no pager firmware (0.0.0): it is no backup of a pager, so it cannot be restored "
           "(the pager in the cradle has firmware " +
           pagerFirmware + "). Write it with Write instead.";
  }
  std::string reasons;
  if (IsOldTimingFirmware(backupVersion) != IsOldTimingFirmware(pagerVersion)) {
    reasons += "The backup is from firmware " + backupFirmware + ", whose timing counts in " +
               TimingUnitText(backupVersion) + "; the pager in the cradle has firmware " + pagerFirmware +
               ", whose timing counts in " + TimingUnitText(pagerVersion) + ".";
  }
  const bool backupSingle = SingleChannelIdentity(IdentityOf(backup));
  const bool pagerSingle = SingleChannelIdentity(pagerIdentity);
  if (backupSingle != pagerSingle) {
    if (!reasons.empty()) reasons += "\n";
    reasons += std::string("The backup is from ") + ChannelsText(backupSingle) + " (firmware " + backupFirmware +
               "); the pager in the cradle is " + ChannelsText(pagerSingle) + " (firmware " + pagerFirmware + ").";
  }
  if (reasons.empty()) return std::nullopt;
  return reasons + "\nA backup is restored only into a pager of its own kind.";
}

bool AudioGainIgnored(int pagerFirmware) {
  return pagerFirmware <= 121 || (pagerFirmware >= 500 && pagerFirmware <= 521);
}

std::uint8_t ConvertGapMax(std::uint8_t value, int pagerFirmware, int imageFirmware) {
  const bool imageOldTiming = imageFirmware != 0 && IsOldTimingFirmware(imageFirmware);
  if (IsOldTimingFirmware(pagerFirmware)) {
    const bool keep = imageFirmware >= 1 && imageFirmware <= 120;
    return keep ? value : static_cast<std::uint8_t>((value + 1) / 2);
  }
  return imageOldTiming ? static_cast<std::uint8_t>(2 * value) : value;
}

std::uint8_t LowBatteryAlarmCode(std::uint8_t batteryLow, int pagerFirmware) {
  return pagerFirmware < 112 ? static_cast<std::uint8_t>(batteryLow - 2) : batteryLow;
}

WriteDecision DecideWrite(const WriteRuleInput& input) {
  const WriteAnswers& answers = input.answers;
  const bool accepted = answers.assumeAccepted;
  WriteDecision decision;
  decision.image = input.image;
  CodePlugImage& image = decision.image;
  const int pagerFirmware = FirmwareVersionNumber(input.pager.identity);
  decision.pagerVersion = pagerFirmware;

  if (input.kind != WriteKind::Restore) {
    const int imageFirmware = image.FirmwareVersionNumber();
    const bool production = input.kind == WriteKind::Production;
    if (!answers.noticeShown && !accepted && image[kAudioGain] != 0 && AudioGainIgnored(pagerFirmware)) {
      return Stop(decision, WriteDecision::Step::Notify, kAudioGainNoticeText);
    }
    if (!accepted && IsOldTimingFirmware(pagerFirmware) && image[kToneSystem] == kToneSystemPlectron) {
      return Stop(decision, WriteDecision::Step::Refuse, production ? kProductionPlectronText : kPlectronWriteText);
    }
    if (!accepted && SingleChannelPagerRefuses(input.pager.identity, pagerFirmware, image)) {
      decision.oneChannelRefused = true;
      return Stop(decision, WriteDecision::Step::Refuse, kSingleChannelPagerText);
    }

    if (!input.pager.band) return Stop(decision, WriteDecision::Step::ReadBand);
    const int pagerNarrowMarker = (*input.pager.band)[kNarrowBandMarker - kBandBlockOffset];
    const int pagerBand = (*input.pager.band)[kBand - kBandBlockOffset];
    const bool asked = answers.bandSwitchOk || accepted;
    if (!input.narrowBandChosen) {
      if (pagerNarrowMarker == 0 && pagerBand == 1 && !asked) {
        return Stop(decision, WriteDecision::Step::Ask, kSwitchNbToWbText);
      }
      if (pagerNarrowMarker == 0 && pagerBand == kBlank) {
        image[kAudioGain] = 0;
        image[kNarrowBandMarker] = kBlank;
        decision.audioGainReset = true;
      }
    } else {
      const bool pagerWide = pagerBand == kBlank && (pagerNarrowMarker == kBlank || pagerNarrowMarker == 0);
      // A production line is stopped by the question only when the image
      // really carries the narrow-band bytes; the interactive Write asks
      // on the "NB" tick alone, with the user at the screen.
      const bool imageNarrow = image[kNarrowBandMarker] == 0 && image[kBand] == 1;
      if (pagerWide && (!production || imageNarrow) && !asked) {
        return Stop(decision, WriteDecision::Step::Ask, kSwitchWbToNbText);
      }
    }

    image[kGapMax] = ConvertGapMax(image[kGapMax], pagerFirmware, imageFirmware);
    decision.gapMaxConverted = true;
    image[kLowBatteryAlarm] = LowBatteryAlarmCode(image[kBatteryLow], pagerFirmware);
  } else if (!accepted) {
    if (std::optional<std::string> refusal = RestoreRefusal(image, input.pager.identity)) {
      return Stop(decision, WriteDecision::Step::Refuse, std::move(*refusal));
    }
  }
  CopyBlock(image, kIdentity, input.pager.identity);
  if (input.kind == WriteKind::Production) return decision;

  if (!input.pager.serial) return Stop(decision, WriteDecision::Step::ReadSerial);
  CodePlugImage withSerial = image;
  const std::optional<std::string> serial = TakeSerialNumber(withSerial, *input.pager.serial);
  if (!serial) {
    // The verify of a file compares against the file's own serial bytes.
    if (accepted) return decision;
    return Stop(decision, WriteDecision::Step::Refuse, kSerialChecksumErrorText);
  }
  image = withSerial;
  decision.serialShown = serial;
  return decision;
}

}  // namespace zt310
