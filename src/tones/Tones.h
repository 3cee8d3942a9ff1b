// SPDX-License-Identifier: GPL-3.0-or-later
// Call tones of the ZT310: tone values, decoder words, the Standard and
// Plectron tone tables, snapping, the User-system spacing rule and the pure
// decision behind the commit of a tone field, with the texts of its messages.
//
// Everything here is arithmetic on numbers: no image, no widgets. The editor
// reads the image, calls these functions and writes or shows what they return.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zt310 {

// A tone frequency as a count of tenths of a hertz (1285.8 Hz is 12858).
using ToneValue = std::uint16_t;

// ---------------------------------------------------------------------------
// Tone systems (image byte 413) and their accepted ranges
// ---------------------------------------------------------------------------

enum class ToneSystem : std::uint8_t { Standard = 255, User = 254, Plectron = 253 };

// Any byte other than 254 or 253 selects Standard.
ToneSystem ToneSystemFromByte(std::uint8_t byte);
constexpr std::uint8_t ToneSystemByte(ToneSystem system) { return static_cast<std::uint8_t>(system); }

// The tone systems in the order of their radio buttons, with their captions
// (also the names a code-plug text and the decoded listing use).
inline constexpr ToneSystem kToneSystems[] = {ToneSystem::Standard, ToneSystem::User, ToneSystem::Plectron};
constexpr const char* ToneSystemName(ToneSystem system) {
  switch (system) {
    case ToneSystem::User:
      return "User";
    case ToneSystem::Plectron:
      return "Plectron";
    case ToneSystem::Standard:
      break;
  }
  return "Standard";
}

struct ToneRange {
  ToneValue lowest;   // inclusive, tenths of a hertz
  ToneValue highest;  // inclusive
};

// Standard 2885..24682, Plectron 2822..34870, User 2800..35000.
ToneRange ToneRangeOf(ToneSystem system);
// Takes 32 bits so that a typed value too long for a tone is simply out of range.
bool IsToneInRange(ToneSystem system, std::uint32_t tenths);

// The widest range of any system; decoder words are only meaningful inside it.
inline constexpr ToneValue kLowestTone = 2800;
inline constexpr ToneValue kHighestTone = 35000;

// ---------------------------------------------------------------------------
// Decoder word
// ---------------------------------------------------------------------------

// The 16-bit word the pager's tone decoder uses for a tone: bit 15 set, the
// number of whole tone periods in the 118920-cycle counting window in bits
// 14..7, the rest of the window in units of 120 reference cycles in bits 6..0.
// 879.0 Hz gives 0x8E86, 1285.8 Hz gives 0x9510. Tones outside 280.0..3500.0 Hz
// are never stored; they are clamped into that range so that no input can
// produce a word whose fields overflow into each other.
std::uint16_t ToneDecoderWord(ToneValue tone);

// Old code-plugs hold 0x4E86 for 879.0 Hz. Given a stored tone and its stored
// decoder word, returns the mended word when the image needs fixing.
std::optional<std::uint16_t> MendedLegacyDecoderWord(ToneValue tone, std::uint16_t storedWord);

// ---------------------------------------------------------------------------
// Tone tables and snapping
// ---------------------------------------------------------------------------

// Ascending; 767.4 Hz and 832.5 Hz occur twice.
extern const std::array<ToneValue, 140> StandardToneTable;
extern const std::array<ToneValue, 59> PlectronToneTable;

// The table of a system; empty for User, which has none.
std::span<const ToneValue> ToneTableOf(ToneSystem system);

// Index of the entry nearest to the tone; on a tie (also between two equal
// entries) the later entry wins. Entries more than 100.0 Hz away are not
// considered; if none is that close (only possible outside the system's range)
// the nearer end of the table is taken. The table must not be empty.
std::size_t SnapToneTableIndex(std::span<const ToneValue> table, ToneValue tone);

// The table entry of the system nearest to the tone (User: the tone unchanged).
ToneValue SnapToneToTable(ToneSystem system, ToneValue tone);

// ---------------------------------------------------------------------------
// Tone slots of one channel
// ---------------------------------------------------------------------------

// Slots 0..7 tone 1 of calls 1..8, slots 8..15 tone 2 of calls 1..8,
// slots 16..19 the tone of group calls 1..4.
inline constexpr int kToneSlotsPerChannel = 20;
inline constexpr int kIndividualCallsPerChannel = 8;
inline constexpr int kGroupCallsPerChannel = 4;

enum class ToneKind { Tone1, Tone2, Group };

constexpr int ToneSlotOf(ToneKind kind, int callIndex) {
  return kind == ToneKind::Tone1 ? callIndex : kind == ToneKind::Tone2 ? 8 + callIndex : 16 + callIndex;
}
constexpr bool IsGroupToneSlot(int slot) { return slot >= 16; }
// Row of the slot's call: 0..7 for individual calls, 0..3 for group calls.
constexpr int CallIndexOfSlot(int slot) { return IsGroupToneSlot(slot) ? slot - 16 : slot % 8; }

