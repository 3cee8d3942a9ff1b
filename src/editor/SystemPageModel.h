// SPDX-License-Identifier: GPL-3.0-or-later
// The System page: decoder reset, RF delay, noise limit, the three threshold
// voltages, priority scan count, battery-save periods, tone limits and the
// timing unit labels (all six pairs, the one beside GAP MAX. on the Advance
// Setting page too: they switch together).
#pragma once

#include "editor/SettingsFields.h"

namespace zt310::editor {

class SystemPageModel : public settings::SettingsPage {
 public:
  static void RegisterTab(EditorModel& model) { settings::RegisterPageTab(model, names::kTabSystem); }
  void Register(EditorModel& model) override;

  // Brings the "x 100 ms" unit labels to the front for the old timing
  // firmware (1.2.0 and older, 5.0.0 to 5.2.0), the "x 50 ms" labels otherwise.
  void SelectTimingUnitLabels(int version);
  void ShowTimingUnit(bool hundredMs);
  bool ShowsHundredMsUnit() const;

  // The commit of the NRSSI threshold ("NB" runs it after setting its preset).
  bool CommitNrssi();

  // --- loader and open steps ---
  void ShowToneLimits();
  // Decoder reset, RF delay and NRSSI threshold.
  void LoadSystemNumbers();
  // Battery save periods, noise limit and priority scan count.
  void ShowTimingNumbers();
  // "Open": the timing unit labels of the opened image's firmware.
  void SelectOpenedTimingUnit();

 private:
  void ShowDecoderReset();
  bool CommitDecoderReset();
  bool CommitSpeakerOff();
  bool CommitSpeakerOn();
  bool CommitBatterySave(int t);
  bool CommitPriorityScan();
};

}  // namespace zt310::editor
