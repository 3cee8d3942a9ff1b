// SPDX-License-Identifier: GPL-3.0-or-later
// The Setting page's upper part: the model and function option boxes, the
// record length, the reset control with its delay, the carrier-off delay,
// the reminder, the squelch level, the audio gain, "One Channel" and "NB".
// Its lower groups (function switches, tonalities, period) are
// FunctionSwitchesModel.
#pragma once

#include "editor/SettingsFields.h"

namespace zt310::editor {

class SettingPageModel : public settings::SettingsPage {
 public:
  static void RegisterTab(EditorModel& model) { settings::RegisterPageTab(model, names::kTabSetting); }
  void Register(EditorModel& model) override;

  // The squelch level action: speaker fields and bytes 388, 389, 396 follow the selected level.
  void ApplySquelchLevel();

  // --- loader steps ---
  void LoadModelOptions();
  // The reset list with its action, which re-encodes the reset bytes and shows the delay.
  void LoadResetControl();
  // The reminder list only when the stored time is one of its items, without its action.
  void LoadReminderExact();
  void LoadRecordSection();
  // "One Channel" and the switch lists of the variant it shows.
  void LoadChannelMode();
  // The reminder list by the range the stored time falls in, with its action.
  void LoadReminderByRange();
  void ShowCarrierOffDelay();
  void LoadSquelchLevel();
  void LoadFunctionOptions();
  void LoadAudioGain();
  void LoadBand();
  void LoadSquelchRecord();

 private:
  void ResetControlChanged();
  void ShowResetDelay();
  bool CommitResetDelay();
  void ReminderChanged();
  void AudioGainChanged();
  void NarrowBandChanged();
  void OneChannelChanged();
  void SetF2ChannelEnabled(bool on);
  void StoreOptionBox(const fields::OptionBit& option);
  void LoadOptionBox(const fields::OptionBit& option);
  void EnableFunctionVibrationAlert();
};

}  // namespace zt310::editor