// What the spacing rule needs of a channel: its tone list and its enable bytes
// (image bytes 88/89 for F1, 232/233 for F2).
struct ChannelTones {
  std::array<ToneValue, kToneSlotsPerChannel> tones{};
  std::uint8_t callEnableBits = 0;   // bit i: individual call i enabled
  std::uint8_t groupEnableBits = 0;  // bit g: group call g enabled

  bool IsSlotEnabled(int slot) const;
};

// ---------------------------------------------------------------------------
// Decoder bandwidth and the tone spacing rule (User system)
// ---------------------------------------------------------------------------

// Decoder bandwidth in tenths of a percent, before any image is loaded.
inline constexpr int kDefaultDecoderBandwidthTenths = 9;
inline constexpr int kDecoderBandwidthChoices = 16;  // "0.1" .. "3.1"

// 2 * index + 1 for the list indexes 0..15 (image byte 368). An index outside
// the list names no bandwidth; the previous value then stays in force.
int DecoderBandwidthTenthsForIndex(std::uint8_t index, int previousTenths);

struct SpacingCheck {
  bool accepted = true;
  int conflictSlot = -1;  // slot whose tone is too close, when refused
  int conflictCall = -1;  // CallIndexOfSlot(conflictSlot), the pending conflict
};

// Walks slots 0..19 except `slot`. The first enabled slot holding exactly the
// candidate accepts it; the first enabled slot whose tone e differs and lies
// closer than e * (2b + 1) / 1000 refuses it. Computed in single precision.
SpacingCheck CheckToneSpacing(const ChannelTones& channel, int slot, ToneValue candidate, int bandwidthTenths);

// ---------------------------------------------------------------------------
// Typed tone text
// ---------------------------------------------------------------------------

struct TypedTone {
  std::uint32_t tenths = 0;  // digits before the point * 10 + first digit after it;
                             // saturates at 0xFFFFFFFF for absurdly long numbers
  std::string shown;         // the value as the field shows it, "%04.1f" style
};

// Reads a tone typed into a field ("1285.8", "1000", "879."). Surrounding
// blanks are ignored; further decimals are dropped. Returns nothing for empty
// text or text that is not a plain decimal number.
std::optional<TypedTone> ParseToneText(std::string_view text);

// "%04.1f" of tenths / 10, exact: 12858 -> "1285.8", 5 -> "00.5".
std::string FormatTone(std::uint32_t tenths);

// ---------------------------------------------------------------------------
// Committing a tone field
// ---------------------------------------------------------------------------

enum class ToneCommitResult {
  Store,            // write `tone` and `decoderWord` into the slot
  EqualTones,       // tone 1 and tone 2 of one call typed equal; restore the stored value
  OutOfRange,       // outside the tone system's range; focus back, image unchanged
  SpacingConflict,  // User system: too close to another enabled tone; restore
};

struct ToneCommitDecision {
  ToneCommitResult result = ToneCommitResult::Store;
  ToneValue tone = 0;             // Store: the value to store (snapped under Standard/Plectron)
  std::uint16_t decoderWord = 0;  // Store: ToneDecoderWord(tone)
  int conflictCall = -1;          // SpacingConflict: the pending conflict's call row
};

// The checks of a tone commit in their order: equal to the partner tone of the
// same call (typed values, before snapping), the system's range, then snapping
// (Standard, Plectron) or the spacing rule (User). `partnerTenths` is the value
// shown in the partner field (tone 2 for tone 1 and vice versa); group tones
// have none.
ToneCommitDecision DecideToneCommit(ToneSystem system, const ChannelTones& channel, int slot,
                                    std::uint32_t candidateTenths, std::optional<std::uint32_t> partnerTenths,
                                    int bandwidthTenths);

// ---------------------------------------------------------------------------
// Messages of the tone commit
// ---------------------------------------------------------------------------

inline constexpr std::string_view kToneMessageTitle = "ZT310";
// Title of the equal-tones message raised by a channel F1 tone 1 field.
inline constexpr std::string_view kToneMessageTitleF1Tone1 = "ZT310Pro";

// "Please insert a number between 288.5 to 2468.2" and its Plectron and User texts.
std::string_view ToneRangeMessage(ToneSystem system);

// The spacing message with the "(spacing = bandwidth*2 + 0.001)" line; shown for
// spacing refusals and for equal tones in a channel F1 tone 1 field.
std::string ToneSpacingLongMessage(int bandwidthTenths);
// The same without that line; equal tones in the other two-tone fields.
std::string ToneSpacingShortMessage(int bandwidthTenths);

struct ToneMessage {
  std::string_view title;
  std::string text;
};

// The message a refused commit shows (nothing for Store). `channel` is 0 for
// F1, 1 for F2; `kind` is the kind of the field being committed.
std::optional<ToneMessage> MessageForToneCommit(const ToneCommitDecision& decision, ToneSystem system, int channel,
                                                ToneKind kind, int bandwidthTenths);

}  // namespace zt310
