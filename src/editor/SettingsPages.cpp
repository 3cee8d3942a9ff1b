// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SettingsPages.h"

#include <cstdio>

#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "editor/ChannelPages.h"
#include "editor/SettingsFields.h"

namespace zt310::editor {

using namespace layout;
using namespace settings;

void SettingsPages::Register(EditorModel& model) {
  model_ = &model;
  const std::string pageControl = model.Has(names::kPageControl) ? names::kPageControl : "";
  for (const char* page : {names::kTabSetting, names::kTabSystem, names::kTabAdvance}) {
    Control c;
    c.name = page;
    c.kind = ControlKind::Page;
    c.parent = pageControl;
    AddControl(c);
  }
  // Top-panel controls whose loader or file steps live here; the window and
  // the production operations attach their own handlers to them.
  if (!model.Has(names::kLblVersion)) {
    Control version = MakeLabel(names::kLblVersion, "", "");
    version.visible = false;
    AddControl(version);
  }
  if (!model.Has(names::kEdtSerialNo)) AddControl(MakeEdit(names::kEdtSerialNo, "", {}));

  RegisterSettingPage();
  RegisterFunctionSwitches();
  RegisterSystemPage();
  RegisterAdvancePage();
}

// --- loader steps ---

void SettingsPages::LoadRecordSection() { model().Select(names::kCboRecordMax, image()[kRecordSection]); }

void SettingsPages::LoadTonalities() {
  ShowTonalities();
  timers_.Compute(image());
}

void SettingsPages::ShowTimingNumbers() {
  model().SetText(names::BatterySavePeriod(0), std::to_string(image()[kBatterySave1]));
  model().SetText(names::BatterySavePeriod(1), std::to_string(image()[kBatterySave2]));
  model().SetText(names::kEdtGapMax, std::to_string(image()[kGapMax]));
  model().SetText(names::kEdtNoiseLimit, std::to_string(image()[kNoiseLimit]));
  model().SetText(names::kEdtPriorityScanF1, std::to_string(image()[kPriorityScanF1]));
}

void SettingsPages::ShowSerialNumber() { model().SetText(names::kEdtSerialNo, SerialNumberText(image()).value_or("")); }

void SettingsPages::ShowNrssiResponseTime() {
  model().SetText(names::kEdtNRSSIRpTM, std::to_string(image()[kNrssiResponseTime]));
}

void SettingsPages::LoadSquelchRecord() {
  LoadOptionBox(fields::kSquelchControlRecord);
}

void SettingsPages::ShowOpenedFirmware() {
  ShowFirmwareVersion();
  SelectTimingUnitLabels(image().FirmwareVersionNumber());
}

// --- operations ---

void SettingsPages::ShowFirmwareVersion() {
  ShowFirmwareVersion(image()[kFirmwareMajor], image()[kFirmwareMinor], image()[kFirmwarePatch]);
}

void SettingsPages::ShowFirmwareVersion(int major, int minor, int patch) {
  char text[48];
  std::snprintf(text, sizeof text, "FirmVer. %d.%d.%d", major, minor, patch);
  model().SetText(names::kLblVersion, text);
  model().SetVisible(names::kLblVersion, true);
}

void SettingsPages::HideFirmwareVersion() {
  model().SetText(names::kLblVersion, "");
  model().SetVisible(names::kLblVersion, false);
}

void SettingsPages::RestoreFactorySettings() {
  model().PartOf<ChannelPages>().ResetSpacingInEffect();
  const bool oneChannel = model().At(names::kChkOneChannel).checked;
  if (oneChannel) {
    oneChannelMemory_ = kInitialOneChannelMemory;
  } else {
    twoChannelMemory_ = kInitialTwoChannelMemory;
  }
  CopyImage(image(), FactoryImageForChannels(oneChannel));
  ShowTimingUnit(false);
  model().FillControlsFromImage();
  model().SetVisible(names::kLblVersion, false);
}

void SelectTimingUnitLabels(EditorModel& model, int version) {
  model.PartOf<SettingsPages>().SelectTimingUnitLabels(version);
}

void RestoreFactorySettings(EditorModel& model) { model.PartOf<SettingsPages>().RestoreFactorySettings(); }

// --- field helpers ---

void SettingsPages::AddControl(Control control) { model().Add(std::move(control)); }

std::string SettingsPages::Text(const std::string& name) const { return model().At(name).text; }

double SettingsPages::FieldNumberOr(const std::string& name, double fallback) const {
  return FieldNumber(Text(name)).value_or(fallback);
}

bool SettingsPages::CommitWhole(const std::string& name, long low, long high, const std::function<void(long)>& store,
                                const std::function<void()>& reshow, const std::function<bool(long)>& check,
                                const std::string& title) {
  if (Trimmed(Text(name)).empty()) {
    reshow();
    return true;
  }
  const auto value = FieldWholeNumber(Text(name));
  if (!value || *value < low || *value > high) {
    model().Warn(RangeMessage(low, high), title);
    return false;
  }
  if (check && !check(*value)) return false;
  store(*value);
  return true;
}

}  // namespace zt310::editor
