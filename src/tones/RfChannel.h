// SPDX-License-Identifier: GPL-3.0-or-later
// RF channels of the ZT310: the frequency field, the channel spacing with its
// automatic mode and the synthesiser words PLLR and PLLN with the multiplier
// MUTL. Pure arithmetic; the editor reads and writes the image and the labels.
//
// Units: the frequency field counts 100 Hz ("1520000" is 152.0000 MHz);
// functions named ...Hz take hertz.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zt310 {

// ---------------------------------------------------------------------------
// Constants of the synthesiser
// ---------------------------------------------------------------------------

inline constexpr std::uint32_t kSynthReferenceHz = 20950000;
inline constexpr std::uint32_t kSynthOffsetHz = 21400000;     // PLLN counts from here
inline constexpr std::uint32_t kHighBandLimitHz = 200000000;  // above it MUTL is 2
inline constexpr std::uint32_t kFrequencyFieldUnitHz = 100;
inline constexpr std::uint32_t kHighBandLimitField = kHighBandLimitHz / kFrequencyFieldUnitHz;
inline constexpr int kFrequencyFieldDigits = 7;
// The lowest frequency the synthesiser words can express: below it the PLLN
// subtraction would wrap around to a huge divider.
inline constexpr std::uint32_t kLowestFrequencyField = kSynthOffsetHz / kFrequencyFieldUnitHz;  // 0214000

// ---------------------------------------------------------------------------
// Channel spacing
// ---------------------------------------------------------------------------

// Items of the "Channel Space" list, in list order.
enum class SpacingChoice { Khz2_5 = 0, Khz6_25 = 1, Khz12_5 = 2, Auto = 3 };
inline constexpr std::array<std::string_view, 4> kSpacingChoiceItems{"2.5 K", "6.25 K", "12.5 K", "Auto"};
inline constexpr std::string_view kSpacingChoiceHint = "Select the channel.";

// Spacing code byte of a channel (image byte 23 for F1, 39 for F2).
namespace spacing_code {
inline constexpr std::uint8_t kChosen2_5 = 32;
inline constexpr std::uint8_t kChosen6_25 = 33;
inline constexpr std::uint8_t k12_5 = 34;  // chosen, or found by Auto
inline constexpr std::uint8_t kAuto6_25 = 35;
inline constexpr std::uint8_t kAuto2_5 = 36;
inline constexpr std::uint8_t kLegacy2_5 = 37;  // taken over from an old PLLR word
}  // namespace spacing_code

// Spacing in effect before any image is loaded and after a factory restore.
inline constexpr std::uint32_t kDefaultSpacingHz = 12500;
// Auto tries these in order.
inline constexpr std::array<std::uint32_t, 3> kAutoSpacingTrialsHz{12500, 6250, 2500};

// The list item shown for a stored code: 32..34 their own item, anything else
// "Auto" (so a damaged code is replaced by whatever spacing Auto finds).
SpacingChoice SpacingChoiceFromCode(std::uint8_t code);

// 2500, 6250 or 12500 for a manual choice; nothing for Auto.
std::optional<std::uint32_t> SpacingHzOfChoice(SpacingChoice choice);
// 32, 33 or 34 for a manual choice; nothing for Auto.
std::optional<std::uint8_t> SpacingCodeOfChoice(SpacingChoice choice);

struct AutoSpacing {
  std::uint32_t spacingHz;
  std::uint8_t code;  // 34, 35 or 36
};
// The first of 12500, 6250, 2500 Hz that divides the frequency exactly.
std::optional<AutoSpacing> FindAutoSpacing(std::uint32_t frequencyHz);

// A stored PLLR word whose hex form begins "00020B" marks a code-plug made
// for 2.5 kHz by an older tool (spacing code 37).
bool IsLegacyPllrWord(std::uint32_t storedPllr);

// ---------------------------------------------------------------------------
// Synthesiser words
// ---------------------------------------------------------------------------

struct SynthesiserWords {
  std::uint8_t mutl = 1;
  std::uint32_t pllr = 0;
  std::uint32_t plln = 0;
};

