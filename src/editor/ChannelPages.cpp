// SPDX-License-Identifier: GPL-3.0-or-later
// Channel pages: the controls of both pages, the loader steps that show them,
// and the call rows (enable boxes, tone types, priority, alert patterns,
// alert times and switch duties). Tone fields and the tone system live in
// ToneFields.cpp, the Frequency group in FrequencyGroup.cpp.
#include "editor/ChannelPages.h"

#include <algorithm>
#include <cmath>

#include "codeplug/Decode.h"
#include "codeplug/HalfSeconds.h"
#include "codeplug/LoadRules.h"
#include "editor/FieldRange.h"

namespace zt310::editor {

using namespace zt310::layout;

namespace {

constexpr const char* kSwitchLetters = "ABCD";
constexpr const char* kWarningTitle = "Warning!";
constexpr const char* kPatternKeyMessage = "Please input A~D or - !";
// A fixed alert time: 1 to 240 half seconds.
constexpr FieldRange kFixedAlertTimeRange{{0.5, 1}, {120.0, 1}};
constexpr const char* kAlertTimeHint =
    "Attention: If the alert time is set for too long, any incoming messages will be cut off or recorded "
    "incompletely during alert.";
const std::vector<std::string> kToneTypeItems(std::begin(fields::kToneTypeTexts), std::end(fields::kToneTypeTexts));
const std::vector<std::string> kAlertTimeItems{"STD", "FIXED"};
using fields::kUserDefineToneType;
constexpr int kFixedAlertTimeItem = 1;
constexpr int kMaxAlertTimeHalfSeconds = 240;

int RowCount(bool group) { return group ? kGroupCallCount : kCallCount; }

using fields::AlertTimeByte;
using fields::CallOptionByte;
int PatternOffset(int channel, bool group, int row) {
  return group ? GroupPattern(channel, row) : CallPattern(channel, row);
}

int PatternStepCode(char c) {
  switch (c) {
    case 'A':
    case 'a':
      return 1;
    case 'B':
    case 'b':
      return 2;
    case 'C':
    case 'c':
      return 3;
    case 'D':
    case 'd':
      return 4;
    default:
      return 0;
  }
}

bool IsPatternKey(char key) { return (key >= 'A' && key <= 'D') || (key >= 'a' && key <= 'd') || key == '-'; }

// Digits, one point not in first place and one digit after it: the filter of
// the tone fields and of the alert time fields.
KeyVerdict OneDecimalKey(const std::string& text, char key) {
  if (key == '\r') return {false, true, {}};
  if (key == '\b') return {true, false, {}};
  const bool digit = key >= '0' && key <= '9';
  const auto point = text.find('.');
  if (point != std::string::npos) return {digit && point + 1 == text.size(), false, {}};
  if (key == '.') return {!text.empty(), false, {}};
  return {digit, false, {}};
}

Control MakeControl(std::string name, ControlKind kind, std::string parent, std::string text = {}) {
  Control control;
  control.name = std::move(name);
  control.kind = kind;
  control.parent = std::move(parent);
  control.text = std::move(text);
  return control;
}

}  // namespace

using names::CallToneGroup;
using names::ChannelPage;
using names::DutyBox;

ToneSystem ChannelPages::CurrentToneSystem() const { return ToneSystemFromByte(model_->image()[kToneSystem]); }

void ChannelPages::Register(EditorModel& model) {
  model_ = &model;
  RegisterWindowControls();
  for (int channel = 0; channel < kChannels; ++channel) RegisterPage(channel);
}

void ChannelPages::RegisterPage(int channel) {
  const std::string tag = ChannelTag(channel);
  model_->Add(MakeControl(ChannelPage(channel), ControlKind::Page, "", "Channel " + tag));
  model_->Add(MakeControl(CallToneGroup(channel), ControlKind::Group, ChannelPage(channel), "Call Tone"));
  Control& tableLabel = model_->Add(
      MakeControl(names::ToneTableLabel(channel), ControlKind::Label, ChannelPage(channel), "[F9] Open Tone Table"));
  tableLabel.visible = false;
  for (int sw = 0; sw < kSwitchCount; ++sw) {
    model_->Add(MakeControl(DutyBox(channel, sw), ControlKind::Check, CallToneGroup(channel),
                            std::string("SW-") + kSwitchLetters[sw]));
    model_->SetHandlers(DutyBox(channel, sw), {{}, {}, [this, channel, sw] { ClickDuty(channel, sw); }});
  }
  for (bool group : {false, true}) {
    for (int row = 0; row < RowCount(group); ++row) RegisterCallRow(channel, group, row);
  }
  RegisterFrequencyGroup(channel);
}

void ChannelPages::RegisterCallRow(int channel, bool group, int row) {
  const CallRowNames n = CallRowNamesOf(channel, group, row);
  const std::string caption = group ? "Group Call #" + std::to_string(row + 1) : "CALL #" + std::to_string(row + 1);
  // The enable box sits beside the row panel: a greyed row can be ticked again.
  model_->Add(MakeControl(n.enable, ControlKind::Check, CallToneGroup(channel), caption));
  model_->SetHandlers(n.enable, {{}, {}, [this, channel, group, row] { ClickCallEnable(channel, group, row); }});
  model_->Add(MakeControl(n.panel, ControlKind::Panel, CallToneGroup(channel)));

  const std::vector<ToneKind> kinds =
      group ? std::vector<ToneKind>{ToneKind::Group} : std::vector<ToneKind>{ToneKind::Tone1, ToneKind::Tone2};
  for (ToneKind kind : kinds) {
    const ToneField field{channel, kind, row};
    Control& edit = model_->Add(MakeControl(ToneFieldName(field), ControlKind::Edit, n.panel));
    edit.filter = OneDecimalKey;
    model_->SetHandlers(
        edit.name, {[this, field] { EnterToneField(field); }, [this, field] { return CommitToneField(field); }, {}});
  }

  Control& toneType = model_->Add(MakeControl(n.toneType, ControlKind::List, n.panel));
  toneType.items = kToneTypeItems;
  model_->SetHandlers(n.toneType, {{}, {}, [this, channel, group, row] { ClickToneType(channel, group, row); }});

  Control& pattern = model_->Add(MakeControl(n.pattern, ControlKind::Edit, n.panel));
  pattern.filter = [this, channel](const std::string& text, char key) { return PatternKey(channel, text, key); };
  model_->SetHandlers(n.pattern, {{}, [this, channel, group, row] { return CommitPattern(channel, group, row); }, {}});

  Control& alertList = model_->Add(MakeControl(n.alertTimeList, ControlKind::List, n.panel));
  alertList.items = kAlertTimeItems;
  model_->SetHandlers(n.alertTimeList, {{}, {}, [this, channel, group, row] { PickAlertTime(channel, group, row); }});
  Control& alertEdit = model_->Add(MakeControl(n.alertTimeEdit, ControlKind::Edit, n.panel));
  alertEdit.filter = OneDecimalKey;
  alertEdit.hint = kAlertTimeHint;
  alertEdit.visible = false;
  model_->SetHandlers(n.alertTimeEdit,
                      {{}, [this, channel, group, row] { return CommitAlertTime(channel, group, row); }, {}});
  model_->Add(MakeControl(n.alertTimeLabel, ControlKind::Label, n.panel, "s.")).visible = false;

  model_->Add(MakeControl(n.dutyPanel, ControlKind::Panel, n.panel));
  for (int sw = 0; sw < kSwitchCount; ++sw) {
    model_->Add(MakeControl(n.switches[sw], ControlKind::Check, n.dutyPanel));
    model_->SetHandlers(n.switches[sw],
                        {{}, {}, [this, channel, group, row, sw] { ClickSwitch(channel, group, row, sw); }});
  }
  model_->Add(MakeControl(n.priority, ControlKind::Check, n.panel));
  model_->SetHandlers(n.priority, {{}, {}, [this, channel, group, row] { ClickPriority(channel, group, row); }});
}

// --- loader steps ---

void ChannelPages::ApplyLegacySpacing() {
  for (int channel = 0; channel < kChannels; ++channel) {
    if (NormaliseLegacySpacing(model_->image(), channel)) spacingHz_[channel] = 2500;
  }
}

void ChannelPages::LoadSpacingChoices() {
  for (int channel = 0; channel < kChannels; ++channel) {
    const auto choice = SpacingChoiceFromCode(model_->image()[RfSpacingCode(channel)]);
    model_->Select(names::SpacingList(channel), static_cast<int>(choice));
    ClickSpacing(channel);
  }
}

void ChannelPages::LoadToneSystem() { ShowToneSystem(CurrentToneSystem()); }

void ChannelPages::ShowToneSystem(ToneSystem system) {
  for (int k = 0; k < names::kToneSystemButtons; ++k) {
    model_->SetChecked(names::ToneSystemButton(k), kToneSystems[k] == system);
  }
}

void ChannelPages::LoadFixedAlertTimeAllowed() {
  model_->SetChecked(names::kChkEnableAlertTime, model_->image()[kFixedAlertTimeAllowed] != kMarkerOff);
}

void ChannelPages::LoadDecoderBandwidth() {
  const std::uint8_t index = model_->image()[kDecoderBandwidth];
  model_->Select(names::kCboBandWidth, index);
  bandwidthTenths_ = DecoderBandwidthTenthsForIndex(index, bandwidthTenths_);
}

// Shown again after the settings pages have loaded; the working value stays.
void ChannelPages::ReselectDecoderBandwidth() {
  model_->Select(names::kCboBandWidth, model_->image()[kDecoderBandwidth]);
}

void ChannelPages::LoadDutyEnables(int channel) {
  for (int sw = 0; sw < kSwitchCount; ++sw) {
    model_->SetChecked(DutyBox(channel, sw), !model_->image().Get(fields::DutyEnableBit(channel, sw)));
    ClickDuty(channel, sw);
  }
}

void ChannelPages::LoadChannelRows(int channel) {
  for (bool group : {false, true}) RefreshChannelTones(channel, group);
  for (bool group : {false, true}) RefreshPatterns(channel, group);
  for (bool group : {false, true}) RefreshToneTypes(channel, group);
  for (bool group : {false, true}) EnableRows(channel, group);
  for (bool group : {false, true}) RefreshPriorities(channel, group);
  for (bool group : {false, true}) RefreshAlertTimes(channel, group);
}

// --- call enable and row enablement ---

void ChannelPages::ClickCallEnable(int channel, bool group, int row) {
  const CallRowNames n = CallRowNamesOf(channel, group, row);
  const bool on = model_->At(n.enable).checked;
  model_->image().Set(fields::CallEnabled(channel, group, row), on);
  EnableRows(channel, group);
  if (!on) return;
  // A call coming back into use has its stored tones judged again.
  if (group) {
    CommitToneField({channel, ToneKind::Group, row});
  } else {
    CommitToneField({channel, ToneKind::Tone1, row});
    CommitToneField({channel, ToneKind::Tone2, row});
  }
}

void ChannelPages::EnableRows(int channel, bool group) {
  EditorModel& m = *model_;
  const bool fixedAlertTime = m.image()[kFixedAlertTimeAllowed] == kMarkerOn;
  for (int row = 0; row < RowCount(group); ++row) {
    const CallRowNames n = CallRowNamesOf(channel, group, row);
    const bool on = m.image().Get(fields::CallEnabled(channel, group, row));
    for (const std::string* name : {&n.panel, &n.tone1, &n.tone2, &n.toneType, &n.dutyPanel, &n.priority}) {
      if (!name->empty()) m.SetEnabled(*name, on);
    }
    m.SetEnabled(n.pattern, on && m.At(n.toneType).selected == kUserDefineToneType);
    for (int sw = 0; sw < kSwitchCount; ++sw) {
      if (!on) {
        m.SetEnabled(n.switches[sw], false);
      } else if (m.At(DutyBox(channel, sw)).checked) {
        m.SetEnabled(n.switches[sw], true);
      }
    }
    for (const std::string* name : {&n.alertTimeList, &n.alertTimeEdit, &n.alertTimeLabel}) {
      m.SetEnabled(*name, on && fixedAlertTime);
    }
    m.SetChecked(n.enable, on);
  }
}

// --- tone type and priority ---

void ChannelPages::ClickToneType(int channel, bool group, int row) {
  const CallRowNames n = CallRowNamesOf(channel, group, row);
  const int index = model_->At(n.toneType).selected;
  if (index < 0) return;
  model_->image().Set(fields::ToneType(CallOptionByte(channel, group, row)), index);
  model_->SetEnabled(n.pattern, index > 1);
}

void ChannelPages::ClickPriority(int channel, bool group, int row) {
  const CallRowNames n = CallRowNamesOf(channel, group, row);
  model_->image().Set(fields::Priority(CallOptionByte(channel, group, row)), model_->At(n.priority).checked);
}

void ChannelPages::RefreshToneTypes(int channel, bool group) {
  for (int row = 0; row < RowCount(group); ++row) {
    const int type = model_->image().Get(fields::ToneType(CallOptionByte(channel, group, row)));
    model_->Select(CallRowNamesOf(channel, group, row).toneType, type);
  }
}

void ChannelPages::RefreshPriorities(int channel, bool group) {
  for (int row = 0; row < RowCount(group); ++row) {
    model_->SetChecked(CallRowNamesOf(channel, group, row).priority,
                       model_->image().Get(fields::Priority(CallOptionByte(channel, group, row))));
  }
}

// --- alert patterns ---

void ChannelPages::RefreshPatterns(int channel, bool group) {
  for (int row = 0; row < RowCount(group); ++row) {
    model_->SetText(CallRowNamesOf(channel, group, row).pattern,
                    AlertPatternText(model_->image(), PatternOffset(channel, group, row)));
  }
}

bool ChannelPages::CommitPattern(int channel, bool group, int row) {
  const std::string name = CallRowNamesOf(channel, group, row).pattern;
  std::string text = Trimmed(model_->At(name).text);
  if (text.empty()) {
    RefreshPatterns(channel, group);
    return true;
  }
  text = text.substr(0, 2 * kPatternSize);
  text.resize(2 * kPatternSize, '-');
  model_->SetText(name, text);
  const int offset = PatternOffset(channel, group, row);
  for (int k = 0; k < kPatternSize; ++k) {
    model_->image()[offset + k] =
        static_cast<std::uint8_t>(PatternStepCode(text[2 * k]) << 4 | PatternStepCode(text[2 * k + 1]));
  }
  return true;
}

KeyVerdict ChannelPages::PatternKey(int channel, const std::string& text, char key) {
  if (key == '\b') return {true, false, {}};
  if (key == '\r') return {false, true, {}};
  if (Trimmed(text).size() >= static_cast<std::size_t>(2 * kPatternSize)) {
    // A full F2 pattern commits itself on the next key; F1 just ignores it.
    return {false, channel == 1, {}};
  }
  if (IsPatternKey(key)) return {true, false, {}};
  model_->Show(Message{kWarningTitle, kPatternKeyMessage, Icon::Error});
  return {};
}

// --- alert times ---

void ChannelPages::PickAlertTime(int channel, bool group, int row) {
  const CallRowNames n = CallRowNamesOf(channel, group, row);
  const bool fixed = model_->At(n.alertTimeList).selected == kFixedAlertTimeItem;
  model_->SetVisible(n.alertTimeEdit, fixed);
  model_->SetVisible(n.alertTimeLabel, fixed);
  model_->SetText(n.alertTimeEdit, fixed ? "1.0" : "0");
  model_->image()[AlertTimeByte(channel, group, row)] = fixed ? 2 : 0;
}

bool ChannelPages::CommitAlertTime(int channel, bool group, int row) {
  const CallRowNames n = CallRowNamesOf(channel, group, row);
  const std::string text = Trimmed(model_->At(n.alertTimeEdit).text);
  if (text.empty()) {
    RefreshAlertTimes(channel, group);
    return true;
  }
  const auto number = ParseNumber(text);
  // A number past every alert time is held at a value that is still past
  // them all, so it converts to half seconds without overflow.
  const double seconds = number ? std::min(*number, 1000.0) : -1.0;
  const bool fixed = model_->At(n.alertTimeList).selected == kFixedAlertTimeItem;
  if (!number || (fixed && !kFixedAlertTimeRange.Contains(seconds))) {
    model_->Warn(kFixedAlertTimeRange.Message());
    return false;
  }
  model_->SetText(n.alertTimeEdit, FormatNumber("%01.1f", seconds));
  const int halfSeconds = HalfSecondCount(seconds);
  if (!IsHalfSecondStep(seconds) || halfSeconds > kMaxAlertTimeHalfSeconds) {
    model_->Warn(kHalfSecondMessage);
    RefreshAlertTimes(channel, group);
    return true;
  }
  model_->image()[AlertTimeByte(channel, group, row)] = static_cast<std::uint8_t>(halfSeconds);
  return true;
}

void ChannelPages::RefreshAlertTimes(int channel, bool group) {
  for (int row = 0; row < RowCount(group); ++row) {
    const CallRowNames n = CallRowNamesOf(channel, group, row);
    const int halfSeconds = model_->image()[AlertTimeByte(channel, group, row)];
    const bool fixed = halfSeconds != 0;
    if (fixed) model_->SetText(n.alertTimeEdit, HalfSecondsText(halfSeconds));
    model_->SetVisible(n.alertTimeEdit, fixed);
    model_->SetVisible(n.alertTimeLabel, fixed);
    model_->Select(n.alertTimeList, fixed ? kFixedAlertTimeItem : 0);
  }
}

void ChannelPages::ClickEnableAlertTime() {
  const bool on = model_->At(names::kChkEnableAlertTime).checked;
  model_->image()[kFixedAlertTimeAllowed] = on ? kMarkerOn : kMarkerOff;
  if (!on) {
    for (int channel = 0; channel < kChannels; ++channel) {
      for (bool group : {false, true}) {
        for (int row = 0; row < RowCount(group); ++row) model_->image()[AlertTimeByte(channel, group, row)] = 0;
        RefreshAlertTimes(channel, group);
      }
    }
  }
  EnableRows(1, false);
  EnableRows(0, false);
  EnableRows(0, true);
  EnableRows(1, true);
}

// --- switch duties ---

void ChannelPages::ClickSwitch(int channel, bool group, int row, int sw) {
  model_->image().Set(fields::SwitchDuty(channel, group, row, sw),
                      model_->At(CallRowNamesOf(channel, group, row).switches[sw]).checked);
}

void ChannelPages::ClickDuty(int channel, int sw) {
  const bool on = model_->At(DutyBox(channel, sw)).checked;
  model_->image().Set(fields::DutyEnableBit(channel, sw), !on);
  for (bool group : {false, true}) {
    for (int row = 0; row < RowCount(group); ++row) {
      const CallRowNames n = CallRowNamesOf(channel, group, row);
      model_->SetEnabled(n.switches[sw], on && model_->At(n.enable).checked);
    }
  }
}

void ChannelPages::LoadDuties(int channel) {
  for (bool group : {false, true}) {
    for (int row = 0; row < RowCount(group); ++row) {
      for (int sw = 0; sw < kSwitchCount; ++sw) {
        model_->SetChecked(CallRowNamesOf(channel, group, row).switches[sw],
                           model_->image().Get(fields::SwitchDuty(channel, group, row, sw)));
      }
    }
  }
}

// --- window-wide controls ---

void ChannelPages::RegisterWindowControls() {
  EditorModel& m = *model_;
  Control& group = m.Add(MakeControl(names::kGrpToneSystem, ControlKind::Group, "", "Tone System"));
  group.hint = kToneSystemHint;
  static_assert(std::size(kToneSystems) == names::kToneSystemButtons);
  for (int k = 0; k < names::kToneSystemButtons; ++k) {
    const std::string name = names::ToneSystemButton(k);
    m.Add(MakeControl(name, ControlKind::Radio, names::kGrpToneSystem, ToneSystemName(kToneSystems[k])));
    m.SetHandlers(name, {{}, {}, [this, system = kToneSystems[k]] { SelectToneSystem(system); }});
  }

  // These sit on the System and Advance Setting pages, which the settings pages register.
  Control& alertTime =
      m.Add(MakeControl(names::kChkEnableAlertTime, ControlKind::Check, names::kTabAdvance, "Enable Fixed Alert Time"));
  alertTime.hint = kAlertTimeHint;
  m.SetHandlers(names::kChkEnableAlertTime, {{}, {}, [this] { ClickEnableAlertTime(); }});

  Control& bandwidth = m.Add(MakeControl(names::kCboBandWidth, ControlKind::List, names::kTabAdvance));
  for (int index = 0; index < kDecoderBandwidthChoices; ++index) {
    bandwidth.items.push_back(FormatNumber("%0.1f", (2 * index + 1) / 10.0));
  }
  bandwidth.hint = "Decoder Bandwidth default value : 1.5%";
  m.SetHandlers(names::kCboBandWidth, {{}, {}, [this] { ClickBandWidth(); }});

  for (int tag = 0; tag < 3; ++tag) {
    const std::string name = names::ToneDuration(tag);
    const char* page = tag == 2 ? names::kTabAdvance : names::kTabSystem;
    m.Add(MakeControl(name, ControlKind::Edit, page)).filter = DigitsOnlyFilter();
    m.SetHandlers(name, {{}, [this, tag] { return CommitToneDuration(tag); }, {}});
  }
}

}  // namespace zt310::editor
