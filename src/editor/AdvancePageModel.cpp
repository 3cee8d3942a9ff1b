// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/AdvancePageModel.h"

#include <cmath>

#include "codeplug/Layout.h"
#include "editor/SettingPageModel.h"

namespace zt310::editor {

using namespace layout;
using namespace settings;

namespace {

constexpr const char* kPage = names::kTabAdvance;
constexpr const char* kBatteryOrderMessage = "You must let Level-High > Level-Med > Level-Low !";
constexpr const char* kSpeakerOrderMessage = "You must let Speaker OFF > Speaker ON !";
constexpr double kLowestSquelchVolts = 0.02;
// A squelch voltage is one byte of hundredths of a volt.
constexpr double kHighestSquelchVolts = 2.55;
constexpr double kVoltTolerance = 1e-9;

constexpr int kLow = 1;
constexpr int kMedium = 2;
constexpr int kHigh = 3;

struct BatteryList {
  int tag;  // byte 390 + tag
  const char* name;
  std::vector<std::string> items;
};

const std::vector<BatteryList>& BatteryLists() {
  static const std::vector<BatteryList> kLists = {
      {kLow, names::kCboBatLow, {"3.70V", "3.65V", "3.60V", "3.55V", "3.50V", "3.45V", "3.40V"}},
      {kMedium,
       names::kCboBatMed,
       {"3.95V", "3.90V", "3.85V", "3.80V", "3.75V", "3.70V", "3.65V", "3.60V", "3.55V", "3.50V"}},
      {kHigh,
       names::kCboBatHigh,
       {"4.15V", "4.10V", "4.05V", "4.00V", "3.95V", "3.90V", "3.85V", "3.80V", "3.75V", "3.70V"}},
  };
  return kLists;
}

const char* BatteryListName(int tag) { return BatteryLists()[static_cast<std::size_t>(tag - 1)].name; }

// "3.85V" -> 385; nothing for a list without a selection.
std::optional<int> BatteryCentivolts(const std::string& text) {
  if (text.size() < 4 || text[1] != '.') return std::nullopt;
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!digit(text[0]) || !digit(text[2]) || !digit(text[3])) return std::nullopt;
  return (text[0] - '0') * 100 + (text[2] - '0') * 10 + (text[3] - '0');
}

// Whether the picked level keeps High > Medium > Low against the other two;
// a list showing nothing does not take part.
bool KeepsBatteryOrder(int tag, int picked, std::optional<int> low, std::optional<int> medium,
                       std::optional<int> high) {
  const auto above = [picked](std::optional<int> other) { return !other || picked > *other; };
  const auto below = [picked](std::optional<int> other) { return !other || picked < *other; };
  switch (tag) {
    case kHigh:
      return above(medium) && above(low);
    case kMedium:
      return below(high) && above(low);
    default:
      return below(medium) && below(high);
  }
}

std::string SquelchField(int t) { return names::SquelchVoltage(t); }

// Whole-number fields that store one byte and do nothing else.
constexpr ByteField kPlainByteFields[] = {
    {names::kEdtGapMax, kGapMax, 0, 255, kTitle},
    {names::kEdtNRSSIRpTM, kNrssiResponseTime, 5, 100, kTitlePro},
};

}  // namespace

void AdvancePageModel::Register(EditorModel& editor) {
  Attach(editor);
  for (const auto& field : kPlainByteFields) RegisterByteField(field, kPage);
  for (const auto& list : BatteryLists()) {
    AddControl(MakeList(list.name, kPage, list.items));
    const int tag = list.tag;
    model().SetHandlers(list.name, {{}, {}, [this, tag] { BatteryLevelChanged(tag); }});
  }
  for (int t = 0; t < kSquelchTableSize; ++t) {
    AddControl(MakeEdit(SquelchField(t), kPage, DecimalsFilter(2)));
    model().SetHandlers(SquelchField(t), {{}, [this, t] { return CommitSquelchVoltage(t); }, {}});
  }
}

// --- battery gauge levels ---

