// SPDX-License-Identifier: GPL-3.0-or-later
// The object names of the editor model's controls, written out once. The
// pages register their controls under these names, the window gives its
// widgets the same names to bind them, and the pager operations and the
// command line reach the controls through them. A name of a repeated row is
// built here from its channel, row or index, never spelled out elsewhere:
// a misspelt constant does not compile, while a misspelt text would only
// fail when the program runs.
#pragma once

#include <array>
#include <string>

namespace zt310::editor::names {

// --- pages ---
inline constexpr const char* kPageControl = "PageControl1";
inline constexpr const char* kTabChannelF1 = "tabChannelF1";
inline constexpr const char* kTabChannelF2 = "tabChannelF2";
inline constexpr const char* kTabSetting = "tabSetting";
inline constexpr const char* kTabSystem = "tabSystem";
inline constexpr const char* kTabAdvance = "tabAdvance";

// --- top panel ---
inline constexpr const char* kEdtNull = "edtNull";  // the focus sink
inline constexpr const char* kLblVersion = "lblVersion";
inline constexpr const char* kEdtSerialNo = "edtSerialNo";
inline constexpr const char* kGrpToneSystem = "grpToneSystem";
inline constexpr int kToneSystemButtons = 3;
// One per tone system, in the order of kToneSystems (tones/Tones.h).
inline std::string ToneSystemButton(int k) { return "radToneSystem" + std::to_string(k); }

// --- channel pages ---
inline constexpr int kSwitchDuties = 4;
inline constexpr const char* kSwitchLetters = "ABCD";

inline std::string ChannelTag(int channel) { return channel == 0 ? "F1" : "F2"; }
inline std::string ChannelPage(int channel) { return channel == 0 ? kTabChannelF1 : kTabChannelF2; }
inline std::string CallToneGroup(int channel) { return "grp" + ChannelTag(channel) + "CallTone"; }
inline std::string FrequencyGroup(int channel) { return "grp" + ChannelTag(channel) + "Frequency"; }
inline std::string FrequencyField(int channel) { return "edt" + ChannelTag(channel) + "Freq"; }
inline std::string SpacingList(int channel) { return "cboCSpace" + ChannelTag(channel); }
// The synthesiser word labels: reference divider, main divider and multiplier.
inline std::string ReferenceWordLabel(int channel) { return "lbl" + ChannelTag(channel) + "PLLR"; }
inline std::string DividerWordLabel(int channel) { return "lbl" + ChannelTag(channel) + "PLLN"; }
inline std::string MultiplierLabel(int channel) { return "lbl" + ChannelTag(channel) + "MUTL"; }
inline std::string ToneTableLabel(int channel) { return "lbl" + ChannelTag(channel) + "ToneTbl"; }
// "Enable Function Switches Duty" box of switch sw (0 = SW-A).
inline std::string DutyBox(int channel, int sw) { return "chk" + ChannelTag(channel) + "Duty" + kSwitchLetters[sw]; }
// Tone 1 or 2 of an individual call, "edtF1T10" for tone 1 of F1 call 0.
inline std::string CallTone(int channel, int call, int tone) {
  return "edt" + ChannelTag(channel) + "T" + std::to_string(tone) + std::to_string(call);
}
// The one tone of a group call, "edtF1GT0".
inline std::string GroupTone(int channel, int groupCall) {
  return "edt" + ChannelTag(channel) + "GT" + std::to_string(groupCall);
}

// The controls of one call row (group rows have no tone 2).
struct CallRowNames {
  std::string panel, enable, tone1, tone2, toneType, pattern, alertTimeList, alertTimeEdit, alertTimeLabel, dutyPanel,
      priority;
  std::array<std::string, kSwitchDuties> switches;  // SW-A .. SW-D
};

inline CallRowNames CallRowNamesOf(int channel, bool group, int row) {
  const std::string tag = ChannelTag(channel);
  const std::string groupMark = group ? "G" : "";
  const std::string rowNumber = std::to_string(row);
  const auto named = [&](const char* prefix, const std::string& field) {
    return prefix + tag + groupMark + field + rowNumber;
  };
  CallRowNames n;
  n.panel = named("pan", "Call");
  n.enable = named("chk", "Call");
  n.tone1 = group ? GroupTone(channel, row) : CallTone(channel, row, 1);
  n.tone2 = group ? "" : CallTone(channel, row, 2);
  n.toneType = named("cbo", "TType");
  n.pattern = named("edt", "Patten");
  n.alertTimeList = named("cbo", "ATime");
  n.alertTimeEdit = named("edt", "ATime");
  n.alertTimeLabel = named("lbl", "ATsec");
  n.dutyPanel = named("pan", "Duty");
  n.priority = named("chk", "Priority");
  for (int sw = 0; sw < kSwitchDuties; ++sw) {
    n.switches[static_cast<std::size_t>(sw)] = named("chk", std::string("S") + kSwitchLetters[sw]);
  }
  return n;
}

// --- window-wide tone controls (System and Advance Setting pages) ---
inline constexpr const char* kChkEnableAlertTime = "chkEnableAlertTime";
inline constexpr const char* kCboBandWidth = "cboBandWidth";
// Tone 1 duration, tone 2 duration, group call duration.
inline std::string ToneDuration(int t) { return "edtToneDur" + std::to_string(t); }

// --- Setting page ---
// The option boxes of bytes 359 and 364 and "Enable Squelch Control Record
// Method" are named in their field rows (codeplug/Fields.h), with their bit.

inline constexpr const char* kCboRecordMax = "cboRecordMax";
inline constexpr const char* kCboResetCon = "cboResetCon";
inline constexpr const char* kLblHelp = "lblHelp";
inline constexpr const char* kLblDelayTime = "lblDelayTime";
inline constexpr const char* kEdtDelay = "edtDelay";
inline constexpr const char* kLblDelaySec = "lblDelaySec";
inline constexpr const char* kEdtSquelch = "edtSquelch";
inline constexpr const char* kCboReminder = "cboReminder";
inline constexpr const char* kCblSquelchlevel = "cblSquelchlevel";
inline constexpr const char* kCboAudioGain = "cboAudioGain";
inline constexpr const char* kChkOneChannel = "chkOneChannel";
inline constexpr const char* kChkNB = "chkNB";
inline constexpr const char* kCboCircle = "cboCircle";

// Function switch s (0 = SW-A): mode list of two-channel and of one-channel
// pagers (they share one place), alert type, "Push To Listen".
inline std::string SwitchModeList(int s) { return "cboFunMode" + std::to_string(s); }
inline std::string OneChannelModeList(int s) { return "cboC1FunMode" + std::to_string(s); }
inline std::string AlertTypeList(int s) { return "cboFunAType" + std::to_string(s); }
inline std::string PushToListenBox(int s) { return "chkFunPTListen" + std::to_string(s); }
// "Tonality A" to "Tonality D".
inline std::string Tonality(int k) { return "edtTonality" + std::to_string(k); }

// --- System page ---
inline constexpr const char* kEdtDecorderReset = "edtDecorderReset";
inline constexpr const char* kEdtRFDelay = "edtRFDelay";
inline constexpr const char* kEdtRSSI = "edtRSSI";
inline constexpr const char* kEdtRSSI2 = "edtRSSI2";
inline constexpr const char* kEdtSSI = "edtSSI";
inline constexpr const char* kEdtPriorityScanF1 = "edtPriorityScanF1";
inline constexpr const char* kEdtNoiseLimit = "edtNoiseLimit";
// "Battery Save1", "Battery Save2".
inline std::string BatterySavePeriod(int t) { return "edtBS_Period" + std::to_string(t); }
// Tone 1 limit, tone 2 limit.
inline std::string ToneLimit(int t) { return "edtToneLimit" + std::to_string(t); }
// The timing unit labels of pair n; the two of a pair lie on top of each other.
inline std::string HundredMsLabel(int n) { return "lbl100MS" + std::to_string(n); }
inline std::string FiftyMsLabel(int n) { return "lbl50MS" + std::to_string(n); }

// --- Advance Setting page ---
inline constexpr const char* kEdtGapMax = "edtGapMax";
inline constexpr const char* kEdtNRSSIRpTM = "edtNRSSIRpTM";
inline constexpr const char* kCboBatLow = "cboBatLow";
inline constexpr const char* kCboBatMed = "cboBatMed";
inline constexpr const char* kCboBatHigh = "cboBatHigh";
// Squelch voltage t: level t / 2 + 1, even = speaker off, odd = speaker on.
inline std::string SquelchVoltage(int t) { return "edtSquLevel" + std::to_string(t); }

}  // namespace zt310::editor::names
