// SPDX-License-Identifier: GPL-3.0-or-later
// The two channel pages ("Channel F1", "Channel F2") of the main window: the
// call rows with their tones, tone types, alert patterns, alert times, switch
// duties and priority flags, the Frequency group with the synthesiser words,
// and the window-wide controls these rows depend on: the tone system radio
// buttons, "Enable Fixed Alert Time", the decoder bandwidth list and the three
// tone duration fields (the tone system switch commits them).
//
// The controls live in the EditorModel under their object names; this part
// holds the editor state behind them (the tone lists, the spacing in effect,
// the decoder bandwidth, the tone table target and the pending conflict).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "editor/EditorModel.h"
#include "tones/RfChannel.h"
#include "tones/Tones.h"

namespace zt310::editor {

inline constexpr int kChannels = 2;
// The hint of the Tone System group, in the model and on the window's top panel.
inline constexpr const char* kToneSystemHint =
    "Tone System Information in this group is modifiable by the regular user.";

// Which tone field a tone table dialog fills: one row index per kind of tone
// field, at most one of them set (-1 = none).
struct ToneTableTarget {
  int tone1 = -1;
  int tone2 = -1;
  int group = -1;
  bool IsSet() const { return tone1 >= 0 || tone2 >= 0 || group >= 0; }
  void Clear() { *this = ToneTableTarget{}; }
};

// The dialog a double-click or F9 asks the window to open.
enum class ToneTableDialog { None, Standard, Plectron };

using names::CallRowNames;
using names::CallRowNamesOf;
using names::ChannelTag;

// Where a tone field sits: channel, kind and row.
struct ToneField {
  int channel = 0;
  ToneKind kind = ToneKind::Tone1;
  int row = 0;
};
std::string ToneFieldName(const ToneField& field);
std::optional<ToneField> ToneFieldOfName(const std::string& name);

class ChannelPages : public EditorPart {
 public:
  void Register(EditorModel& model) override;

  // --- editor state ---
  const std::array<ToneValue, kToneSlotsPerChannel>& ChannelToneList(int channel) const {
    return toneList_.at(static_cast<std::size_t>(channel));
  }
  std::uint32_t SpacingInEffectHz(int channel) const { return spacingHz_.at(static_cast<std::size_t>(channel)); }
  int DecoderBandwidthTenths() const { return bandwidthTenths_; }
  const ToneTableTarget& Target() const { return target_; }
  // Call row of the last spacing refusal; while set the mouse-over commit of
  // the call tone groups is suspended.
  std::optional<int> PendingConflict() const { return pendingConflict_; }
  ToneSystem CurrentToneSystem() const;

  // Active page: 1 "Channel F1", 2 "Channel F2", 3 "Setting", 4 "System".
  int ActivePage() const { return activePage_; }
  void SetActivePage(int page) { activePage_ = page; }

  // "Restore all factory settings" puts both channels back on 12.5 kHz before loading.
  void ResetSpacingInEffect();

  // --- user actions beyond enter / key / leave / pick / click ---
  // Double-click on a tone field: sets the target and names the dialog to open.
  ToneTableDialog DoubleClickToneField(const std::string& name);
  // F9: the dialog to open for the current target, if any.
  ToneTableDialog PressF9() const;
  // A tone picked in a tone table dialog goes into the target field of the
  // active channel page and is committed there; the target is cleared.
  void PickToneFromTable(const std::string& toneText);
  // The dialog left without a pick: the target field commits its own text.
  void LeaveToneTable();
  // The mouse over the background of a channel's Call Tone group or row panel.
  void MouseOverCallToneGroup(int channel);
  // The mouse over a channel's Frequency group.
  void MouseOverFrequencyGroup(int channel);

  // --- rules other pages and the window run ---
  void SelectToneSystem(ToneSystem system);
  // Commits every tone field of both channels again, in the documented order.
  void CommitAllToneFields();
  // The commit of one tone field on its current text; false when the value
  // was refused and the focus went back to the field.
  bool CommitToneField(const ToneField& field);
  void RefreshChannelTones(int channel, bool group);
  void EnableRows(int channel, bool group);

  // --- what the loader shows of an image; the loader table orders them ---
  void ShowSynthWords();
  // A reference word of the old 2.5 kHz synthesiser sets that channel's spacing.
  void ApplyLegacySpacing();
  void ReloadFrequencies();
  // Each channel's spacing list, with its action (it re-validates the frequency).
  void LoadSpacingChoices();
  void LoadToneSystem();
  void LoadFixedAlertTimeAllowed();
  void LoadDecoderBandwidth();
  void LoadChannelRowsF1() { LoadChannelRows(0); }
  void LoadChannelRowsF2() { LoadChannelRows(1); }
  void ShowToneDurations();
  void ReselectDecoderBandwidth();
  // The channel's four duty boxes, each with its action (it greys its switch column).
  void LoadDutyEnablesF1() { LoadDutyEnables(0); }
  void LoadDutiesF1() { LoadDuties(0); }
  void LoadDutyEnablesF2() { LoadDutyEnables(1); }
  void LoadDutiesF2() { LoadDuties(1); }

 private:
  void RegisterPage(int channel);
  void RegisterCallRow(int channel, bool group, int row);
  void RegisterFrequencyGroup(int channel);
  void RegisterWindowControls();

  // Call rows.
  void ClickCallEnable(int channel, bool group, int row);
  void ClickToneType(int channel, bool group, int row);
  void ClickPriority(int channel, bool group, int row);
  void EnterToneField(const ToneField& field);
  void SetTarget(const ToneField& field);
  void RefreshPatterns(int channel, bool group);
  bool CommitPattern(int channel, bool group, int row);
  KeyVerdict PatternKey(int channel, const std::string& text, char key);
  void PickAlertTime(int channel, bool group, int row);
  bool CommitAlertTime(int channel, bool group, int row);
  void RefreshAlertTimes(int channel, bool group);
  void RefreshToneTypes(int channel, bool group);
  void RefreshPriorities(int channel, bool group);
  void ClickSwitch(int channel, bool group, int row, int sw);
  void ClickDuty(int channel, int sw);
  void LoadDutyEnables(int channel);
  void LoadDuties(int channel);
  void ClickEnableAlertTime();
  void LoadChannelRows(int channel);

  // Frequency group.
  bool CommitFrequency(int channel);
  void ClickSpacing(int channel);
  void ComputeSynthesiser(int channel);

  // Window-wide controls.
  void ClickBandWidth();
  void ShowToneSystem(ToneSystem system);
  bool CommitToneDuration(int tag);

  EditorModel* model_ = nullptr;
  std::array<std::array<ToneValue, kToneSlotsPerChannel>, kChannels> toneList_{};
  std::array<std::uint32_t, kChannels> spacingHz_{kDefaultSpacingHz, kDefaultSpacingHz};
  int bandwidthTenths_ = kDefaultDecoderBandwidthTenths;
  ToneTableTarget target_;
  std::optional<int> pendingConflict_;
  int activePage_ = 1;
};

}  // namespace zt310::editor
