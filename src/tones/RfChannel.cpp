// SPDX-License-Identifier: GPL-3.0-or-later
#include "tones/RfChannel.h"

#include <algorithm>
#include <cstdio>

namespace zt310 {

namespace {

constexpr std::uint32_t kPllrControlBits = 0x11;
constexpr std::uint32_t kMaxFieldValue = 9999999;

std::string ChannelName(int channel) { return channel == 1 ? "F2" : "F1"; }

}  // namespace

SpacingChoice SpacingChoiceFromCode(std::uint8_t code) {
  switch (code) {
    case spacing_code::kChosen2_5:
      return SpacingChoice::Khz2_5;
    case spacing_code::kChosen6_25:
      return SpacingChoice::Khz6_25;
    case spacing_code::k12_5:
      return SpacingChoice::Khz12_5;
    default:
      return SpacingChoice::Auto;
  }
}

std::optional<std::uint32_t> SpacingHzOfChoice(SpacingChoice choice) {
  switch (choice) {
    case SpacingChoice::Khz2_5:
      return 2500u;
    case SpacingChoice::Khz6_25:
      return 6250u;
    case SpacingChoice::Khz12_5:
      return 12500u;
    case SpacingChoice::Auto:
      break;
  }
  return std::nullopt;
}

std::optional<std::uint8_t> SpacingCodeOfChoice(SpacingChoice choice) {
  switch (choice) {
    case SpacingChoice::Khz2_5:
      return spacing_code::kChosen2_5;
    case SpacingChoice::Khz6_25:
      return spacing_code::kChosen6_25;
    case SpacingChoice::Khz12_5:
      return spacing_code::k12_5;
    case SpacingChoice::Auto:
      break;
  }
  return std::nullopt;
}

std::optional<AutoSpacing> FindAutoSpacing(std::uint32_t frequencyHz) {
  constexpr std::array<std::uint8_t, 3> kCodes{spacing_code::k12_5, spacing_code::kAuto6_25, spacing_code::kAuto2_5};
  for (std::size_t i = 0; i < kAutoSpacingTrialsHz.size(); ++i) {
    if (frequencyHz % kAutoSpacingTrialsHz[i] == 0) return AutoSpacing{kAutoSpacingTrialsHz[i], kCodes[i]};
  }
  return std::nullopt;
}

bool IsLegacyPllrWord(std::uint32_t storedPllr) { return (storedPllr >> 8) == 0x00020Bu; }

std::uint8_t SynthMultiplier(std::uint32_t frequencyHz) { return frequencyHz > kHighBandLimitHz ? 2 : 1; }

std::uint32_t PllrWord(std::uint32_t spacingHz) {
  const std::uint32_t divider = (kSynthReferenceHz / spacingHz) / 4;
  return divider * 256 + kPllrControlBits;
}

std::uint32_t PllnWord(std::uint32_t frequencyHz, std::uint32_t spacingHz) {
  const std::uint32_t n = ((frequencyHz - kSynthOffsetHz) / SynthMultiplier(frequencyHz)) / spacingHz;
  return (n / 32) * 4096 + (n % 32) * 128;
}

SynthesiserWords ComputeSynthesiserWords(std::uint32_t frequencyHz, std::uint32_t spacingHz) {
  return {SynthMultiplier(frequencyHz), PllrWord(spacingHz), PllnWord(frequencyHz, spacingHz)};
}

bool IsFrequencyBelowSynthRange(std::uint32_t frequencyHz) { return frequencyHz < kSynthOffsetHz; }

std::string FormatSynthWord(std::uint32_t word) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(word));
  return text;
}

std::optional<std::uint32_t> ParseFrequencyField(std::string_view text) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  if (text.empty() || text.size() > static_cast<std::size_t>(kFrequencyFieldDigits)) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value;
}

std::string FormatFrequencyField(std::uint32_t fieldValue) {
  char text[16];
  std::snprintf(text, sizeof text, "%07u", static_cast<unsigned>(fieldValue));
  return text;
}

std::array<std::uint8_t, kFrequencyFieldDigits> FrequencyFieldDigits(std::uint32_t fieldValue) {
  std::array<std::uint8_t, kFrequencyFieldDigits> digits{};
  std::uint32_t rest = std::min(fieldValue, kMaxFieldValue);
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    *it = static_cast<std::uint8_t>(rest % 10);
    rest /= 10;
  }
  return digits;
}

std::optional<std::uint32_t> FrequencyFieldFromDigits(std::span<const std::uint8_t, kFrequencyFieldDigits> digits) {
  std::uint32_t value = 0;
  for (const std::uint8_t d : digits) {
    if (d > 9) return std::nullopt;
    value = value * 10 + d;
  }
  return value;
}

FrequencyCommitDecision DecideFrequencyCommit(std::string_view fieldText, SpacingChoice choice,
                                              std::uint32_t spacingInEffectHz) {
  FrequencyCommitDecision decision;
  decision.spacingHz = SpacingHzOfChoice(choice).value_or(spacingInEffectHz);

  const auto fieldValue = ParseFrequencyField(fieldText);
  if (!fieldValue) {
    decision.result = FrequencyCommitResult::NotANumber;
    return decision;
  }
  decision.fieldValue = *fieldValue;
  const std::uint32_t hz = FrequencyFieldToHz(*fieldValue);

  if (IsFrequencyBelowSynthRange(hz)) {
    decision.result = FrequencyCommitResult::BelowRange;
    return decision;
  }
  if (choice == SpacingChoice::Auto) {
    const auto found = FindAutoSpacing(hz);
    if (!found) {
      decision.result = FrequencyCommitResult::SpacingError;
      return decision;
    }
    decision.spacingHz = found->spacingHz;
    decision.spacingCode = found->code;
  }
  if (hz % decision.spacingHz != 0) {
    decision.result = FrequencyCommitResult::SpacingError;
    return decision;
  }
  decision.words = ComputeSynthesiserWords(hz, decision.spacingHz);
  return decision;
}

bool BandRuleMovesOtherChannel(std::uint8_t mutl, std::uint32_t otherFieldValue) {
  const bool otherHigh = otherFieldValue > kHighBandLimitField;
  return mutl == 2 ? !otherHigh : otherHigh;
}

std::string ChannelSpacingErrorMessage(int channel) { return ChannelName(channel) + " Channel Spacing Error!"; }

std::string FrequencyBelowRangeMessage(int channel) {
  return ChannelName(channel) + " Frequency Error!\n\nThe frequency must be at least 0214000 (21.4 MHz).";
}

std::optional<FrequencyMessage> MessageForFrequencyCommit(const FrequencyCommitDecision& decision, int channel) {
  switch (decision.result) {
    case FrequencyCommitResult::Store:
      return std::nullopt;
    case FrequencyCommitResult::NotANumber:
      return FrequencyMessage{kFrequencyKeyMessageTitle, std::string(kFrequencyKeyMessage)};
    case FrequencyCommitResult::BelowRange:
      return FrequencyMessage{kFrequencyMessageTitle, FrequencyBelowRangeMessage(channel)};
    case FrequencyCommitResult::SpacingError:
      return FrequencyMessage{kFrequencyMessageTitle, ChannelSpacingErrorMessage(channel)};
  }
  return std::nullopt;
}

}  // namespace zt310
