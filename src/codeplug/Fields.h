// SPDX-License-Identifier: GPL-3.0-or-later
// Typed fields of the code-plug image. Layout.h names where a field is; a
// descriptor here says how it is encoded (bit, bit run, list of texts), and
// CodePlugImage reads and writes it in one line. The decoded listing, the
// editor and the operations all go through these, so a field's encoding is
// written down once.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "codeplug/Layout.h"

namespace zt310::fields {

// One bit of a byte: (byte >> shift) & 1.
struct Bit {
  int offset;
  int shift;
};

// A run of bits of one byte: (byte >> shift) & ((1 << width) - 1).
struct Bits {
  int offset;
  int shift;
  int width;
};

// An option the editor shows as one check box over one bit. An inverted
// option is ticked while its bit is clear.
struct OptionBit {
  const char* key;  // its name in the decoded listing
  Bit bit;
  const char* control;  // the editor's check box
  const char* caption;
  const char* hint;
  bool inverted = false;
};

// --- option bits ---

// "Model Options" boxes: bit t of byte 359 belongs to the box of Tag t.
// Bits 5 and 7 belong to no box and are never written.
inline constexpr OptionBit kModelOptionBits[] = {
    {"stored_voice", {layout::kModelOptions, 0}, "chkSysStoredVoice", "Stored Voice", ""},
    {"fix_alert",
     {layout::kModelOptions, 1},
     "chkSysFIXAlert",
     "FIX Alert",
     "If it is selected, the tone alert is at maximum volume regardless of the position of the control."},
    {"disable_power_save",
     {layout::kModelOptions, 2},
     "chkSysPowerSave",
     "Disable Power Save",
     "Enable or disable Power Save with this option."},
    {"privacy_enable", {layout::kModelOptions, 3}, "chkSysPrivacy", "Privacy Enable", ""},
    {"priority_max_volume", {layout::kModelOptions, 4}, "chkSysVolumeLevel", "Priority Max. Volume Level", ""},
    {"disable_vibrator_in_charger",
     {layout::kModelOptions, 6},
     "chkSysVibratorInCharger",
     "Disable Vibrator in Charger",
     ""},
};

// Function options: bit t of byte 364 belongs to the box of Tag t. The
// vibration box is usable only while the announcement box is ticked.
inline constexpr OptionBit kFunctionAnnouncement{
    "function_announcement", {layout::kFunctionOptions, 0}, "chkFunAnnounce", "Enable Function Announcement", ""};
inline constexpr OptionBit kFunctionVibrationAlert{"function_vibration_alert",
                                                   {layout::kFunctionOptions, 1},
                                                   "chkFunVibrAlert",
                                                   "Enable Function With Vibration / Alert ",
                                                   ""};
inline constexpr OptionBit kFunctionOptionBits[] = {
    kFunctionAnnouncement,
    kFunctionVibrationAlert,
    {"priority_scan_with_monitor",
     {layout::kFunctionOptions, 3},
     "chkFunPriorityScanMonitor",
     "Enable Priority Scan With Monitor",
     ""},
};

// Bit 0 of the receiver flags is clear while the squelch controls recording.
inline constexpr OptionBit kSquelchControlRecord{"squelch_control_record",
                                                 {layout::kReceiverFlags, layout::kFlagSquelchRecordBit},
                                                 "chkSQLRec",
                                                 "Enable Squelch Control Record Method",
                                                 "Enable squelch control during record.",
                                                 true};

// --- call options: tone type in bits 0-1, priority in bit 7 ---

constexpr int CallOptionByte(int channel, bool group, int row) {
  return group ? layout::GroupOption(channel, row) : layout::CallOption(channel, row);
}
constexpr Bits ToneType(int optionByte) { return {optionByte, layout::kToneTypeShift, layout::kToneTypeWidth}; }
constexpr Bit Priority(int optionByte) { return {optionByte, layout::kPriorityShift}; }

// The alert time byte: 0 for "STD", else half seconds.
constexpr int AlertTimeByte(int channel, bool group, int row) {
  return group ? layout::GroupAlertTime(channel, row) : layout::CallAlertTime(channel, row);
}
constexpr Bit CallEnabled(int channel, bool group, int row) {
  return {group ? layout::GroupEnableBits(channel) : layout::CallEnableBits(channel), row};
}
// Whether switch s sounds the call of a row.
constexpr Bit SwitchDuty(int channel, bool group, int row, int s) {
  if (group) return {layout::GroupDutyByte(channel, s), layout::GroupDutyShift(s, row)};
  return {layout::CallDutyBits(channel, s), row};
}
// Bit of byte 365, clear while the channel's duties of switch s are enabled.
constexpr Bit DutyEnableBit(int channel, int s) { return {layout::kDutyEnables, 4 * channel + s}; }

inline constexpr std::array<const char*, 3> kToneTypeTexts = {"Standard", "Continuous", "User define"};
inline constexpr int kUserDefineToneType = 2;

// --- function switch bytes ---

// Bits 0-1 base (0 monitor, 1 selective call, 2 scan), bit 2 channel F2,
// bits 3-4 scan kind; bits 5-6 alert type + 1; bit 7 push to listen.
constexpr Bits SwitchModeBits(int s) { return {layout::kFunctionSwitch + s, 0, 5}; }
constexpr Bits SwitchAlertType(int s) { return {layout::kFunctionSwitch + s, 5, 2}; }
constexpr Bit SwitchPushToListen(int s) { return {layout::kFunctionSwitch + s, 7}; }

struct SwitchMode {
  const char* text;
  int base;
  int channel;
  int scan;
  bool pushToListen;  // false: "Push To Listen" is unticked and disabled
  constexpr int Bits() const { return base | channel << 2 | scan << 3; }
};

// The modes of a two-channel pager, in list order.
inline constexpr SwitchMode kSwitchModes[] = {
    {"Monitor F1", 0, 0, 0, false},       {"Monitor F2", 0, 1, 0, false},  {"Selective Call F1", 1, 0, 0, true},
    {"Selective Call F2", 1, 1, 0, true}, {"Normal Scan", 2, 0, 0, false}, {"Priority Scan F1", 2, 0, 2, false},
    {"Silent Scan", 2, 0, 1, true},
};

// The mode a switch byte holds: the channel bit counts for monitor and
// selective call only, the scan bits for scan only.
constexpr std::optional<int> SwitchModeIndex(int switchByte) {
  const int base = switchByte & 3;
  const int channel = (switchByte >> 2) & 1;
  const int scan = (switchByte >> 3) & 3;
  if (base == 0) return channel;
  if (base == 1) return 2 + channel;
  constexpr int kScanIndex[] = {4, 6, 5};
  if (base == 2 && scan < 3) return kScanIndex[scan];
  return std::nullopt;
}

// The stored value is the index + 1; 0 names no type. The misspelling is
// what stored listings and users know.
inline constexpr std::array<const char*, 3> kAlertTypeTexts = {"Tone", "Vibrate", "Tone & Vibtate"};

// --- model option lists ---

// The audio gain item is bits 3-4; the editor writes the whole byte
// (item x 8), and 0xFF means none was ever chosen.
inline constexpr Bits kAudioGainItem{layout::kAudioGain, 3, 2};

inline constexpr std::array<const char*, 4> kRecordSectionTexts = {
    "4 section  (120 second)", "8 sections (60 second)", "16 sections (30 second)", "32 sections (15 second)"};

// A reset method is byte 356 with bit 1 of byte 140; only "Manual RESET"
// has the variant with the bit clear.
struct ResetMethod {
  const char* text;
  int mode;
  bool plainManualBit;
};
inline constexpr ResetMethod kResetMethods[] = {
    {"Auto Reset", 0, true},
    {"Delay N sec Auto Reset", 1, true},
    {"Revert SQ", 2, true},
    {"Manual RESET", 3, true},
    {"Manual RESET Until Press Reset", 3, false},
    {"Time-Out RESET", 4, true},
    {"Delay AUTO N with Revert", 5, true},
};
inline constexpr int kUntilPressResetMethod = 4;
// The list item of a byte-356 mode, with the bit set.
constexpr int ResetMethodOfMode(int mode) { return mode < kUntilPressResetMethod ? mode : mode + 1; }

// --- band presets ---

// What "NB" sets when clicked: the NRSSI text, the audio gain item and the
// squelch level table (off, on, off, on ... in 0.01 V). The wide-band table
// is also what an old file without a table is given.
struct BandPreset {
  const char* nrssi;
  int audioGainIndex;
  std::array<std::uint8_t, layout::kSquelchTableSize> squelch;
  constexpr int SpeakerOn(int level) const { return squelch[static_cast<std::size_t>(2 * level + 1)]; }
};
inline constexpr BandPreset kWideBandPreset = {"0.54", 0, {32, 10, 32, 14, 32, 20, 38, 24, 45, 28}};
inline constexpr BandPreset kNarrowBandPreset = {"1.00", 2, {65, 20, 65, 25, 65, 30, 75, 35, 85, 45}};

}  // namespace zt310::fields
