// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SettingPageModel.h"

#include "codeplug/HalfSeconds.h"
#include "codeplug/Layout.h"
#include "codeplug/LoadRules.h"
#include "editor/AdvancePageModel.h"
#include "editor/ChannelPages.h"
#include "editor/FunctionSwitchesModel.h"
#include "editor/SystemPageModel.h"

namespace zt310::editor {

using namespace layout;
using namespace settings;

namespace {

constexpr const char* kPage = names::kTabSetting;

constexpr int kReminderValues[] = {0, 60, 120, 240};

using fields::BandPreset;
using fields::kNarrowBandPreset;
using fields::kWideBandPreset;

// 2 to 255 half seconds.
constexpr FieldRange kResetDelayRange{{1.0}, {127.5, 1}};

bool DelayShownForMode(int mode) { return mode == 1 || mode == 4 || mode == 5; }

Control MakeOptionBox(const fields::OptionBit& option) {
  Control box = MakeCheck(option.control, kPage, option.caption);
  box.hint = option.hint;
  return box;
}

}  // namespace

void SettingPageModel::Register(EditorModel& editor) {
  Attach(editor);
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

  Control record = MakeList(names::kCboRecordMax, kPage, ListTexts(fields::kRecordSectionTexts));
  record.hint = "Select the maximum length (in seconds) of a message.";
  AddControl(record);
  model().SetHandlers(names::kCboRecordMax, {{}, {}, [this] {
                                               const int index = model().At(names::kCboRecordMax).selected;
                                               if (index >= 0)
                                                 image()[kRecordSection] = static_cast<std::uint8_t>(index);
                                             }});

  AddControl(MakeOptionBox(fields::kSquelchControlRecord));
  model().SetHandlers(fields::kSquelchControlRecord.control,
                      {{}, {}, [this] { StoreOptionBox(fields::kSquelchControlRecord); }});

  std::vector<std::string> resetItems;
  for (const auto& method : fields::kResetMethods) resetItems.emplace_back(method.text);
  Control reset = MakeList(names::kCboResetCon, kPage, resetItems);
  reset.hint = "Determines how a select call pager squelches a message after receiving a page.";
  AddControl(reset);
  model().SetHandlers(names::kCboResetCon, {{}, {}, [this] { ResetControlChanged(); }});
  AddControl(MakeLabel(names::kLblHelp, kPage, "Help"));
  AddControl(MakeLabel(names::kLblDelayTime, kPage, "Delay Time"));
  AddControl(MakeEdit(names::kEdtDelay, kPage, DecimalsFilter(1)));
  AddControl(MakeLabel(names::kLblDelaySec, kPage, "sec"));
  model().SetHandlers(names::kEdtDelay, {{}, [this] { return CommitResetDelay(); }, {}});

  AddControl(MakeEdit(names::kEdtSquelch, kPage, DigitsOnlyFilter()));
  model().SetHandlers(names::kEdtSquelch,
                      {{},
                       [this] {
                         return CommitWhole(
                             names::kEdtSquelch, 0, 255,
                             [this](long v) { image()[kCarrierOffDelay] = static_cast<std::uint8_t>(v); },
                             [this] { ShowCarrierOffDelay(); });
                       },
                       {}});

  Control reminder = MakeList(names::kCboReminder, kPage, {"Disable", "30  Second", "60  Second", "120 Second"});
  reminder.hint = "When \u201cSave voice\u201d is present, this option establishes the time witch the pager";
  AddControl(reminder);
  model().SetHandlers(names::kCboReminder, {{}, {}, [this] { ReminderChanged(); }});

  AddControl(MakeList(names::kCblSquelchlevel, kPage, {"1", "2", "3", "4", "5"}));
  model().SetHandlers(names::kCblSquelchlevel, {{}, {}, [this] { ApplySquelchLevel(); }});

  Control gain = MakeList(names::kCboAudioGain, kPage, {"1", "2", "3", "4"});
  gain.hint = "It is suggested to use \"1\" for wide band pagers and \"3\" for narrow band pagers.";
  AddControl(gain);
  model().SetHandlers(names::kCboAudioGain, {{}, {}, [this] { AudioGainChanged(); }});

  AddControl(MakeCheck(names::kChkOneChannel, kPage, "One Channel"));
  model().SetHandlers(names::kChkOneChannel, {{}, {}, [this] { OneChannelChanged(); }});
  AddControl(MakeCheck(names::kChkNB, kPage, "NB"));
  model().SetHandlers(names::kChkNB, {{}, {}, [this] { NarrowBandChanged(); }});
}

// --- reset control ---

void SettingPageModel::ResetControlChanged() {
  const int index = model().At(names::kCboResetCon).selected;
  if (index >= 0) {
    const auto& method = fields::kResetMethods[index];
    image()[kResetMode] = static_cast<std::uint8_t>(method.mode);
    image().SetBit(kReceiverFlags, kFlagPlainManualResetBit, method.plainManualBit);
  }
  const bool shown = DelayShownForMode(image()[kResetMode]);
  for (const char* name : {names::kLblDelayTime, names::kEdtDelay, names::kLblDelaySec})
    model().SetVisible(name, shown);
}

void SettingPageModel::LoadResetControl() {
  // Older firmware knows no "Manual RESET Until Press Reset": the stored
  // variant becomes plain "Manual RESET" when the change action re-encodes it.
  model().Select(names::kCboResetCon, ShownResetMethod(image()));
  ResetControlChanged();
  ShowResetDelay();
}

void SettingPageModel::ShowResetDelay() { model().SetText(names::kEdtDelay, HalfSecondsText(image()[kResetDelay])); }

void SettingPageModel::ShowCarrierOffDelay() {
  model().SetText(names::kEdtSquelch, std::to_string(image()[kCarrierOffDelay]));
}

bool SettingPageModel::CommitResetDelay() {
  const std::string text = Trimmed(Text(names::kEdtDelay));
  if (text.empty()) {
    ShowResetDelay();
    return true;
  }
  const auto value = FieldNumber(text);
  if (!value || !kResetDelayRange.Contains(*value)) {
    model().Warn(kResetDelayRange.Message());
    return false;
  }
  if (!IsHalfSecondStep(*value)) {
    model().Warn(kHalfSecondMessage);
    ShowResetDelay();
    return true;
  }
  image()[kResetDelay] = static_cast<std::uint8_t>(HalfSecondCount(*value));
  ShowResetDelay();
  return true;
}

// --- reminder ---

void SettingPageModel::ReminderChanged() {
  const int index = model().At(names::kCboReminder).selected;
  if (index >= 0) image()[kReminder] = static_cast<std::uint8_t>(kReminderValues[index]);
}

void SettingPageModel::LoadReminderExact() {
  const int stored = image()[kReminder];
  for (int i = 0; i < 4; ++i) {
    if (stored == kReminderValues[i]) model().Select(names::kCboReminder, i);
  }
}

void SettingPageModel::LoadReminderByRange() {
  const int stored = image()[kReminder];
  const int index = stored == 0 ? 0 : stored < 90 ? 1 : stored < 180 ? 2 : 3;
  model().Select(names::kCboReminder, index);
  ReminderChanged();
}

// --- squelch level ---

void SettingPageModel::ApplySquelchLevel() {
  const int level = model().At(names::kCblSquelchlevel).selected;
  if (level < 0) return;
  model().SetText(names::kEdtSSI, FormatNumber("%1.2f", image()[SquelchOn(level)] * 0.01));
  model().SetText(names::kEdtRSSI2, FormatNumber("%1.2f", image()[SquelchOff(level)] * 0.01));
  image()[kSpeakerOnCode] = VoltsToCode(static_cast<float>(FieldNumberOr(names::kEdtSSI, 0.0)));
  image()[kSpeakerOffCode] = VoltsToCode(static_cast<float>(FieldNumberOr(names::kEdtRSSI2, 0.0)));
  image()[kSquelchLevel] = static_cast<std::uint8_t>(level);
}

void SettingPageModel::LoadSquelchLevel() {
  NormaliseSquelchLevel(image());
  model().Select(names::kCblSquelchlevel, image()[kSquelchLevel]);
  ApplySquelchLevel();
}

// --- audio gain and band ---

void SettingPageModel::AudioGainChanged() {
  const int index = model().At(names::kCboAudioGain).selected;
  if (index >= 0) image()[kAudioGain] = static_cast<std::uint8_t>(index * 8);
}

void SettingPageModel::LoadAudioGain() {
  NormaliseBlankAudioGain(image());
  model().Select(names::kCboAudioGain, image().Get(fields::kAudioGainItem));
}

void SettingPageModel::NarrowBandChanged() {
  const bool narrow = model().At(names::kChkNB).checked;
  image()[kNarrowBandMarker] = narrow ? 0 : kBlank;
  image()[kBand] = narrow ? 1 : kBlank;
  const BandPreset& preset = narrow ? kNarrowBandPreset : kWideBandPreset;
  model().SetText(names::kEdtRSSI, preset.nrssi);
  model().Select(names::kCboAudioGain, preset.audioGainIndex);
  for (int t = 0; t < kSquelchTableSize; ++t) image()[kSquelchTable + t] = preset.squelch[static_cast<std::size_t>(t)];
  AudioGainChanged();
  model().PartOf<SystemPageModel>().CommitNrssi();
  model().PartOf<AdvancePageModel>().ShowSquelchVoltages();
  ApplySquelchLevel();
}

void SettingPageModel::LoadBand() {
  if (NormaliseMarkerWithoutBand(image())) model().Select(names::kCboAudioGain, 0);
  if (const auto narrow = ShownNarrowBand(image())) model().SetChecked(names::kChkNB, *narrow);
}

// --- one channel ---

void SettingPageModel::OneChannelChanged() {
  const bool one = model().At(names::kChkOneChannel).checked;
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
      for (int sw = 0; sw < names::kSwitchDuties; ++sw) model().RunChange(names::DutyBox(1, sw));
    }
  }
  model().PartOf<FunctionSwitchesModel>().ShowSwitchLists(one);
}

