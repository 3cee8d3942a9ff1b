// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SystemPageModel.h"

#include "codeplug/HalfSeconds.h"
#include "codeplug/Layout.h"
#include "editor/FunctionSwitchesModel.h"

namespace zt310::editor {

using namespace layout;
using namespace settings;

namespace {

constexpr const char* kPage = names::kTabSystem;
constexpr const char* kPeriodTooLong = "Priority ScanF1 x (Battery Save2 x 10ms) must less than 30000 ms !";
constexpr long kPeriodLimitMs = 30000;

// 0 to 255 half seconds.
constexpr FieldRange kDecoderResetRange{{0.0}, {127.5, 1}};
constexpr FieldRange kVoltageRange{{0.0}, {1.0}};

// Whole-number fields that store one byte and do nothing else.
constexpr ByteField kPlainByteFields[] = {
    {names::kEdtRFDelay, kRfDelay, 0, 255, kTitle},
    {names::kEdtNoiseLimit, kNoiseLimit, 0, 255, kTitle},
};

struct UnitLabel {
  const char* page;
};
// Pairs 0 to 4 stand beside the tone durations, limits and noise limit, 5 beside GAP MAX.
constexpr UnitLabel kTimingUnitLabels[] = {{names::kTabSystem}, {names::kTabSystem}, {names::kTabSystem},
                                           {names::kTabSystem}, {names::kTabSystem}, {names::kTabAdvance}};

}  // namespace

void SystemPageModel::Register(EditorModel& editor) {
  Attach(editor);
  for (const auto& field : kPlainByteFields) RegisterByteField(field, kPage);

  AddControl(MakeEdit(names::kEdtDecorderReset, kPage, DigitsOnlyFilter()));
  model().SetHandlers(names::kEdtDecorderReset, {{}, [this] { return CommitDecoderReset(); }, {}});

  AddControl(MakeEdit(names::kEdtRSSI, kPage, DecimalsFilter(2)));
  model().SetHandlers(names::kEdtRSSI, {{}, [this] { return CommitNrssi(); }, {}});
  AddControl(MakeEdit(names::kEdtRSSI2, kPage, DecimalsFilter(2)));
  model().SetHandlers(names::kEdtRSSI2, {{}, [this] { return CommitSpeakerOff(); }, {}});
  AddControl(MakeEdit(names::kEdtSSI, kPage, DecimalsFilter(2)));
  model().SetHandlers(names::kEdtSSI, {{}, [this] { return CommitSpeakerOn(); }, {}});

  AddControl(MakeEdit(names::kEdtPriorityScanF1, kPage, DigitsOnlyFilter()));
  model().SetHandlers(names::kEdtPriorityScanF1, {{}, [this] { return CommitPriorityScan(); }, {}});
  for (int t = 0; t < 2; ++t) {
    const std::string name = names::BatterySavePeriod(t);
    AddControl(MakeEdit(name, kPage, DigitsOnlyFilter()));
    model().SetHandlers(name, {{}, [this, t] { return CommitBatterySave(t); }, {}});
  }
  for (int t = 0; t < 2; ++t) {
    const std::string name = names::ToneLimit(t);
    AddControl(MakeEdit(name, kPage, DigitsOnlyFilter()));
    model().SetHandlers(name, {{},
                               [this, t] {
                                 const int offset = kTone1Limit + 4 * t;
                                 return CommitWhole(
                                     names::ToneLimit(t), 0, 65535,
                                     [this, offset](long v) { image().SetWord(offset, static_cast<std::uint16_t>(v)); },
                                     [this] { ShowToneLimits(); });
                               },
                               {}});
  }

  for (std::size_t n = 0; n < std::size(kTimingUnitLabels); ++n) {
    const int i = static_cast<int>(n);
    Control hundred = MakeLabel(names::HundredMsLabel(i), kTimingUnitLabels[n].page, "x 100 ms");
    hundred.place = Indexed("TimingUnit", i);
    AddControl(hundred);
    Control fifty = MakeLabel(names::FiftyMsLabel(i), kTimingUnitLabels[n].page, "x 50 ms");
    fifty.place = hundred.place;
    fifty.depth = 1;  // "x 50 ms" is in front at start-up
    AddControl(fifty);
  }
}

// --- timing unit labels ---

void SystemPageModel::ShowTimingUnit(bool hundredMs) {
  for (std::size_t n = 0; n < std::size(kTimingUnitLabels); ++n) {
    const int pair = static_cast<int>(n);
    model().BringToFront(hundredMs ? names::HundredMsLabel(pair) : names::FiftyMsLabel(pair));
  }
}

void SystemPageModel::SelectTimingUnitLabels(int version) { ShowTimingUnit(IsOldTimingFirmware(version)); }

bool SystemPageModel::ShowsHundredMsUnit() const { return model().IsInFront(names::HundredMsLabel(0)); }

// --- commits ---

void SystemPageModel::ShowDecoderReset() {
  model().SetText(names::kEdtDecorderReset, HalfSecondsText(image()[kDecoderReset]));
}

bool SystemPageModel::CommitDecoderReset() {
  const std::string text = Trimmed(Text(names::kEdtDecorderReset));
  if (text.empty()) {
    ShowDecoderReset();
    return true;
  }
  const auto value = FieldNumber(text);
  if (!value || !kDecoderResetRange.Contains(*value)) {
    model().Warn(kDecoderResetRange.Message());
    return false;
  }
  if (!IsHalfSecondStep(*value)) {
    model().Warn(kHalfSecondMessage);
    ShowDecoderReset();
    return true;
  }
  image()[kDecoderReset] = static_cast<std::uint8_t>(HalfSecondCount(*value));
  ShowDecoderReset();
  return true;
}

namespace {

// The commit of a voltage field: 0 to 1 V, stored as a converter code.
// Returns the accepted value; nothing when the field was empty or refused
// (*refused tells which).
std::optional<double> CommitVoltage(EditorModel& model, const std::string& name, int offset, bool sinkWhenEmpty,
                                    bool* refused) {
  *refused = false;
  const std::string text = Trimmed(model.At(name).text);
  if (text.empty()) {
    model.SetText(name, FormatNumber("%1.2f", CodeToVolts(model.image()[offset])));
    if (sinkWhenEmpty) model.SetFocus(kFocusSink);
    return std::nullopt;
  }
  const auto value = FieldNumber(text);
  if (!value || !kVoltageRange.Contains(*value)) {
    model.Warn(kVoltageRange.Message());
    *refused = true;
    return std::nullopt;
  }
  model.SetText(name, FormatNumber("%1.2f", *value));
  model.image()[offset] = VoltsToCode(static_cast<float>(*value));
  return value;
}

}  // namespace

bool SystemPageModel::CommitNrssi() {
  bool refused = false;
  CommitVoltage(model(), names::kEdtRSSI, kNrssiThreshold, true, &refused);
  return !refused;
}

bool SystemPageModel::CommitSpeakerOff() {
  bool refused = false;
  CommitVoltage(model(), names::kEdtRSSI2, kSpeakerOffCode, true, &refused);
  return !refused;
}

bool SystemPageModel::CommitSpeakerOn() {
  bool refused = false;
  const auto value = CommitVoltage(model(), names::kEdtSSI, kSpeakerOnCode, false, &refused);
  if (value) {
    // A value equal to a wide-band level's Speaker ON voltage selects that
    // level, whatever "NB" shows; the level's own action does not run, so
    // byte 396 keeps the level it had.
    const long hundredths = Hundredths(*value);
    for (int level = 0; level < kSquelchLevels; ++level) {
      if (fields::kWideBandPreset.SpeakerOn(level) == hundredths) {
        model().Select(names::kCblSquelchlevel, level);
        break;
      }
    }
  }
  return !refused;
}

bool SystemPageModel::CommitBatterySave(int t) {
  const std::string name = names::BatterySavePeriod(t);
  return CommitWhole(
      name, 0, 255,
      [this, t](long v) {
        image()[kBatterySave1 + t] = static_cast<std::uint8_t>(v);
        model().PartOf<FunctionSwitchesModel>().ReselectPeriod();
      },
      [this, name, t] { model().SetText(name, std::to_string(image()[kBatterySave1 + t])); },
      [this, t](long v) {
        if (t != 1) return true;
        const double count = FieldNumberOr(names::kEdtPriorityScanF1, image()[kPriorityScanF1]);
        if (count * static_cast<double>(v) * 10.0 < kPeriodLimitMs) return true;
        model().Warn(kPeriodTooLong);
        return false;
      });
}

bool SystemPageModel::CommitPriorityScan() {
  return CommitWhole(
      names::kEdtPriorityScanF1, 1, 255,
      [this](long v) {
        image()[kPriorityScanF1] = static_cast<std::uint8_t>(v);
        model().PartOf<FunctionSwitchesModel>().ReselectPeriod();
      },
      [this] { model().SetText(names::kEdtPriorityScanF1, std::to_string(image()[kPriorityScanF1])); },
      [this](long v) {
        const double period = FieldNumberOr(names::BatterySavePeriod(1), image()[kBatterySave2]);
        if (static_cast<double>(v) * period * 10.0 < kPeriodLimitMs) return true;
        model().Warn(kPeriodTooLong);
        return false;
      });
}

void SystemPageModel::ShowToneLimits() {
  for (int t = 0; t < 2; ++t)
    model().SetText(names::ToneLimit(t), std::to_string(image().GetWord(kTone1Limit + 4 * t)));
}

void SystemPageModel::LoadSystemNumbers() {
  ShowDecoderReset();
  model().SetText(names::kEdtRFDelay, std::to_string(image()[kRfDelay]));
  model().SetText(names::kEdtRSSI, FormatNumber("%01.2f", CodeToVolts(image()[kNrssiThreshold])));
}

void SystemPageModel::ShowTimingNumbers() {
  model().SetText(names::BatterySavePeriod(0), std::to_string(image()[kBatterySave1]));
  model().SetText(names::BatterySavePeriod(1), std::to_string(image()[kBatterySave2]));
  model().SetText(names::kEdtNoiseLimit, std::to_string(image()[kNoiseLimit]));
  model().SetText(names::kEdtPriorityScanF1, std::to_string(image()[kPriorityScanF1]));
}

void SystemPageModel::SelectOpenedTimingUnit() { SelectTimingUnitLabels(image().FirmwareVersionNumber()); }

}  // namespace zt310::editor
