// SPDX-License-Identifier: GPL-3.0-or-later
// The Frequency group of each channel page: the receive frequency, the
// channel spacing with its automatic mode, the synthesiser words PLLR and
// PLLN with the multiplier MUTL, and the rule that keeps both channels on the
// same side of 200 MHz.
#include "codeplug/Decode.h"
#include "editor/ChannelPages.h"

namespace zt310::editor {

using namespace zt310::layout;

using names::FrequencyField;
using names::SpacingList;

void ChannelPages::RegisterFrequencyGroup(int channel) {
  EditorModel& m = *model_;
  const std::string group = names::FrequencyGroup(channel);
  Control groupBox;
  groupBox.name = group;
  groupBox.kind = ControlKind::Group;
  groupBox.parent = names::ChannelPage(channel);
  groupBox.text = "Frequency";
  m.Add(groupBox);

  Control field;
  field.name = FrequencyField(channel);
  field.parent = group;
  field.filter = [this](const std::string& text, char key) -> KeyVerdict {
    if (key == '\b') return {true, false, {}};
    if (key == '\r') return {false, true, {}};
    // The field holds at most seven characters.
    if (key >= '0' && key <= '9') return {text.size() < static_cast<std::size_t>(kFrequencyFieldDigits), false, {}};
    model_->Show(Message{std::string(kFrequencyKeyMessageTitle), std::string(kFrequencyKeyMessage), Icon::Error});
    return {};
  };
  m.Add(field);
  m.SetHandlers(field.name, {{}, [this, channel] { return CommitFrequency(channel); }, {}});

  Control list;
  list.name = SpacingList(channel);
  list.kind = ControlKind::List;
  list.parent = group;
  list.hint = std::string(kSpacingChoiceHint);
  for (const auto item : kSpacingChoiceItems) list.items.emplace_back(item);
  m.Add(list);
  m.SetHandlers(list.name, {{}, {}, [this, channel] { ClickSpacing(channel); }});

  for (const std::string& word :
       {names::ReferenceWordLabel(channel), names::DividerWordLabel(channel), names::MultiplierLabel(channel)}) {
    Control label;
    label.name = word;
    label.kind = ControlKind::Label;
    label.parent = group;
    m.Add(label);
  }
}

void ChannelPages::ResetSpacingInEffect() { spacingHz_.fill(kDefaultSpacingHz); }

void ChannelPages::ClickSpacing(int channel) {
  const int index = model_->At(SpacingList(channel)).selected;
  const auto choice = index < 0 ? SpacingChoice::Auto : static_cast<SpacingChoice>(index);
  if (const auto hz = SpacingHzOfChoice(choice)) {
    spacingHz_[channel] = *hz;
    model_->image()[RfSpacingCode(channel)] = *SpacingCodeOfChoice(choice);
  }
  CommitFrequency(channel);
}

bool ChannelPages::CommitFrequency(int channel) {
  EditorModel& m = *model_;
  const std::string name = FrequencyField(channel);
  const std::string text = Trimmed(m.At(name).text);
  if (text.empty()) {
    ReloadFrequencies();
    return true;
  }
  const int index = m.At(SpacingList(channel)).selected;
  const auto choice = index < 0 ? SpacingChoice::Auto : static_cast<SpacingChoice>(index);
  const FrequencyCommitDecision decision = DecideFrequencyCommit(text, choice, spacingHz_[channel]);
  spacingHz_[channel] = decision.spacingHz;
  if (const auto message = MessageForFrequencyCommit(decision, channel)) {
    // A load presses no key: damaged stored digits stay as they are, with
    // their synthesiser words, and nobody is told to type a number.
    if (m.Loading() && decision.result == FrequencyCommitResult::NotANumber) return true;
    m.Show(Message{std::string(message->title), message->text});
    m.SetFocus(name);
    return false;
  }
  if (decision.spacingCode) m.image()[RfSpacingCode(channel)] = *decision.spacingCode;
  m.SetText(name, FormatFrequencyField(decision.fieldValue));
  const auto digits = FrequencyFieldDigits(decision.fieldValue);
  for (int d = 0; d < kFrequencyFieldDigits; ++d) m.image()[RfFrequency(channel) + d] = digits[d];
  ComputeSynthesiser(channel);
  ShowSynthWords();
  return true;
}

void ChannelPages::ComputeSynthesiser(int channel) {
  EditorModel& m = *model_;
  const std::string text = m.At(FrequencyField(channel)).text;
  const auto fieldValue = ParseFrequencyField(text);
  // A stored frequency that is no frequency, or lies below 21.4 MHz, has no
  // synthesiser words: the stored ones stay until a valid frequency is committed.
  if (!fieldValue || IsFrequencyBelowSynthRange(FrequencyFieldToHz(*fieldValue))) return;
  const SynthesiserWords words = ComputeSynthesiserWords(FrequencyFieldToHz(*fieldValue), spacingHz_[channel]);
  for (int other = 0; other < kChannels; ++other) m.SetText(names::MultiplierLabel(other), std::to_string(words.mutl));
  m.SetText(names::ReferenceWordLabel(channel), FormatSynthWord(words.pllr));
  m.image().SetLong(RfReferenceWord(channel), words.pllr);
  m.SetText(names::DividerWordLabel(channel), FormatSynthWord(words.plln));
  m.image().SetLong(RfDividerWord(channel), words.plln);

  const int other = 1 - channel;
  const auto otherValue = ParseFrequencyField(m.At(FrequencyField(other)).text);
  if (otherValue && BandRuleMovesOtherChannel(words.mutl, *otherValue)) {
    m.SetText(FrequencyField(other), text);
    CommitFrequency(other);
  }
}

void ChannelPages::ShowSynthWords() {
  for (int channel = 0; channel < kChannels; ++channel) {
    model_->SetText(names::ReferenceWordLabel(channel),
                    FormatSynthWord(model_->image().GetLong(RfReferenceWord(channel))));
    model_->SetText(names::DividerWordLabel(channel), FormatSynthWord(model_->image().GetLong(RfDividerWord(channel))));
  }
}

void ChannelPages::ReloadFrequencies() {
  for (int channel = 0; channel < kChannels; ++channel) {
    std::array<std::uint8_t, kFrequencyFieldDigits> digits{};
    for (int d = 0; d < kFrequencyFieldDigits; ++d) digits[d] = model_->image()[RfFrequency(channel) + d];
    const auto value = FrequencyFieldFromDigits(digits);
    // Damaged digits are shown as they add up; such a text is refused when committed.
    model_->SetText(FrequencyField(channel),
                    value ? FormatFrequencyField(*value) : FrequencyText(model_->image(), channel));
  }
  for (int channel = 0; channel < kChannels; ++channel) ComputeSynthesiser(channel);
}

}  // namespace zt310::editor