// 2 above 200 MHz, else 1.
std::uint8_t SynthMultiplier(std::uint32_t frequencyHz);
// ((20950000 div S) div 4) * 256 + 0x11: 12.5 kHz 0001A311, 6.25 kHz 00034611, 2.5 kHz 00082F11.
std::uint32_t PllrWord(std::uint32_t spacingHz);
// N = ((F - 21400000) div MUTL) div S; N div 32 in bits 12 and up, N mod 32 in
// bits 7..11. Only meaningful from kSynthOffsetHz upwards (IsFrequencyBelowSynthRange).
std::uint32_t PllnWord(std::uint32_t frequencyHz, std::uint32_t spacingHz);
SynthesiserWords ComputeSynthesiserWords(std::uint32_t frequencyHz, std::uint32_t spacingHz);

bool IsFrequencyBelowSynthRange(std::uint32_t frequencyHz);

// 8 upper-case hex digits, as the PLLR, PLLN labels show a word.
std::string FormatSynthWord(std::uint32_t word);

// ---------------------------------------------------------------------------
// Frequency field and its stored digits
// ---------------------------------------------------------------------------

// 1 to 7 digits, surrounding blanks ignored; nothing for anything else.
std::optional<std::uint32_t> ParseFrequencyField(std::string_view text);
// "%07d": 1520000 -> "1520000", 214000 -> "0214000".
std::string FormatFrequencyField(std::uint32_t fieldValue);
constexpr std::uint32_t FrequencyFieldToHz(std::uint32_t fieldValue) { return fieldValue * kFrequencyFieldUnitHz; }

// The seven image bytes of a field value (one decimal digit each, most
// significant first). The value must be below 10000000.
std::array<std::uint8_t, kFrequencyFieldDigits> FrequencyFieldDigits(std::uint32_t fieldValue);
// The field value the seven stored bytes form; nothing if a byte is not a
// decimal digit (a blank or damaged image), since it would form no frequency.
std::optional<std::uint32_t> FrequencyFieldFromDigits(std::span<const std::uint8_t, kFrequencyFieldDigits> digits);

// ---------------------------------------------------------------------------
// Committing a frequency field
// ---------------------------------------------------------------------------

enum class FrequencyCommitResult {
  Store,         // store the digits, the code (if any) and the words
  NotANumber,    // text is not 1 to 7 digits
  BelowRange,    // below 21.4 MHz, the synthesiser cannot be set
  SpacingError,  // not a multiple of the spacing, or Auto found none
};

struct FrequencyCommitDecision {
  FrequencyCommitResult result = FrequencyCommitResult::Store;
  std::uint32_t fieldValue = 0;
  // Spacing in effect afterwards, also after a refusal: a manual choice sets
  // it whatever the frequency, a failed Auto leaves it as it was.
  std::uint32_t spacingHz = kDefaultSpacingHz;
  // Code to store: set when Auto found a spacing. (A manual choice stores its
  // code when it is clicked, before the frequency is committed.)
  std::optional<std::uint8_t> spacingCode;
  SynthesiserWords words;  // Store only
};

// The decision of a frequency commit for a non-empty field text (an empty
// field restores the stored frequencies instead and is not judged here).
FrequencyCommitDecision DecideFrequencyCommit(std::string_view fieldText, SpacingChoice choice,
                                              std::uint32_t spacingInEffectHz);

// Band rule: after this channel was computed with `mutl`, the other channel
// must be moved to this channel's frequency when its field value lies on the
// other side of 200 MHz.
bool BandRuleMovesOtherChannel(std::uint8_t mutl, std::uint32_t otherFieldValue);

// ---------------------------------------------------------------------------
// Messages of the frequency fields
// ---------------------------------------------------------------------------

inline constexpr std::string_view kFrequencyMessageTitle = "ZT310";
// Shown by the key filter of the frequency fields, title "Warning!".
inline constexpr std::string_view kFrequencyKeyMessage = "Please insert a numeric  !";
inline constexpr std::string_view kFrequencyKeyMessageTitle = "Warning!";

// `channel` is 0 for F1, 1 for F2.
std::string ChannelSpacingErrorMessage(int channel);  // "F1 Channel Spacing Error!"
std::string FrequencyBelowRangeMessage(int channel);  // refuses frequencies below 21.4 MHz

struct FrequencyMessage {
  std::string_view title;
  std::string text;
};
// Text that is no frequency gets the key filter's message and title.
std::optional<FrequencyMessage> MessageForFrequencyCommit(const FrequencyCommitDecision& decision, int channel);

}  // namespace zt310
