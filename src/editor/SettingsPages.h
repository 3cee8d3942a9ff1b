// SPDX-License-Identifier: GPL-3.0-or-later
// The Setting, System and Advance Setting pages of the main window: model
// options, function switches, alert tonalities, priority scan period, decoder
// timing, thresholds, battery levels and squelch voltages, each a direct view
// of its image bytes, with the loader steps that show them.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "codeplug/CodePlugImage.h"
#include "editor/EditorModel.h"

namespace zt310::editor {

class SettingsPages : public EditorPart {
 public:
  void Register(EditorModel& model) override;

  // --- operations for the window, the file and pager operations ---

  // Brings the "x 100 ms" unit labels to the front for the old timing
  // firmware (1.2.0 and older, 5.0.0 to 5.2.0), the "x 50 ms" labels otherwise.
  void SelectTimingUnitLabels(int version);
  void ShowTimingUnit(bool hundredMs);
  bool ShowsHundredMsUnit() const;

  // `lblVersion` shows "FirmVer. %d.%d.%d" and becomes visible: of the
  // image's identity bytes ("Open"), or of a block just read from a pager.
  void ShowFirmwareVersion();
  void ShowFirmwareVersion(int major, int minor, int patch);
  // `lblVersion` hidden and cleared (a pager operation starts or fails).
  void HideFirmwareVersion();

  // "Restore all factory settings" after the user said Yes: working spacing
  // 12500 Hz for both channels, the factory image adapted to "One Channel",
  // the switch-list memories of the variant in use reset, "x 50 ms" labels,
  // controls refilled, `lblVersion` hidden. The caption and the save target
  // belong to the window.
  void RestoreFactorySettings();

  // Remembered mode-list indexes of a switch (not part of the image).
  int RememberedTwoChannelIndex(int s) const { return twoChannelMemory_.at(static_cast<std::size_t>(s)); }
  int RememberedOneChannelIndex(int s) const { return oneChannelMemory_.at(static_cast<std::size_t>(s)); }
  static constexpr std::array<int, 4> kInitialTwoChannelMemory = {5, 4, 2, 3};
  static constexpr std::array<int, 4> kInitialOneChannelMemory = {0, 0, 1, 1};

  // Re-selects "Period Time" from bytes 394 and 385.
  void ReselectPeriod();
  // The squelch level action: speaker fields and bytes 388, 389, 396 follow the selected level.
  void ApplySquelchLevel();

  // --- what the loader shows of an image; the loader table orders them ---
  void LoadModelOptions();
  // The reset list with its action, which re-encodes the reset bytes and shows the delay.
  void LoadResetControl();
  // The reminder list only when the stored time is one of its items, without its action.
  void LoadReminderExact();
  void LoadRecordSection();
  // The tonality fields and the timer bytes computed from them.
  void LoadTonalities();
  void LoadChannelMode();
  void ShowToneLimits();
  // The reminder list by the range the stored time falls in, with its action.
  void LoadReminderByRange();
  void LoadSystemNumbers();
  void LoadSquelchLevel();
  // Battery save periods, GAP MAX., noise limit and priority scan count.
  void ShowTimingNumbers();
  void LoadFunctionOptions();
  void LoadBatteryLevels();
  void ShowSerialNumber();
  void LoadAudioGain();
  void LoadBand();
  void ShowNrssiResponseTime();
  void LoadSquelchRecord();
  // "Open": the firmware version of the opened image and its timing unit labels.
  void ShowOpenedFirmware();

 private:
  // Setting page (model options).
  void RegisterSettingPage();
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

  // Function switches, tonalities, period.
  void RegisterFunctionSwitches();
  void TwoChannelModeChanged(int s);
  void OneChannelModeChanged(int s);
  void AlertTypeChanged(int s);
  void PushToListenChanged(int s);
  void ForcePushToListenOff(int s);
  void ShowSwitchLists(bool oneChannel);
  void LoadSwitches(bool oneChannel);
  bool CommitTonality(int k);
  void ShowTonalities();
  void PeriodChanged();

  // System page.
  void RegisterSystemPage();
  bool CommitDecoderReset();
  bool CommitNrssi();
  bool CommitSpeakerOff();
  bool CommitSpeakerOn();
  bool CommitBatterySave(int t);
  bool CommitPriorityScan();

  // Advance Setting page.
  void RegisterAdvancePage();
  void BatteryLevelChanged(int t);
  bool CommitSquelchVoltage(int t);
  void ShowSquelchVoltages();

  // Shared field helpers.
  // The commit of a whole-number field: empty text re-shows the stored value,
  // a value out of range (or text that is no whole number) is refused with the
  // range message, `check` may refuse with its own message, then `store`.
  bool CommitWhole(const std::string& name, long low, long high, const std::function<void(long)>& store,
                   const std::function<void()>& reshow, const std::function<bool(long)>& check = {},
                   const std::string& title = kTitle);
  void AddControl(Control control);
  std::string Text(const std::string& name) const;
  double FieldNumberOr(const std::string& name, double fallback) const;

  EditorModel* model_ = nullptr;
  EditorModel& model() { return *model_; }
  const EditorModel& model() const { return *model_; }
  CodePlugImage& image() { return model_->image(); }

  std::array<int, 4> twoChannelMemory_ = kInitialTwoChannelMemory;
  std::array<int, 4> oneChannelMemory_ = kInitialOneChannelMemory;
  std::array<int, 4> batterySelection_ = {-1, -1, -1, -1};  // last shown item of cboBat[t]
  TonalityTimers timers_;
};

// The same operations, reached through the model.
void SelectTimingUnitLabels(EditorModel& model, int version);
void RestoreFactorySettings(EditorModel& model);

}  // namespace zt310::editor
