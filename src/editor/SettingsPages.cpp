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
  const std::string pageControl = model.Has("PageControl1") ? "PageControl1" : "";
  for (const char* page : {"tabSetting", "tabSystem", "tabAdvance"}) {
    Control c;
    c.name = page;
    c.kind = ControlKind::Page;
    c.parent = pageControl;
    AddControl(c);
  }
  // Top-panel controls whose loader or file steps live here; the window and
  // the production operations attach their own handlers to them.
  if (!model.Has("lblVersion")) {
    Control version = MakeLabel("lblVersion", "", "");
    version.visible = false;
    AddControl(version);
  }
  if (!model.Has("edtSerialNo")) AddControl(MakeEdit("edtSerialNo", "", {}));

  RegisterSettingPage();
  RegisterFunctionSwitches();
  RegisterSystemPage();
  RegisterAdvancePage();
  RegisterLoaderSteps();
  model.AddOpenStep([this] {
    ShowFirmwareVersion();
    SelectTimingUnitLabels(image().FirmwareVersionNumber());
  });
}

void SettingsPages::RegisterLoaderSteps() {
  EditorModel& m = model();
  const auto loadRecordSection = [this] { model().Select("cboRecordMax", image()[kRecordSection]); };
  m.AddLoaderStep(10, [this] { LoadModelOptions(); });
  m.AddLoaderStep(11, [this, loadRecordSection] {
    LoadResetControl();
    LoadReminderExact();
    loadRecordSection();
  });
  m.AddLoaderStep(12, [this] {
    ShowTonalities();
    timers_.Compute(image());
  });
  m.AddLoaderStep(13, [this] { LoadChannelMode(); });
  m.AddLoaderStep(14, [this] { ShowToneLimits(); });
  m.AddLoaderStep(15, [this, loadRecordSection] {
    LoadResetControl();
    LoadReminderByRange();
    loadRecordSection();
  });
  m.AddLoaderStep(16, [this] { LoadSystemNumbers(); });
  m.AddLoaderStep(17, [this] { LoadSquelchLevel(); });
  m.AddLoaderStep(18, [this] {
    model().SetText("edtBS_Period0", std::to_string(image()[kBatterySave1]));
    model().SetText("edtBS_Period1", std::to_string(image()[kBatterySave2]));
    model().SetText("edtGapMax", std::to_string(image()[kGapMax]));
    model().SetText("edtNoiseLimit", std::to_string(image()[kNoiseLimit]));
    model().SetText("edtPriorityScanF1", std::to_string(image()[kPriorityScanF1]));
  });
  m.AddLoaderStep(19, [this] { LoadFunctionOptions(); });
  m.AddLoaderStep(20, [this] { LoadBatteryLevels(); });
  m.AddLoaderStep(24, [this] { model().SetText("edtSerialNo", SerialNumberText(image()).value_or("")); });
  m.AddLoaderStep(25, [this] { ReselectPeriod(); });
  m.AddLoaderStep(26, [this] { LoadAudioGain(); });
  m.AddLoaderStep(27, [this] { LoadBand(); });
  m.AddLoaderStep(28, [this] { model().SetText("edtNRSSIRpTM", std::to_string(image()[kNrssiResponseTime])); });
  m.AddLoaderStep(29, [this] { LoadOptionBox(fields::kSquelchControlRecord); });
}

// --- operations ---

void SettingsPages::ShowFirmwareVersion() {
  ShowFirmwareVersion(image()[kFirmwareMajor], image()[kFirmwareMinor], image()[kFirmwarePatch]);
}

void SettingsPages::ShowFirmwareVersion(int major, int minor, int patch) {
  char text[48];
  std::snprintf(text, sizeof text, "FirmVer. %d.%d.%d", major, minor, patch);
  model().SetText("lblVersion", text);
  model().SetVisible("lblVersion", true);
}

void SettingsPages::HideFirmwareVersion() {
  model().SetText("lblVersion", "");
  model().SetVisible("lblVersion", false);
}

void SettingsPages::RestoreFactorySettings() {
  model().PartOf<ChannelPages>().ResetSpacingInEffect();
  const bool oneChannel = model().At("chkOneChannel").checked;
  if (oneChannel) {
    oneChannelMemory_ = kInitialOneChannelMemory;
  } else {
    twoChannelMemory_ = kInitialTwoChannelMemory;
  }
  CopyImage(image(), FactoryImageForChannels(oneChannel));
  ShowTimingUnit(false);
  model().FillControlsFromImage();
  model().SetVisible("lblVersion", false);
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
