// SPDX-License-Identifier: GPL-3.0-or-later
#include "tones/Tones.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace zt310 {

constexpr std::array<ToneValue, 140> StandardToneTable{
    2885,  2965,  3047,  3130,  3217,  3305,  3396,  3467,  3490,  3586,  3589,  3685,  3715,  3786,  3846,  3890,
    3981,  3998,  4108,  4121,  4221,  4266,  4337,  4416,  4457,  4571,  4579,  4705,  4732,  4835,  4898,  4968,
    5070,  5105,  5175,  5246,  5248,  5325,  5390,  5433,  5475,  5539,  5623,  5625,  5691,  5775,  5821,  5848,
    5925,  6009,  6026,  6075,  6174,  6225,  6237,  6345,  6375,  6457,  6519,  6525,  6675,  6683,  6699,  6825,
    6883,  6918,  6975,  7073,  7125,  7161,  7268,  7275,  7413,  7468,  7575,  7674,  7674,  7725,  7875,  7885,
    7943,  8025,  8102,  8175,  8222,  8325,  8325,  8475,  8511,  8555,  8625,  8775,  8790,  8810,  8925,  9032,
    9075,  9120,  9225,  9281,  9375,  9441,  9525,  9537,  9675,  9799,  10069, 10347, 10632, 10924, 11225, 11534,
    11852, 12178, 12514, 12858, 13212, 13576, 13950, 14334, 14729, 15135, 15552, 15980, 16420, 16872, 17337, 17815,
    18305, 18810, 19302, 19890, 20438, 20945, 21556, 22122, 22717, 23346, 24010, 24682,
};

constexpr std::array<ToneValue, 59> PlectronToneTable{
    2822,  2947,  3078,  3214,  3356,  3505,  3660,  3823,  3992,  4169,  4353,  4546,  4748,  4958,  5178,
    5407,  5647,  5897,  6158,  6430,  6720,  7010,  7320,  7650,  7990,  8340,  8710,  9100,  9500,  9920,
    10360, 10820, 11300, 11800, 12320, 12870, 13440, 14030, 14650, 15300, 15980, 16690, 17430, 18200, 19010,
    19850, 20730, 21640, 22600, 23610, 24650, 25750, 26880, 28070, 29320, 30620, 31970, 33390, 34870,
};

static_assert(std::is_sorted(StandardToneTable.begin(), StandardToneTable.end()));
static_assert(std::is_sorted(PlectronToneTable.begin(), PlectronToneTable.end()));

namespace {

constexpr ToneRange kStandardRange{2885, 24682};
constexpr ToneRange kPlectronRange{2822, 34870};
constexpr ToneRange kUserRange{kLowestTone, kHighestTone};

// The decoder counts a 118920-cycle window of the 3579545 Hz reference clock.
constexpr double kReferenceClockHz = 3579545.0;
constexpr double kWindowCycles = 118920.0;
constexpr double kQuarterWindowCycles = 29730.0;
constexpr double kReferenceClockPer30 = 119318.1667;

// Snapping only looks this far (100.0 Hz) from the typed value.
constexpr int kSnapReach = 1000;

}  // namespace

ToneSystem ToneSystemFromByte(std::uint8_t byte) {
  switch (byte) {
    case ToneSystemByte(ToneSystem::User):
      return ToneSystem::User;
    case ToneSystemByte(ToneSystem::Plectron):
      return ToneSystem::Plectron;
    default:
      return ToneSystem::Standard;
  }
}

ToneRange ToneRangeOf(ToneSystem system) {
  switch (system) {
    case ToneSystem::Plectron:
      return kPlectronRange;
    case ToneSystem::User:
      return kUserRange;
    case ToneSystem::Standard:
      break;
  }
  return kStandardRange;
}

bool IsToneInRange(ToneSystem system, std::uint32_t tenths) {
  const ToneRange range = ToneRangeOf(system);
  return tenths >= range.lowest && tenths <= range.highest;
}