namespace {

bool IsChannelF2Control(const EditorModel& model, const std::string& name) {
  if (name.size() > 5 && name.compare(3, 2, "F2") == 0) return true;                // edtF2T10, chkF2Call0
  if (name.size() > 2 && name.compare(name.size() - 2, 2, "F2") == 0) return true;  // cboCSpaceF2
  for (std::string current = name; !current.empty() && model.Has(current); current = model.At(current).parent) {
    if (current == names::kTabChannelF2) return true;
  }
  return false;
}

}  // namespace

void SettingPageModel::SetF2ChannelEnabled(bool on) {
  for (const auto& name : model().Names()) {
    if (IsChannelF2Control(model(), name)) model().SetEnabled(name, on);
  }
}

// --- option boxes ---

void SettingPageModel::StoreOptionBox(const fields::OptionBit& option) {
  image().SetTicked(option, model().At(option.control).checked);
}

void SettingPageModel::LoadOptionBox(const fields::OptionBit& option) {
  model().SetChecked(option.control, image().IsTicked(option));
}

void SettingPageModel::EnableFunctionVibrationAlert() {
  const bool announced = model().At(fields::kFunctionAnnouncement.control).checked;
  model().SetEnabled(fields::kFunctionVibrationAlert.control, announced);
}

void SettingPageModel::LoadSquelchRecord() { LoadOptionBox(fields::kSquelchControlRecord); }

void SettingPageModel::LoadRecordSection() { model().Select(names::kCboRecordMax, image()[kRecordSection]); }

void SettingPageModel::LoadChannelMode() {
  const bool oneChannel = ShowsOneChannel(image());
  model().SetChecked(names::kChkOneChannel, oneChannel);
  model().PartOf<FunctionSwitchesModel>().LoadSwitches(oneChannel);
  OneChannelChanged();
}

void SettingPageModel::LoadModelOptions() {
  for (const auto& option : fields::kModelOptionBits) LoadOptionBox(option);
}

void SettingPageModel::LoadFunctionOptions() {
  for (const auto& option : fields::kFunctionOptionBits) LoadOptionBox(option);
  EnableFunctionVibrationAlert();
}

}  // namespace zt310::editor