void AdvancePageModel::BatteryLevelChanged(int tag) {
  const std::string name = BatteryListName(tag);
  const auto picked = BatteryCentivolts(model().At(name).text);
  if (!picked) return;
  const auto level = [this](int t) { return BatteryCentivolts(model().At(BatteryListName(t)).text); };
  if (!KeepsBatteryOrder(tag, *picked, level(kLow), level(kMedium), level(kHigh))) {
    model().Warn(kBatteryOrderMessage);
    // Back to what the list showed before the pick, so that a code the list
    // cannot show does not leave the refused item on screen.
    model().Select(name, batterySelection_[static_cast<std::size_t>(tag)]);
    LoadBatteryLevels();
    model().SetFocus(name);
    return;
  }
  const auto code = BatteryCodeForCentivolts(*picked);
  if (!code) return;
  image()[kLowBatteryAlarm + tag] = *code;
  if (tag == kLow) image()[kLowBatteryAlarm] = *code;
  batterySelection_[static_cast<std::size_t>(tag)] = model().At(name).selected;
}

void AdvancePageModel::LoadBatteryLevels() {
  for (const auto& list : BatteryLists()) {
    if (const auto centivolts = BatteryCentivoltsForCode(image()[kLowBatteryAlarm + list.tag])) {
      const std::string text = FormatNumber("%0.2fV", *centivolts / 100.0);
      for (std::size_t i = 0; i < list.items.size(); ++i) {
        if (list.items[i].rfind(text, 0) == 0) {
          model().Select(list.name, static_cast<int>(i));
          break;
        }
      }
    }
    batterySelection_[static_cast<std::size_t>(list.tag)] = model().At(list.name).selected;
  }
}

// --- GAP MAX. and the NRSSI response time ---

void AdvancePageModel::ShowGapMax() { model().SetText(names::kEdtGapMax, std::to_string(image()[kGapMax])); }

void AdvancePageModel::ShowNrssiResponseTime() {
  model().SetText(names::kEdtNRSSIRpTM, std::to_string(image()[kNrssiResponseTime]));
}

// --- squelch level voltages ---

void AdvancePageModel::ShowSquelchVoltages() {
  for (int t = 0; t < kSquelchTableSize; ++t) {
    model().SetText(SquelchField(t), FormatNumber("%01.2f", image()[kSquelchTable + t] * 0.01));
  }
}

bool AdvancePageModel::CommitSquelchVoltage(int t) {
  const std::string name = SquelchField(t);
  const auto reshow = [this, name, t] {
    model().SetText(name, FormatNumber("%01.2f", image()[kSquelchTable + t] * 0.01));
  };
  const std::string text = Trimmed(Text(name));
  if (text.empty()) {
    reshow();
    return true;
  }
  const double nrssi = FieldNumberOr(names::kEdtRSSI, CodeToVolts(image()[kNrssiThreshold]));
  const bool byteLimits = nrssi > kHighestSquelchVolts + kVoltTolerance;
  const double highest = byteLimits ? kHighestSquelchVolts : nrssi;
  const std::string highestText =
      byteLimits ? FormatNumber("%01.2f", kHighestSquelchVolts) : Trimmed(Text(names::kEdtRSSI));
  const auto value = FieldNumber(text);
  if (!value || *value < kLowestSquelchVolts - kVoltTolerance || *value > highest + kVoltTolerance) {
    model().Warn(RangeMessage(FormatNumber("%01.2f", kLowestSquelchVolts), highestText) + " !");
    reshow();
    return true;
  }
  const bool speakerOff = t % 2 == 0;
  const int partner = speakerOff ? t + 1 : t - 1;
  const double partnerValue = FieldNumberOr(SquelchField(partner), image()[kSquelchTable + partner] * 0.01);
  const bool ordered = speakerOff ? *value >= partnerValue - kVoltTolerance : *value <= partnerValue + kVoltTolerance;
  if (!ordered) {
    model().Warn(kSpeakerOrderMessage);
    reshow();
    return true;
  }
  image()[kSquelchTable + t] = static_cast<std::uint8_t>(Hundredths(*value));
  reshow();
  model().PartOf<SettingPageModel>().ApplySquelchLevel();
  return true;
}

}  // namespace zt310::editor
