// SPDX-License-Identifier: GPL-3.0-or-later
// The Setting page's lower groups: function switches SW-A to SW-D (mode,
// alert type, "Push To Listen"), alert tonalities A to D and the priority
// scan period.
#pragma once

#include <array>

#include "editor/SettingsFields.h"

namespace zt310::editor {

class FunctionSwitchesModel : public settings::SettingsPage {
 public:
  void Register(EditorModel& model) override;

  // Remembered mode-list indexes of a switch (not part of the image).
  int RememberedTwoChannelIndex(int s) const { return twoChannelMemory_.at(static_cast<std::size_t>(s)); }
  int RememberedOneChannelIndex(int s) const { return oneChannelMemory_.at(static_cast<std::size_t>(s)); }
  static constexpr std::array<int, 4> kInitialTwoChannelMemory = {5, 4, 2, 3};
  static constexpr std::array<int, 4> kInitialOneChannelMemory = {0, 0, 1, 1};
  // "Restore all factory settings": the memories of the variant in use start again.
  void ForgetRememberedModes(bool oneChannel);

  // The lists of the variant "One Channel" shows, each on its remembered item, with their actions.
  void ShowSwitchLists(bool oneChannel);
  // The switch bytes shown in the lists of the variant, with their actions.
  void LoadSwitches(bool oneChannel);
  // Re-selects "Period Time" from bytes 394 and 385.
  void ReselectPeriod();

  // --- loader steps ---
  // The tonality fields and the timer bytes computed from them.
  void LoadTonalities();

 private:
  void TwoChannelModeChanged(int s);
  void OneChannelModeChanged(int s);
  void AlertTypeChanged(int s);
  void PushToListenChanged(int s);
  void ForcePushToListenOff(int s);
  bool CommitTonality(int k);
  void ShowTonalities();
  void PeriodChanged();

  std::array<int, 4> twoChannelMemory_ = kInitialTwoChannelMemory;
  std::array<int, 4> oneChannelMemory_ = kInitialOneChannelMemory;
  TonalityTimers timers_;
};

}  // namespace zt310::editor