std::uint16_t ToneDecoderWord(ToneValue tone) {
  const ToneValue clamped = std::clamp(tone, kLowestTone, kHighestTone);
  // The tone is held in single precision; the rest is worked out in double.
  const float hertz = static_cast<float>(clamped) / 10.0f;
  const double f = hertz;
  const double periods = std::floor(kWindowCycles * f / kReferenceClockHz);
  const double remainder =
      std::floor((kQuarterWindowCycles / kReferenceClockHz - periods / (4.0 * f)) * kReferenceClockPer30);
  return static_cast<std::uint16_t>(0x8000u + 128u * static_cast<unsigned>(periods) + static_cast<unsigned>(remainder));
}

std::optional<std::uint16_t> MendedLegacyDecoderWord(ToneValue tone, std::uint16_t storedWord) {
  if (tone == 8790 && storedWord == 0x4E86) return std::uint16_t{0x8E86};
  return std::nullopt;
}

std::span<const ToneValue> ToneTableOf(ToneSystem system) {
  switch (system) {
    case ToneSystem::Standard:
      return StandardToneTable;
    case ToneSystem::Plectron:
      return PlectronToneTable;
    case ToneSystem::User:
      break;
  }
  return {};
}

std::size_t SnapToneTableIndex(std::span<const ToneValue> table, ToneValue tone) {
  int best = kSnapReach;
  std::optional<std::size_t> found;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const int distance = std::abs(static_cast<int>(table[i]) - static_cast<int>(tone));
    if (distance <= best) {
      best = distance;
      found = i;
    }
  }
  if (found) return *found;
  return tone < table.front() ? 0 : table.size() - 1;
}

ToneValue SnapToneToTable(ToneSystem system, ToneValue tone) {
  const auto table = ToneTableOf(system);
  if (table.empty()) return tone;
  return table[SnapToneTableIndex(table, tone)];
}

bool ChannelTones::IsSlotEnabled(int slot) const {
  const int call = CallIndexOfSlot(slot);
  const std::uint8_t bits = IsGroupToneSlot(slot) ? groupEnableBits : callEnableBits;
  return (bits >> call) & 1u;
}

int DecoderBandwidthTenthsForIndex(std::uint8_t index, int previousTenths) {
  if (index >= kDecoderBandwidthChoices) return previousTenths;
  return 2 * index + 1;
}

SpacingCheck CheckToneSpacing(const ChannelTones& channel, int slot, ToneValue candidate, int bandwidthTenths) {
  // The pager firmware's tolerance is worked out in single precision; keep it
  // so that borderline tones are judged the same way.
  const float fraction = static_cast<float>(2 * bandwidthTenths + 1) / 1000.0f;
  const float f = static_cast<float>(candidate) / 10.0f;
  for (int other = 0; other < kToneSlotsPerChannel; ++other) {
    if (other == slot || !channel.IsSlotEnabled(other)) continue;
    const float e = static_cast<float>(channel.tones[static_cast<std::size_t>(other)]) / 10.0f;
    if (e == f) return {};
    const float window = e * fraction;
    if (std::fabs(f - e) < window) return {false, other, CallIndexOfSlot(other)};
  }
  return {};
}

std::optional<TypedTone> ParseToneText(std::string_view text) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

  const std::size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  const auto allDigits = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!allDigits(whole) || !allDigits(fraction) || (whole.empty() && fraction.empty())) return std::nullopt;

  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  const char tenth = fraction.empty() ? '0' : fraction.front();

  TypedTone typed;
  typed.shown = std::string(whole.empty() ? "0" : whole) + '.' + tenth;
  if (typed.shown.size() < 4) typed.shown.insert(0, 4 - typed.shown.size(), '0');

  constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t value = 0;
  for (const char c : whole) value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(c - '0'), kSaturated);
  value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(tenth - '0'), kSaturated);
  typed.tenths = static_cast<std::uint32_t>(value);
  return typed;
}

std::string FormatTone(std::uint32_t tenths) {
  std::string text = std::to_string(tenths / 10) + '.' + static_cast<char>('0' + tenths % 10);
  if (text.size() < 4) text.insert(0, 4 - text.size(), '0');
  return text;
}

