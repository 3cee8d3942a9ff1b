// The "Model Options" group of the Setting page.
#include <array>

#include "codeplug/Layout.h"
#include "editor/ChannelPages.h"
#include "editor/SettingsFields.h"
#include "editor/SettingsPages.h"

namespace zt310::editor {

using namespace layout;
using namespace settings;

namespace {

constexpr const char* kPage = "tabSetting";

struct OptionBox {
  const char* name;
  int bit;
  const char* caption;
  const char* hint;
};

// Model options: box Tag t owns bit t of byte 359.
constexpr OptionBox kModelOptionBoxes[] = {
    {"chkSysStoredVoice", 0, "Stored Voice", ""},
    {"chkSysFIXAlert", 1, "FIX Alert",
     "If it is selected, the tone alert is at maximum volume regardless of the position of the control."},
    {"chkSysPowerSave", 2, "Disable Power Save", "Enable or disable Power Save with this option."},
    {"chkSysPrivacy", 3, "Privacy Enable", ""},
    {"chkSysVolumeLevel", 4, "Priority Max. Volume Level", ""},
    {"chkSysVibratorInCharger", 6, "Disable Vibrator in Charger", ""},
};

// Function options: box Tag t owns bit t of byte 364.
constexpr OptionBox kFunctionOptionBoxes[] = {
    {"chkFunAnnounce", 0, "Enable Function Announcement", ""},
    {"chkFunVibrAlert", 1, "Enable Function With Vibration / Alert ", ""},
    {"chkFunPriorityScanMonitor", 3, "Enable Priority Scan With Monitor", ""},
};

// Reset list item -> byte 356 and bit 1 of byte 140.
struct ResetMethod {
  int mode;
  bool plainManualBit;
};
constexpr ResetMethod kResetMethods[] = {
    {0, true}, {1, true}, {2, true}, {3, true}, {3, false}, {4, true}, {5, true},
};
constexpr int kUntilPressIndex = 4;

constexpr int kReminderValues[] = {0, 60, 120, 240};

struct BandPreset {
  const char* nrssi;
  int audioGainIndex;
  std::array<std::uint8_t, kSquelchTableSize> squelch;  // off, on, off, on ... in 0.01 V
};
constexpr BandPreset kWideBandPreset = {"0.54", 0, {32, 10, 32, 14, 32, 20, 38, 24, 45, 28}};
constexpr BandPreset kNarrowBandPreset = {"1.00", 2, {65, 20, 65, 25, 65, 30, 75, 35, 85, 45}};

bool DelayShownForMode(int mode) { return mode == 1 || mode == 4 || mode == 5; }

}  // namespace

void SettingsPages::RegisterSettingPage() {
  for (const auto& box : kModelOptionBoxes) {
    Control c = MakeCheck(box.name, kPage, box.caption);
    c.hint = box.hint;
    AddControl(c);
    model().SetHandlers(box.name, {{}, {}, [this, box] {
                          image().SetBit(kModelOptions, box.bit, model().At(box.name).checked);
                        }});
  }
  for (const auto& box : kFunctionOptionBoxes) {
    AddControl(MakeCheck(box.name, kPage, box.caption));
    model().SetHandlers(box.name, {{}, {}, [this, box] {
                          image().SetBit(kFunctionOptions, box.bit, model().At(box.name).checked);
                          model().SetEnabled("chkFunVibrAlert", model().At("chkFunAnnounce").checked);
                        }});
  }

  Control record = MakeList("cboRecordMax", kPage,
                            {"4 section  (120 second)", "8 sections (60 second)", "16 sections (30 second)",
                             "32 sections (15 second)"});
  record.hint = "Select the maximum length (in seconds) of a message.";
  AddControl(record);
  model().SetHandlers("cboRecordMax", {{}, {}, [this] {
                        const int index = model().At("cboRecordMax").selected;
                        if (index >= 0) image()[kRecordSection] = static_cast<std::uint8_t>(index);
                      }});

  Control sqlRec = MakeCheck("chkSQLRec", kPage, "Enable Squelch Control Record Method");
  sqlRec.hint = "Enable squelch control during record.";
  AddControl(sqlRec);
  model().SetHandlers("chkSQLRec", {{}, {}, [this] {
                        image().SetBit(kReceiverFlags, kFlagSquelchRecordBit, !model().At("chkSQLRec").checked);
                      }});

  Control reset = MakeList("cboResetCon", kPage,
                           {"Auto Reset", "Delay N sec Auto Reset", "Revert SQ", "Manual RESET",
                            "Manual RESET Until Press Reset", "Time-Out RESET", "Delay AUTO N with Revert"});
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
    const auto& method = kResetMethods[index];
    image()[kResetMode] = static_cast<std::uint8_t>(method.mode);
    image().SetBit(kReceiverFlags, kFlagPlainManualResetBit, method.plainManualBit);
  }
  const bool shown = DelayShownForMode(image()[kResetMode]);
  for (const char* name : {"lblDelayTime", "edtDelay", "lblDelaySec"}) model().SetVisible(name, shown);
}

void SettingsPages::LoadResetControl() {
  const int mode = image()[kResetMode];
  const bool untilPress = mode == 3 && !image().GetBit(kReceiverFlags, kFlagPlainManualResetBit);
  int index = mode < 4 ? mode : mode + 1;
  // Older firmware knows no "Manual RESET Until Press Reset": the stored
  // variant becomes plain "Manual RESET" when the change action re-encodes it.
  if (untilPress && HasManualResetUntilPress(image().FirmwareVersionNumber())) index = kUntilPressIndex;
  model().Select("cboResetCon", index);
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
    model().Select("cboAudioGain", (image()[kAudioGain] >> 3) & 3);
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

void SettingsPages::LoadModelOptions() {
  for (const auto& box : kModelOptionBoxes) model().SetChecked(box.name, image().GetBit(kModelOptions, box.bit));
}

void SettingsPages::LoadFunctionOptions() {
  for (const auto& box : kFunctionOptionBoxes) model().SetChecked(box.name, image().GetBit(kFunctionOptions, box.bit));
  model().SetEnabled("chkFunVibrAlert", model().At("chkFunAnnounce").checked);
}

}  // namespace zt310::editor
