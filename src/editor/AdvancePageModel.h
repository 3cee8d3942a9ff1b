// SPDX-License-Identifier: GPL-3.0-or-later
// The Advance Setting page: battery gauge levels, the squelch level voltage
// table, GAP MAX. and the NRSSI response time. (The decoder bandwidth, the
// group call duration and "Enable Fixed Alert Time" are rules of the channel
// page, which registers them.)
#pragma once

#include <array>

#include "editor/SettingsFields.h"

namespace zt310::editor {

class AdvancePageModel : public settings::SettingsPage {
 public:
  static void RegisterTab(EditorModel& model) { settings::RegisterPageTab(model, names::kTabAdvance); }
  void Register(EditorModel& model) override;

  void ShowSquelchVoltages();

  // --- loader steps ---
  void LoadBatteryLevels();
  void ShowGapMax();
  void ShowNrssiResponseTime();

 private:
  void BatteryLevelChanged(int t);
  bool CommitSquelchVoltage(int t);

  std::array<int, 4> batterySelection_ = {-1, -1, -1, -1};  // last shown item of cboBat[t]
};

}  // namespace zt310::editor
