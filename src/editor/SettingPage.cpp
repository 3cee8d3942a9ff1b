// The "Model Options" group of the Setting page.
#include "codeplug/Layout.h"
#include "editor/ChannelPages.h"
#include "editor/SettingsFields.h"
#include "editor/SettingsPages.h"

namespace zt310::editor {

using namespace layout;
using namespace settings;

namespace {

constexpr const char* kPage = "tabSetting";

constexpr int kReminderValues[] = {0, 60, 120, 240};

using fields::BandPreset;
using fields::kNarrowBandPreset;
using fields::kWideBandPreset;

bool DelayShownForMode(int mode) { return mode == 1 || mode == 4 || mode == 5; }

Control MakeOptionBox(const fields::OptionBit& option) {
  Control box = MakeCheck(option.control, kPage, option.caption);
  box.hint = option.hint;
  return box;
}

}  // namespace

void SettingsPages::RegisterSettingPage() {
  for (const auto& option : fields::kModelOptionBits) {
    AddControl(MakeOptionBox(option));
    model().SetHandlers(option.control, {{}, {}, [this, &option] { StoreOptionBox(option); }});
  }
  for (const auto& option : fields::kFunctionOptionBits) {
    AddControl(MakeOptionBox(option));
    model().SetHandlers(option.control, {{}, {}, [this, &option] {
                          StoreOptionBox(option);
                          EnableFunctionVibrationAlert();
                        }});
  }

  Control record = MakeList("cboRecordMax", kPage, ListTexts(fields::kRecordSectionTexts));
  record.hint = "Select the maximum length (in seconds) of a message.";
  AddControl(record);
  model().SetHandlers("cboRecordMax", {{}, {}, [this] {
                        const int index = model().At("cboRecordMax").selected;
                        if (index >= 0) image()[kRecordSection] = static_cast<std::uint8_t>(index);
                      }});

  AddControl(MakeOptionBox(fields::kSquelchControlRecord));
  model().SetHandlers(fields::kSquelchControlRecord.control,
                      {{}, {}, [this] { StoreOptionBox(fields::kSquelchControlRecord); }});

  std::vector<std::string> resetItems;
  for (const auto& method : fields::kResetMethods) resetItems.emplace_back(method.text);
  Control reset = MakeList("cboResetCon", kPage, resetItems);
  reset.hint = "Determines how a select call pager squelches a message after receiving a page.";
  AddControl(reset);
  model().SetHandlers("cboResetCon", {{}, {}, [this] { ResetControlChanged(); }});
  AddControl(MakeLabel("lblHelp", kPage, "Help"));
  AddControl(MakeLabel("lblDelayTime", kPage, "Delay Time"));
  AddControl(MakeEdit("edtDelay", kPage, DecimalsFilter(1)));
  AddControl(MakeLabel("lblDelaySec", kPage, "sec"));
  model().SetHandlers("edtDelay", {{}, [this] { return CommitResetDelay(); }, {}});

  AddControl(MakeEdit("edtSquelch", kPage, DigitsOnlyFilter()));
  model().SetHandlers("edtSquelch", {{}, [this] {
                        return CommitWhole("edtSquelch", 0, 255, [this](long v) {
                          image()[kCarrierOffDelay] = static_cast<std::uint8_t>(v);
                        }, [this] { model().SetText("edtSquelch", std::to_string(image()[kCarrierOffDelay])); });
                      }, {}});

  Control reminder = MakeList("cboReminder", kPage, {"Disable", "30  Second", "60  Second", "120 Second"});
  reminder.hint = "When \u201cSave voice\u201d is present, this option establishes the time witch the pager";
  AddControl(reminder);
  model().SetHandlers("cboReminder", {{}, {}, [this] { ReminderChanged(); }});

  AddControl(MakeList("cblSquelchlevel", kPage, {"1", "2", "3", "4", "5"}));
  model().SetHandlers("cblSquelchlevel", {{}, {}, [this] { ApplySquelchLevel(); }});

  Control gain = MakeList("cboAudioGain", kPage, {"1", "2", "3", "4"});
  gain.hint = "It is suggested to use \"1\" for wide band pagers and \"3\" for narrow band pagers.";
  AddControl(gain);
  model().SetHandlers("cboAudioGain", {{}, {}, [this] { AudioGainChanged(); }});

  AddControl(MakeCheck("chkOneChannel", kPage, "One Channel"));
  model().SetHandlers("chkOneChannel", {{}, {}, [this] { OneChannelChanged(); }});
  AddControl(MakeCheck("chkNB", kPage, "NB"));
  model().SetHandlers("chkNB", {{}, {}, [this] { NarrowBandChanged(); }});
}

// --- reset control ---

void SettingsPages::ResetControlChanged() {
  const int index = model().At("cboResetCon").selected;
  if (index >= 0) {
    const auto& method = fields::kResetMethods[index];
    image()[kResetMode] = static_cast<std::uint8_t>(method.mode);
    image().SetBit(kReceiverFlags, kFlagPlainManualResetBit, method.plainManualBit);
  }
  const bool shown = DelayShownForMode(image()[kResetMode]);
  for (const char* name : {"lblDelayTime", "edtDelay", "lblDelaySec"}) model().SetVisible(name, shown);
}

void SettingsPages::LoadResetControl() {
  // Older firmware knows no "Manual RESET Until Press Reset": the stored
  // variant becomes plain "Manual RESET" when the change action re-encodes it.
  model().Select("cboResetCon", ShownResetMethod(image()));
  ResetControlChanged();
  ShowResetDelay();
}

void SettingsPages::ShowResetDelay() {
  model().SetText("edtDelay", FormatNumber("%01.1f", image()[kResetDelay] * 0.5));
}

bool SettingsPages::CommitResetDelay() {
  const std::string text = Trimmed(Text("edtDelay"));
  if (text.empty()) {
    ShowResetDelay();
    return true;
  }
  const auto value = FieldNumber(text);
  if (!value || *value < 1.0 || *value > 127.5) {
    model().Warn(RangeMessage("1", "127.5"));
    return false;
  }
  if (!IsHalfSecondStep(*value)) {
    model().Warn(kHalfSecondMessage);
    ShowResetDelay();
    return true;
  }
  image()[kResetDelay] = static_cast<std::uint8_t>(HalfSeconds(*value));
  ShowResetDelay();
  return true;
}

// --- reminder ---

void SettingsPages::ReminderChanged() {
  const int index = model().At("cboReminder").selected;
  if (index >= 0) image()[kReminder] = static_cast<std::uint8_t>(kReminderValues[index]);
}

void SettingsPages::LoadReminderExact() {
  const int stored = image()[kReminder];
  for (int i = 0; i < 4; ++i) {
    if (stored == kReminderValues[i]) model().Select("cboReminder", i);
  }
}

void SettingsPages::LoadReminderByRange() {
  const int stored = image()[kReminder];
  const int index = stored == 0 ? 0 : stored < 90 ? 1 : stored < 180 ? 2 : 3;
  model().Select("cboReminder", index);
  ReminderChanged();
}

// --- squelch level ---

void SettingsPages::ApplySquelchLevel() {
  const int level = model().At("cblSquelchlevel").selected;
  if (level < 0) return;
  model().SetText("edtSSI", FormatNumber("%1.2f", image()[SquelchOn(level)] * 0.01));
  model().SetText("edtRSSI2", FormatNumber("%1.2f", image()[SquelchOff(level)] * 0.01));
  image()[kSpeakerOnCode] = VoltsToCode(static_cast<float>(FieldNumberOr("edtSSI", 0.0)));
  image()[kSpeakerOffCode] = VoltsToCode(static_cast<float>(FieldNumberOr("edtRSSI2", 0.0)));
  image()[kSquelchLevel] = static_cast<std::uint8_t>(level);
}

void SettingsPages::LoadSquelchLevel() {
  // 255 means not set; 5 to 254 name no level either and are treated the
  // same way, so the speaker codes always follow a real level after a load.
  if (image()[kSquelchLevel] >= kSquelchLevels) image()[kSquelchLevel] = kSquelchLevels - 1;
  model().Select("cblSquelchlevel", image()[kSquelchLevel]);
  ApplySquelchLevel();
}

// --- audio gain and band ---

void SettingsPages::AudioGainChanged() {
  const int index = model().At("cboAudioGain").selected;
  if (index >= 0) image()[kAudioGain] = static_cast<std::uint8_t>(index * 8);
}

void SettingsPages::LoadAudioGain() {
  if (image()[kAudioGain] == kBlank) {
    model().Select("cboAudioGain", 0);
    image()[kAudioGain] = 0;
  } else {
    model().Select("cboAudioGain", image().Get(fields::kAudioGainItem));
  }
}

void SettingsPages::NarrowBandChanged() {
  const bool narrow = model().At("chkNB").checked;
  image()[kNarrowBandMarker] = narrow ? 0 : kBlank;
  image()[kBand] = narrow ? 1 : kBlank;
  const BandPreset& preset = narrow ? kNarrowBandPreset : kWideBandPreset;
  model().SetText("edtRSSI", preset.nrssi);
  model().Select("cboAudioGain", preset.audioGainIndex);
  for (int t = 0; t < kSquelchTableSize; ++t) image()[kSquelchTable + t] = preset.squelch[static_cast<std::size_t>(t)];
  AudioGainChanged();
  CommitNrssi();
  ShowSquelchVoltages();
  ApplySquelchLevel();
}

void SettingsPages::LoadBand() {
  const int marker = image()[kNarrowBandMarker];
  const int band = image()[kBand];
  if (marker == kBlank && band == kBlank) {
    model().SetChecked("chkNB", false);
  } else if (marker == 0 && band == kBlank) {
    model().SetChecked("chkNB", false);
    model().Select("cboAudioGain", 0);
    image()[kAudioGain] = 0;
  } else if (marker == 0 && band == 1) {
    model().SetChecked("chkNB", true);
  }
}

// --- one channel ---

void SettingsPages::OneChannelChanged() {
  const bool one = model().At("chkOneChannel").checked;
  image()[kSingleChannelMarker] = image()[kSingleChannelMarker2] = one ? kMarkerOn : kMarkerOff;
  SetF2ChannelEnabled(!one);
  // Re-enabling the page must not make every F2 row usable: the row rules
  // of the channel page decide which rows are enabled again.
  if (!one) {
    auto& channels = model().PartOf<ChannelPages>();
    channels.EnableRows(1, false);
    channels.EnableRows(1, true);
    // The duty columns follow their "Enable Function Switches Duty" boxes.
    // While loading, those boxes still show the previous image (they are
    // loaded later), and their action would write that state into byte 365.
    if (!model().Loading()) {
      for (const char* duty : {"chkF2DutyA", "chkF2DutyB", "chkF2DutyC", "chkF2DutyD"}) model().RunChange(duty);
    }
  }
  ShowSwitchLists(one);
}

namespace {

bool IsChannelF2Control(const EditorModel& model, const std::string& name) {
  if (name.size() > 5 && name.compare(3, 2, "F2") == 0) return true;                          // edtF2T10, chkF2Call0
  if (name.size() > 2 && name.compare(name.size() - 2, 2, "F2") == 0) return true;  // cboCSpaceF2
  for (std::string current = name; !current.empty() && model.Has(current); current = model.At(current).parent) {
    if (current == "tabChannelF2") return true;
  }
  return false;
}

}  // namespace

void SettingsPages::SetF2ChannelEnabled(bool on) {
  for (const auto& name : model().Names()) {
    if (IsChannelF2Control(model(), name)) model().SetEnabled(name, on);
  }
}

// --- option boxes ---

void SettingsPages::StoreOptionBox(const fields::OptionBit& option) {
  image().SetTicked(option, model().At(option.control).checked);
}

void SettingsPages::LoadOptionBox(const fields::OptionBit& option) {
  model().SetChecked(option.control, image().IsTicked(option));
}

void SettingsPages::EnableFunctionVibrationAlert() {
  const bool announced = model().At(fields::kFunctionAnnouncement.control).checked;
  model().SetEnabled(fields::kFunctionVibrationAlert.control, announced);
}

void SettingsPages::LoadModelOptions() {
  for (const auto& option : fields::kModelOptionBits) LoadOptionBox(option);
}

void SettingsPages::LoadFunctionOptions() {
  for (const auto& option : fields::kFunctionOptionBits) LoadOptionBox(option);
  EnableFunctionVibrationAlert();
}

}  // namespace zt310::editor