ToneCommitDecision DecideToneCommit(ToneSystem system, const ChannelTones& channel, int slot,
                                    std::uint32_t candidateTenths, std::optional<std::uint32_t> partnerTenths,
                                    int bandwidthTenths) {
  ToneCommitDecision decision;
  if (!IsGroupToneSlot(slot) && partnerTenths && *partnerTenths == candidateTenths) {
    decision.result = ToneCommitResult::EqualTones;
    return decision;
  }
  if (!IsToneInRange(system, candidateTenths)) {
    decision.result = ToneCommitResult::OutOfRange;
    return decision;
  }
  ToneValue tone = static_cast<ToneValue>(candidateTenths);
  if (system == ToneSystem::User) {
    const SpacingCheck spacing = CheckToneSpacing(channel, slot, tone, bandwidthTenths);
    if (!spacing.accepted) {
      decision.result = ToneCommitResult::SpacingConflict;
      decision.conflictCall = spacing.conflictCall;
      return decision;
    }
  } else {
    tone = SnapToneToTable(system, tone);
  }
  decision.tone = tone;
  decision.decoderWord = ToneDecoderWord(tone);
  return decision;
}

namespace {

// A tone bound in hertz as the range message shows it: one decimal, or none
// when WHOLE (the User system's lowest tone reads "280").
std::string HertzText(ToneValue tenths, bool whole) {
  char text[16];
  if (whole) {
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(tenths / 10));
  } else {
    std::snprintf(text, sizeof text, "%u.%u", static_cast<unsigned>(tenths / 10), static_cast<unsigned>(tenths % 10));
  }
  return text;
}

std::string RangeMessageOf(ToneSystem system) {
  const ToneRange range = ToneRangeOf(system);
  return "Please insert a number between " + HertzText(range.lowest, system == ToneSystem::User) + " to " +
         HertzText(range.highest, false);
}

}  // namespace

std::string_view ToneRangeMessage(ToneSystem system) {
  static const std::string kStandard = RangeMessageOf(ToneSystem::Standard);
  static const std::string kUser = RangeMessageOf(ToneSystem::User);
  static const std::string kPlectron = RangeMessageOf(ToneSystem::Plectron);
  switch (system) {
    case ToneSystem::Plectron:
      return kPlectron;
    case ToneSystem::User:
      return kUser;
    case ToneSystem::Standard:
      break;
  }
  return kStandard;
}

namespace {

std::string SpacingMessageOpening(int bandwidthTenths) {
  char percent[32];
  std::snprintf(percent, sizeof percent, "%0.1f", bandwidthTenths / 10.0);
  return std::string(
             "Tone Frequency Error!\n\nPlease check the tone spacing rule. \n"
             "[1]Two tones in the same call address should not be the same.\n"
             "[2]Any two tones should be separated by minimum of ") +
         percent;
}

}  // namespace

std::string ToneSpacingLongMessage(int bandwidthTenths) {
  return SpacingMessageOpening(bandwidthTenths) +
         "%. \n     (spacing = bandwidth*2 + 0.001)\n\nThe original tone frequency is restored.";
}

std::string ToneSpacingShortMessage(int bandwidthTenths) {
  return SpacingMessageOpening(bandwidthTenths) + "%. \n\nThe original tone frequency is restored.";
}

std::optional<ToneMessage> MessageForToneCommit(const ToneCommitDecision& decision, ToneSystem system, int channel,
                                                ToneKind kind, int bandwidthTenths) {
  switch (decision.result) {
    case ToneCommitResult::Store:
      return std::nullopt;
    case ToneCommitResult::OutOfRange:
      return ToneMessage{kToneMessageTitle, std::string(ToneRangeMessage(system))};
    case ToneCommitResult::SpacingConflict:
      return ToneMessage{kToneMessageTitle, ToneSpacingLongMessage(bandwidthTenths)};
    case ToneCommitResult::EqualTones:
      if (channel == 0 && kind == ToneKind::Tone1)
        return ToneMessage{kToneMessageTitleF1Tone1, ToneSpacingLongMessage(bandwidthTenths)};
      return ToneMessage{kToneMessageTitle, ToneSpacingShortMessage(bandwidthTenths)};
  }
  return std::nullopt;
}

}  // namespace zt310
