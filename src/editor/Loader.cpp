// SPDX-License-Identifier: GPL-3.0-or-later
// The one order in which an image is shown in the controls. Several steps
// run control actions that rewrite image bytes or re-show what an earlier
// step showed (the legacy spacing rule rewrites the spacing code the spacing
// lists then read; the reset and reminder lists are shown again, the reminder
// by range, after the channel mode), so the order is part of what a loaded
// image becomes.
#include <functional>

#include "editor/AdvancePageModel.h"
#include "editor/ChannelPages.h"
#include "editor/EditorModel.h"
#include "editor/FunctionSwitchesModel.h"
#include "editor/SettingPageModel.h"
#include "editor/SystemPageModel.h"
#include "editor/TopPanelModel.h"

namespace zt310::editor {

namespace {

// One row runs one step of one page.
using LoaderStep = std::function<void(EditorModel&)>;

template <typename Page, void (Page::*step)()>
LoaderStep Step() {
  return [](EditorModel& model) { (model.PartOf<Page>().*step)(); };
}

const std::vector<LoaderStep>& LoaderSteps() {
  static const std::vector<LoaderStep> kSteps = {
      Step<ChannelPages, &ChannelPages::ShowSynthWords>(),
      Step<ChannelPages, &ChannelPages::ApplyLegacySpacing>(),
      Step<ChannelPages, &ChannelPages::ReloadFrequencies>(),
      Step<ChannelPages, &ChannelPages::LoadSpacingChoices>(),
      Step<ChannelPages, &ChannelPages::LoadToneSystem>(),
      Step<ChannelPages, &ChannelPages::LoadFixedAlertTimeAllowed>(),
      Step<ChannelPages, &ChannelPages::LoadDecoderBandwidth>(),
      Step<ChannelPages, &ChannelPages::LoadChannelRowsF1>(),
      Step<ChannelPages, &ChannelPages::LoadChannelRowsF2>(),
      Step<SettingPageModel, &SettingPageModel::LoadModelOptions>(),
      Step<SettingPageModel, &SettingPageModel::LoadResetControl>(),
      Step<SettingPageModel, &SettingPageModel::LoadReminderExact>(),
      Step<SettingPageModel, &SettingPageModel::LoadRecordSection>(),
      Step<FunctionSwitchesModel, &FunctionSwitchesModel::LoadTonalities>(),
      Step<SettingPageModel, &SettingPageModel::LoadChannelMode>(),
      Step<ChannelPages, &ChannelPages::ShowToneDurations>(),
      Step<SystemPageModel, &SystemPageModel::ShowToneLimits>(),
      Step<ChannelPages, &ChannelPages::ReselectDecoderBandwidth>(),
      Step<SettingPageModel, &SettingPageModel::LoadResetControl>(),
      Step<SettingPageModel, &SettingPageModel::LoadReminderByRange>(),
      Step<SettingPageModel, &SettingPageModel::LoadRecordSection>(),
      Step<SystemPageModel, &SystemPageModel::LoadSystemNumbers>(),
      Step<SettingPageModel, &SettingPageModel::ShowCarrierOffDelay>(),
      Step<AdvancePageModel, &AdvancePageModel::ShowSquelchVoltages>(),
      Step<SettingPageModel, &SettingPageModel::LoadSquelchLevel>(),
      Step<SystemPageModel, &SystemPageModel::ShowTimingNumbers>(),
      Step<AdvancePageModel, &AdvancePageModel::ShowGapMax>(),
      Step<SettingPageModel, &SettingPageModel::LoadFunctionOptions>(),
      Step<AdvancePageModel, &AdvancePageModel::LoadBatteryLevels>(),
      Step<ChannelPages, &ChannelPages::LoadDutyEnablesF1>(),
      Step<ChannelPages, &ChannelPages::LoadDutiesF1>(),
      Step<ChannelPages, &ChannelPages::LoadDutyEnablesF2>(),
      Step<ChannelPages, &ChannelPages::LoadDutiesF2>(),
      Step<TopPanelModel, &TopPanelModel::ShowSerialNumber>(),
      Step<FunctionSwitchesModel, &FunctionSwitchesModel::ReselectPeriod>(),
      Step<SettingPageModel, &SettingPageModel::LoadAudioGain>(),
      Step<SettingPageModel, &SettingPageModel::LoadBand>(),
      Step<AdvancePageModel, &AdvancePageModel::ShowNrssiResponseTime>(),
      Step<SettingPageModel, &SettingPageModel::LoadSquelchRecord>(),
  };
  return kSteps;
}

// "Open" shows what only an opened file says, before the controls are filled.
const std::vector<LoaderStep>& OpenSteps() {
  static const std::vector<LoaderStep> kSteps = {
      Step<TopPanelModel, static_cast<void (TopPanelModel::*)()>(&TopPanelModel::ShowFirmwareVersion)>(),
      Step<SystemPageModel, &SystemPageModel::SelectOpenedTimingUnit>(),
  };
  return kSteps;
}

}  // namespace

void EditorModel::FillControlsFromImage() {
  loading_ = true;
  for (const LoaderStep& step : LoaderSteps()) step(*this);
  loading_ = false;
}

void EditorModel::OpenImage(const CodePlugImage& image) {
  image_ = image;
  for (const LoaderStep& step : OpenSteps()) step(*this);
  FillControlsFromImage();
}

}  // namespace zt310::editor
