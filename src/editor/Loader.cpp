// SPDX-License-Identifier: GPL-3.0-or-later
// The one order in which an image is shown in the controls. Several steps
// run control actions that rewrite image bytes or re-show what an earlier
// step showed (the legacy spacing rule rewrites the spacing code the spacing
// lists then read; the reset and reminder lists are shown again, the reminder
// by range, after the channel mode), so the order is part of what a loaded
// image becomes.
#include "editor/ChannelPages.h"
#include "editor/EditorModel.h"
#include "editor/SettingsPages.h"

namespace zt310::editor {

namespace {

// One row runs one page function: either a channel page's or a settings page's.
struct LoaderStep {
  void (ChannelPages::*channel)() = nullptr;
  void (SettingsPages::*settings)() = nullptr;
};

constexpr LoaderStep kLoaderSteps[] = {
    {.channel = &ChannelPages::ShowSynthWords},
    {.channel = &ChannelPages::ApplyLegacySpacing},
    {.channel = &ChannelPages::ReloadFrequencies},
    {.channel = &ChannelPages::LoadSpacingChoices},
    {.channel = &ChannelPages::LoadToneSystem},
    {.channel = &ChannelPages::LoadFixedAlertTimeAllowed},
    {.channel = &ChannelPages::LoadDecoderBandwidth},
    {.channel = &ChannelPages::LoadChannelRowsF1},
    {.channel = &ChannelPages::LoadChannelRowsF2},
    {.settings = &SettingsPages::LoadModelOptions},
    {.settings = &SettingsPages::LoadResetControl},
    {.settings = &SettingsPages::LoadReminderExact},
    {.settings = &SettingsPages::LoadRecordSection},
    {.settings = &SettingsPages::LoadTonalities},
    {.settings = &SettingsPages::LoadChannelMode},
    {.channel = &ChannelPages::ShowToneDurations},
    {.settings = &SettingsPages::ShowToneLimits},
    {.channel = &ChannelPages::ReselectDecoderBandwidth},
    {.settings = &SettingsPages::LoadResetControl},
    {.settings = &SettingsPages::LoadReminderByRange},
    {.settings = &SettingsPages::LoadRecordSection},
    {.settings = &SettingsPages::LoadSystemNumbers},
    {.settings = &SettingsPages::LoadSquelchLevel},
    {.settings = &SettingsPages::ShowTimingNumbers},
    {.settings = &SettingsPages::LoadFunctionOptions},
    {.settings = &SettingsPages::LoadBatteryLevels},
    {.channel = &ChannelPages::LoadDutyEnablesF1},
    {.channel = &ChannelPages::LoadDutiesF1},
    {.channel = &ChannelPages::LoadDutyEnablesF2},
    {.channel = &ChannelPages::LoadDutiesF2},
    {.settings = &SettingsPages::ShowSerialNumber},
    {.settings = &SettingsPages::ReselectPeriod},
    {.settings = &SettingsPages::LoadAudioGain},
    {.settings = &SettingsPages::LoadBand},
    {.settings = &SettingsPages::ShowNrssiResponseTime},
    {.settings = &SettingsPages::LoadSquelchRecord},
};

// "Open" shows what only an opened file says, before the controls are filled.
constexpr void (SettingsPages::*kOpenSteps[])() = {&SettingsPages::ShowOpenedFirmware};

}  // namespace

void EditorModel::FillControlsFromImage() {
  ChannelPages& channelPages = PartOf<ChannelPages>();
  SettingsPages& settingsPages = PartOf<SettingsPages>();
  loading_ = true;
  for (const LoaderStep& step : kLoaderSteps) {
    if (step.channel) {
      (channelPages.*step.channel)();
    } else {
      (settingsPages.*step.settings)();
    }
  }
  loading_ = false;
}

void EditorModel::OpenImage(const CodePlugImage& image) {
  image_ = image;
  SettingsPages& settingsPages = PartOf<SettingsPages>();
  for (const auto step : kOpenSteps) (settingsPages.*step)();
  FillControlsFromImage();
}

}  // namespace zt310::editor
