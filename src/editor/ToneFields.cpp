// SPDX-License-Identifier: GPL-3.0-or-later
// Tone fields of the channel pages: the commit under the three tone systems,
// the refresh that shows the stored tones, the tone table target with its
// dialogs, the tone system switch, the decoder bandwidth and the tone
// duration fields the switch commits.
#include <charconv>

#include "editor/ChannelPages.h"
#include "editor/FieldRange.h"

namespace zt310::editor {

using namespace zt310::layout;

namespace {

// A tone duration is a word of the image.
constexpr unsigned kLongestToneDuration = 0xFFFF;
constexpr int kGroupCallDurationStandard = 50;
constexpr int kGroupCallDurationPlectron = 25;

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

int ToneFreqOffset(int channel, int slot) {
  if (IsGroupToneSlot(slot)) return GroupToneFreq(channel, slot - 16);
  return slot < 8 ? CallTone1Freq(channel, slot) : CallTone2Freq(channel, slot - 8);
}
int ToneWordOffset(int channel, int slot) {
  if (IsGroupToneSlot(slot)) return GroupToneWord(channel, slot - 16);
  return slot < 8 ? CallTone1Word(channel, slot) : CallTone2Word(channel, slot - 8);
}

ToneTableDialog DialogOf(ToneSystem system) {
  switch (system) {
    case ToneSystem::Standard:
      return ToneTableDialog::Standard;
    case ToneSystem::Plectron:
      return ToneTableDialog::Plectron;
    case ToneSystem::User:
      break;
  }
  return ToneTableDialog::None;
}

int& TargetIndex(ToneTableTarget& target, ToneKind kind) {
  return kind == ToneKind::Tone1 ? target.tone1 : kind == ToneKind::Tone2 ? target.tone2 : target.group;
}
int TargetIndexOf(ToneTableTarget target, ToneKind kind) { return TargetIndex(target, kind); }

// 0..65535 as typed; nothing for other text.
std::optional<std::uint16_t> ParseDuration(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  const auto last = text.find_last_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  unsigned value = 0;
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  const auto [ptr, error] = std::from_chars(begin, end, value);
  if (error != std::errc{} || ptr != end || *begin == '-' || *begin == '+' || value > kLongestToneDuration)
    return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

std::string ToneFieldName(const ToneField& field) {
  if (field.kind == ToneKind::Group) return names::GroupTone(field.channel, field.row);
  return names::CallTone(field.channel, field.row, field.kind == ToneKind::Tone1 ? 1 : 2);
}

std::optional<ToneField> ToneFieldOfName(const std::string& name) {
  for (int channel = 0; channel < kChannels; ++channel) {
    for (ToneKind kind : {ToneKind::Tone1, ToneKind::Tone2, ToneKind::Group}) {
      const int rows = kind == ToneKind::Group ? kGroupCallsPerChannel : kIndividualCallsPerChannel;
      for (int row = 0; row < rows; ++row) {
        const ToneField field{channel, kind, row};
        if (ToneFieldName(field) == name) return field;
      }
    }
  }
  return std::nullopt;
}

// --- commit and refresh ---

void ChannelPages::SetTarget(const ToneField& field) {
  target_.Clear();
  TargetIndex(target_, field.kind) = field.row;
}

bool ChannelPages::CommitToneField(const ToneField& field) {
  EditorModel& m = *model_;
  const std::string name = ToneFieldName(field);
  const bool group = field.kind == ToneKind::Group;
  const ToneSystem system = CurrentToneSystem();
  SetTarget(field);
  const std::string text = m.At(name).text;
  if (IsBlank(text)) {
    RefreshChannelTones(field.channel, group);
    return true;
  }
  const auto typed = ParseToneText(text);
  if (!typed) {
    // Only pasted text can get here; it is no tone under any system.
    m.Warn(std::string(ToneRangeMessage(system)));
    m.SetFocus(name);
    return false;
  }
  m.SetText(name, typed->shown);

  std::optional<std::uint32_t> partner;
  if (!group) {
    const ToneKind partnerKind = field.kind == ToneKind::Tone1 ? ToneKind::Tone2 : ToneKind::Tone1;
    if (const auto shown = ParseToneText(m.At(ToneFieldName({field.channel, partnerKind, field.row})).text)) {
      partner = shown->tenths;
    }
  }
  ChannelTones channel;
  channel.tones = toneList_[field.channel];
  channel.callEnableBits = m.image()[CallEnableBits(field.channel)];
  channel.groupEnableBits = m.image()[GroupEnableBits(field.channel)];
  const int slot = ToneSlotOf(field.kind, field.row);
  const ToneCommitDecision decision = DecideToneCommit(system, channel, slot, typed->tenths, partner, bandwidthTenths_);

  if (const auto message = MessageForToneCommit(decision, system, field.channel, field.kind, bandwidthTenths_)) {
    m.Show(Message{std::string(message->title), message->text});
  }
  switch (decision.result) {
    case ToneCommitResult::OutOfRange:
      m.SetFocus(name);
      return false;
    case ToneCommitResult::SpacingConflict:
      pendingConflict_ = decision.conflictCall;
      [[fallthrough]];
    case ToneCommitResult::EqualTones:
      target_.Clear();
      RefreshChannelTones(field.channel, group);
      return true;
    case ToneCommitResult::Store:
      break;
  }
  m.SetText(name, FormatTone(static_cast<std::uint32_t>(decision.tone)));
  m.image().SetWord(ToneFreqOffset(field.channel, slot), decision.tone);
  m.image().SetWord(ToneWordOffset(field.channel, slot), decision.decoderWord);
  RefreshChannelTones(field.channel, group);
  const bool f1Tone1 = field.channel == 0 && field.kind == ToneKind::Tone1;
  if (f1Tone1) pendingConflict_.reset();
  // F1 tone 1 and all tone 2 fields stay the target for F9; the others do not.
  if (!f1Tone1 && field.kind != ToneKind::Tone2) target_.Clear();
  return true;
}

void ChannelPages::RefreshChannelTones(int channel, bool group) {
  const int first = group ? 16 : 0;
  const int last = group ? kToneSlotsPerChannel : 16;
  for (int slot = first; slot < last; ++slot) {
    const ToneValue tone = model_->image().GetWord(ToneFreqOffset(channel, slot));
    const int wordOffset = ToneWordOffset(channel, slot);
    const ToneKind kind = group ? ToneKind::Group : slot < 8 ? ToneKind::Tone1 : ToneKind::Tone2;
    model_->SetText(ToneFieldName({channel, kind, CallIndexOfSlot(slot)}),
                    FormatTone(static_cast<std::uint32_t>(tone)));
    toneList_[channel][slot] = tone;
    if (const auto mended = MendedLegacyDecoderWord(tone, model_->image().GetWord(wordOffset))) {
      model_->image().SetWord(wordOffset, *mended);
    }
  }
}

void ChannelPages::CommitAllToneFields() {
  for (int row = 0; row < kIndividualCallsPerChannel; ++row) {
    for (int channel = 0; channel < kChannels; ++channel) {
      CommitToneField({channel, ToneKind::Tone1, row});
      CommitToneField({channel, ToneKind::Tone2, row});
    }
  }
  for (int row = 0; row < kGroupCallsPerChannel; ++row) {
    for (int channel = 0; channel < kChannels; ++channel) CommitToneField({channel, ToneKind::Group, row});
  }
}

// --- entering, tone tables and the mouse-over commit ---

void ChannelPages::EnterToneField(const ToneField& field) {
  model_->SetVisible(names::ToneTableLabel(field.channel), CurrentToneSystem() != ToneSystem::User);
  SetTarget(field);
}

ToneTableDialog ChannelPages::DoubleClickToneField(const std::string& name) {
  const auto field = ToneFieldOfName(name);
  const ToneTableDialog dialog = DialogOf(CurrentToneSystem());
  if (!field || dialog == ToneTableDialog::None) return ToneTableDialog::None;
  SetTarget(*field);
  return dialog;
}

ToneTableDialog ChannelPages::PressF9() const {
  if (!target_.IsSet()) return ToneTableDialog::None;
  return DialogOf(CurrentToneSystem());
}

void ChannelPages::PickToneFromTable(const std::string& toneText) {
  const ToneTableTarget picked = target_;
  const int channel = activePage_ - 1;
  for (ToneKind kind : {ToneKind::Tone1, ToneKind::Tone2, ToneKind::Group}) {
    const int row = TargetIndexOf(picked, kind);
    if (row < 0) continue;
    if (channel == 0 || channel == 1) {
      const ToneField field{channel, kind, row};
      model_->SetText(ToneFieldName(field), toneText);
      CommitToneField(field);
    }
    TargetIndex(target_, kind) = -1;
  }
}

void ChannelPages::LeaveToneTable() {
  const ToneTableTarget left = target_;
  const int channel = activePage_ - 1;
  for (ToneKind kind : {ToneKind::Tone1, ToneKind::Tone2, ToneKind::Group}) {
    const int row = TargetIndexOf(left, kind);
    if (row < 0) continue;
    if (channel == 0 || channel == 1) CommitToneField({channel, kind, row});
    TargetIndex(target_, kind) = -1;
  }
}

void ChannelPages::MouseOverCallToneGroup(int channel) {
  if (pendingConflict_) return;
  target_.Clear();
  model_->SetVisible(names::ToneTableLabel(channel), false);
  model_->MoveFocusToSink();
  target_.Clear();
}

void ChannelPages::MouseOverFrequencyGroup(int /*channel*/) { model_->MoveFocusToSink(); }

// --- tone system, bandwidth and durations ---

void ChannelPages::SelectToneSystem(ToneSystem system) {
  EditorModel& m = *model_;
  m.image()[kToneSystem] = ToneSystemByte(system);
  ShowToneSystem(system);
  const bool plectron = system == ToneSystem::Plectron;
  m.SetText(names::ToneDuration(1), std::to_string(m.image()[plectron ? kToneDur2Plectron : kToneDur2Standard]));
  m.SetText(names::ToneDuration(2), std::to_string(plectron ? kGroupCallDurationPlectron : kGroupCallDurationStandard));
  CommitToneDuration(1);
  CommitToneDuration(2);
  CommitAllToneFields();
}

void ChannelPages::ClickBandWidth() {
  const int index = model_->At(names::kCboBandWidth).selected;
  if (index < 0) return;
  model_->image()[kDecoderBandwidth] = static_cast<std::uint8_t>(index);
  bandwidthTenths_ = DecoderBandwidthTenthsForIndex(static_cast<std::uint8_t>(index), bandwidthTenths_);
  CommitAllToneFields();
}

bool ChannelPages::CommitToneDuration(int tag) {
  EditorModel& m = *model_;
  const std::string name = names::ToneDuration(tag);
  const std::string text = m.At(name).text;
  if (IsBlank(text)) {
    ShowToneDurations();
    return true;
  }
  const auto value = ParseDuration(text);
  if (!value) {
    m.Warn(RangeMessage(0, kLongestToneDuration));
    m.SetFocus(name);
    return false;
  }
  if (tag == 1) {
    const bool plectron = CurrentToneSystem() == ToneSystem::Plectron;
    m.image()[plectron ? kToneDur2Plectron : kToneDur2Standard] = static_cast<std::uint8_t>(*value & 0xFF);
  }
  m.image().SetWord(kTone1Duration + 4 * tag, *value);
  return true;
}

void ChannelPages::ShowToneDurations() {
  for (int tag = 0; tag < 3; ++tag) {
    model_->SetText(names::ToneDuration(tag), std::to_string(model_->image().GetWord(kTone1Duration + 4 * tag)));
  }
}

}  // namespace zt310::editor
