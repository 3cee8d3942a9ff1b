// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/FunctionSwitchesModel.h"

#include <algorithm>
#include <cmath>

#include "codeplug/Layout.h"

namespace zt310::editor {

using namespace layout;
using namespace settings;

namespace {

constexpr const char* kPage = names::kTabSetting;

using fields::SwitchMode;
constexpr const auto& kTwoChannelModes = fields::kSwitchModes;
constexpr SwitchMode kOneChannelModes[] = {kTwoChannelModes[0], kTwoChannelModes[2]};

constexpr int kVibrateIndex = 1;

constexpr int kPeriodMilliseconds[] = {500, 1000, 2000};

// A tonality is stored in hertz and shown in kilohertz with three decimals.
constexpr long kLowestTonalityHz = 150;
constexpr long kHighestTonalityHz = 6000;
std::string TonalityText(long hertz) { return FormatNumber("%01.3f", static_cast<double>(hertz) / 1000.0); }

std::string TwoChannelList(int s) { return names::SwitchModeList(s); }
std::string OneChannelList(int s) { return names::OneChannelModeList(s); }
std::string AlertTypeList(int s) { return names::AlertTypeList(s); }
std::string PushToListenBox(int s) { return names::PushToListenBox(s); }

std::vector<std::string> Items(const SwitchMode* modes, int count) {
  std::vector<std::string> items;
  for (int i = 0; i < count; ++i) items.emplace_back(modes[i].text);
  return items;
}

std::optional<int> OneChannelIndexOf(int b) {
  const int base = b & 3;
  if (base < 2) return base;
  return std::nullopt;
}

}  // namespace

void FunctionSwitchesModel::Register(EditorModel& editor) {
  Attach(editor);
  for (int s = 0; s < kSwitchCount; ++s) {
    const std::string place = Indexed("FunMode", s);
    Control two = MakeList(TwoChannelList(s), kPage, Items(kTwoChannelModes, 7), kInitialTwoChannelMemory[s]);
    two.place = place;
    two.depth = 1;
    AddControl(two);
    Control one = MakeList(OneChannelList(s), kPage, Items(kOneChannelModes, 2), kInitialOneChannelMemory[s]);
    one.place = place;
    AddControl(one);
    AddControl(MakeList(AlertTypeList(s), kPage, ListTexts(fields::kAlertTypeTexts)));
    AddControl(MakeCheck(PushToListenBox(s), kPage, "Push To Listen"));
    model().SetHandlers(TwoChannelList(s), {{}, {}, [this, s] { TwoChannelModeChanged(s); }});
    model().SetHandlers(OneChannelList(s), {{}, {}, [this, s] { OneChannelModeChanged(s); }});
    model().SetHandlers(AlertTypeList(s), {{}, {}, [this, s] { AlertTypeChanged(s); }});
    model().SetHandlers(PushToListenBox(s), {{}, {}, [this, s] { PushToListenChanged(s); }});
  }
  for (int k = 0; k < kTonalityCount; ++k) {
    const std::string name = names::Tonality(k);
    AddControl(MakeEdit(name, kPage, DecimalsFilter(3)));
    model().SetHandlers(name, {{}, [this, k] { return CommitTonality(k); }, {}});
  }
  AddControl(MakeList(names::kCboCircle, kPage, {"0.5 Second", "1 Second", "2 Second"}));
  model().SetHandlers(names::kCboCircle, {{}, {}, [this] { PeriodChanged(); }});
}

// --- switch lists ---

void FunctionSwitchesModel::ForcePushToListenOff(int s) {
  model().SetChecked(PushToListenBox(s), false);
  PushToListenChanged(s);
  model().SetEnabled(PushToListenBox(s), false);
}

namespace {

void StoreModeBits(CodePlugImage& image, int s, int bits) { image.Set(fields::SwitchModeBits(s), bits); }

}  // namespace

void FunctionSwitchesModel::TwoChannelModeChanged(int s) {
  const int index = model().At(TwoChannelList(s)).selected;
  if (index < 0) {
    StoreModeBits(image(), s, 0);
    return;
  }
  const SwitchMode& mode = kTwoChannelModes[index];
  if (mode.pushToListen) {
    model().SetEnabled(PushToListenBox(s), true);
  } else {
    ForcePushToListenOff(s);
  }
  StoreModeBits(image(), s, mode.Bits());
  twoChannelMemory_[static_cast<std::size_t>(s)] = index;
}

void FunctionSwitchesModel::OneChannelModeChanged(int s) {
  const int index = model().At(OneChannelList(s)).selected;
  if (index < 0) return;
  const SwitchMode& mode = kOneChannelModes[index];
  if (mode.pushToListen) {
    model().SetEnabled(PushToListenBox(s), true);
  } else {
    ForcePushToListenOff(s);
  }
  StoreModeBits(image(), s, mode.Bits());
  oneChannelMemory_[static_cast<std::size_t>(s)] = index;
}

void FunctionSwitchesModel::AlertTypeChanged(int s) {
  const int index = model().At(AlertTypeList(s)).selected;
  if (index >= 0) image().Set(fields::SwitchAlertType(s), index + 1);
}

void FunctionSwitchesModel::PushToListenChanged(int s) {
  const bool on = model().At(PushToListenBox(s)).checked;
  image().Set(fields::SwitchPushToListen(s), on);
  if (on) {
    model().Select(AlertTypeList(s), kVibrateIndex);
    AlertTypeChanged(s);
  }
  model().SetEnabled(AlertTypeList(s), !on);
}

void FunctionSwitchesModel::ShowSwitchLists(bool oneChannel) {
  for (int s = 0; s < kSwitchCount; ++s) {
    const std::size_t i = static_cast<std::size_t>(s);
    const std::string list = oneChannel ? OneChannelList(s) : TwoChannelList(s);
    model().BringToFront(list);
    model().Select(list, oneChannel ? oneChannelMemory_[i] : twoChannelMemory_[i]);
    if (oneChannel) {
      OneChannelModeChanged(s);
    } else {
      TwoChannelModeChanged(s);
    }
  }
}

void FunctionSwitchesModel::LoadSwitches(bool oneChannel) {
  for (int s = 0; s < kSwitchCount; ++s) {
    // All three steps decode the byte as found, not as the earlier steps rewrote it.
    const int switchByte = image()[kFunctionSwitch + s];
    const bool pushToListen = image().Get(fields::SwitchPushToListen(s));
    const int alert = image().Get(fields::SwitchAlertType(s));
    model().SetChecked(PushToListenBox(s), pushToListen);
    PushToListenChanged(s);
    if (oneChannel) {
      if (auto index = OneChannelIndexOf(switchByte)) model().Select(OneChannelList(s), *index);
      OneChannelModeChanged(s);
    } else {
      if (auto index = fields::SwitchModeIndex(switchByte)) model().Select(TwoChannelList(s), *index);
      TwoChannelModeChanged(s);
    }
    if (alert != 0) model().Select(AlertTypeList(s), alert - 1);
    AlertTypeChanged(s);
  }
}

void FunctionSwitchesModel::ForgetRememberedModes(bool oneChannel) {
  if (oneChannel) {
    oneChannelMemory_ = kInitialOneChannelMemory;
  } else {
    twoChannelMemory_ = kInitialTwoChannelMemory;
  }
}

// --- alert tonality ---

void FunctionSwitchesModel::LoadTonalities() {
  ShowTonalities();
  timers_.Compute(image());
}

void FunctionSwitchesModel::ShowTonalities() {
  for (int k = 0; k < kTonalityCount; ++k) {
    model().SetText(names::Tonality(k), TonalityText(image().GetWord(TonalityFrequency(k))));
  }
}

bool FunctionSwitchesModel::CommitTonality(int k) {
  const std::string name = names::Tonality(k);
  const std::string text = Trimmed(Text(name));
  if (text.empty()) {
    ShowTonalities();
    timers_.Compute(image());
    return true;
  }
  const auto value = FieldNumber(text);
  const Message refused{std::string(kProgramCaption),
                        "Please insert a number between " + TonalityText(kLowestTonalityHz) + " and " +
                            TonalityText(kHighestTonalityHz) + " !",
                        Icon::None};
  if (!value) {
    model().Show(refused);
    return false;
  }
  model().SetText(name, FormatNumber("%0.3f", *value));
  // A pasted number past any tonality is held where it still rounds safely.
  const long hertz = std::lround(std::min(*value, 1.0e6) * 1000.0);
  if (hertz < kLowestTonalityHz || hertz > kHighestTonalityHz) {
    model().Show(refused);
    return false;
  }
  image().SetWord(TonalityFrequency(k), static_cast<std::uint16_t>(hertz));
  ShowTonalities();
  timers_.Compute(image());
  return true;
}

// --- priority scan period ---

void FunctionSwitchesModel::PeriodChanged() {
  const int index = model().At(names::kCboCircle).selected;
  if (index < 0) return;
  const int period = image()[kBatterySave2] * 10;
  if (period == 0) {
    // A zero Battery Save2 period gives no count for any period time.
    model().Warn("Battery Save2 is 0, so no Priority Scan F1 count gives this period. Please set Battery Save2 first.");
    ReselectPeriod();
    return;
  }
  int count = kPeriodMilliseconds[index] / period;
  if (count == 0) count = 1;
  image()[kPriorityScanF1] = static_cast<std::uint8_t>(count);
  model().SetText(names::kEdtPriorityScanF1, std::to_string(count));
}

void FunctionSwitchesModel::ReselectPeriod() {
  const int seconds = image()[kPriorityScanF1] * image()[kBatterySave2] * 10 / 1000;
  model().Select(names::kCboCircle, seconds <= 2 ? seconds : -1);
}

}  // namespace zt310::editor
