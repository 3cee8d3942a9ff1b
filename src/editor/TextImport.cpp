// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/TextImport.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "codeplug/Fields.h"
#include "codeplug/Layout.h"
#include "codeplug/TextPlug.h"
#include "editor/EditorModel.h"
#include "editor/TextEntry.h"

namespace zt310::editor {

using namespace layout;

namespace {

// How a key's value reaches the controls.
enum class Kind {
  Control,     // one edit (typed), list (item picked) or check box (clicked)
  ToneSystem,  // the radio button whose caption is the value
  AlertTime,   // "STD", or "FIXED" picked and the seconds typed
  SwitchMode,  // the mode list in front (two-channel or one-channel)
};

// A control another one needs in a given state to be usable ("CALL #3"
// ticked for its tones). Import puts it in that state for the moment it
// needs it and back afterwards, as a user would.
struct Gate {
  std::string control;
  std::string value;
};

struct Entry {
  std::string key;
  Kind kind = Kind::Control;
  std::string control;   // the alert time's edit, or the two-channel mode list
  std::string control2;  // the alert time's list, or the one-channel mode list
  std::vector<Gate> gates;
  int rank = 1;                   // import order: rank 0 first (controls whose click changes many others)
  bool wholeNumberTyped = false;  // shown with ".0" but its field takes digits only
};

constexpr const char* kTrue = "true";
constexpr const char* kFalse = "false";
constexpr const char* kSwitchKeys[kSwitchCount] = {"sw_a", "sw_b", "sw_c", "sw_d"};

std::string Index(const std::string& name, int i) { return name + "[" + std::to_string(i) + "]"; }

void AddRow(std::vector<Entry>& table, const std::string& prefix, int ch, bool group, int row) {
  const names::CallRowNames n = names::CallRowNamesOf(ch, group, row);
  std::vector<Gate> rowGates;
  if (ch == 1) rowGates.push_back({names::kChkOneChannel, kFalse});
  std::vector<Gate> fieldGates = rowGates;
  fieldGates.push_back({n.enable, kTrue});
  table.push_back({prefix + ".enabled", Kind::Control, n.enable, "", rowGates});
  if (group) {
    table.push_back({prefix + ".tone", Kind::Control, n.tone1, "", fieldGates});
  } else {
    table.push_back({prefix + ".tone1", Kind::Control, n.tone1, "", fieldGates});
    table.push_back({prefix + ".tone2", Kind::Control, n.tone2, "", fieldGates});
  }
  table.push_back({prefix + ".tone_type", Kind::Control, n.toneType, "", fieldGates});
  std::vector<Gate> patternGates = fieldGates;
  patternGates.push_back({n.toneType, fields::kToneTypeTexts[fields::kUserDefineToneType]});
  table.push_back({prefix + ".alert_pattern", Kind::Control, n.pattern, "", patternGates});
  std::vector<Gate> alertGates = fieldGates;
  alertGates.push_back({names::kChkEnableAlertTime, kTrue});
  table.push_back({prefix + ".alert_time", Kind::AlertTime, n.alertTimeEdit, n.alertTimeList, alertGates});
  table.push_back({prefix + ".priority", Kind::Control, n.priority, "", fieldGates});
  for (int s = 0; s < kSwitchCount; ++s) {
    std::vector<Gate> dutyGates = fieldGates;
    dutyGates.push_back({names::DutyBox(ch, s), kTrue});
    table.push_back(
        {prefix + ".duty." + kSwitchKeys[s], Kind::Control, n.switches[static_cast<std::size_t>(s)], "", dutyGates});
  }
}

void AddChannel(std::vector<Entry>& table, int ch) {
  const std::string prefix = "channels." + names::ChannelTag(ch);
  std::vector<Gate> page;
  if (ch == 1) page.push_back({names::kChkOneChannel, kFalse});
  table.push_back({prefix + ".frequency", Kind::Control, names::FrequencyField(ch), "", page});
  table.push_back({prefix + ".spacing", Kind::Control, names::SpacingList(ch), "", page});
  for (int s = 0; s < kSwitchCount; ++s) {
    table.push_back(
        {prefix + ".switch_duty_enabled." + kSwitchKeys[s], Kind::Control, names::DutyBox(ch, s), "", page});
  }
  for (int i = 0; i < kCallCount; ++i) AddRow(table, Index(prefix + ".calls", i), ch, false, i);
  for (int j = 0; j < kGroupCallCount; ++j) AddRow(table, Index(prefix + ".group_calls", j), ch, true, j);
}

Entry Plain(std::string key, std::string control, int rank = 1) {
  Entry entry{std::move(key), Kind::Control, std::move(control), "", {}};
  entry.rank = rank;
  return entry;
}

// The keys in "zt310 dump" order; the fields the window only shows (the
// firmware, the synthesiser words, the checksum) have none.
std::vector<Entry> BuildTable() {
  std::vector<Entry> table;
  Entry toneSystem{"tone_system", Kind::ToneSystem, "", "", {}};
  toneSystem.rank = 0;
  table.push_back(toneSystem);
  AddChannel(table, 0);
  AddChannel(table, 1);
  for (const auto& option : fields::kModelOptionBits) {
    table.push_back(Plain(std::string("setting.model_options.") + option.key, option.control));
  }
  table.push_back(Plain("setting.record_section", names::kCboRecordMax));
  table.push_back(
      Plain(std::string("setting.") + fields::kSquelchControlRecord.key, fields::kSquelchControlRecord.control));
  table.push_back(Plain("setting.reset_control", names::kCboResetCon));
  Entry delay = Plain("setting.reset_delay_s", names::kEdtDelay);
  delay.gates = {{names::kCboResetCon, fields::kResetMethods[1].text}};
  table.push_back(delay);
  table.push_back(Plain("setting.carrier_off_delay_x150ms", names::kEdtSquelch));
  table.push_back(Plain("setting.reminder_s", names::kCboReminder));
  table.push_back(Plain("setting.squelch_level", names::kCblSquelchlevel));
  table.push_back(Plain("setting.audio_gain", names::kCboAudioGain));
  // Its click sets the band's NRSSI, audio gain and squelch table: first,
  // so that the keys of those fields have the last word.
  table.push_back(Plain("setting.narrow_band", names::kChkNB, 0));
  table.push_back(Plain("setting.one_channel", names::kChkOneChannel));
  for (const auto& option : fields::kFunctionOptionBits) {
    Entry entry = Plain(std::string("setting.") + option.key, option.control);
    if (std::string(option.control) == fields::kFunctionVibrationAlert.control) {
      entry.gates = {{fields::kFunctionAnnouncement.control, kTrue}};
    }
    table.push_back(entry);
  }
  for (int s = 0; s < kSwitchCount; ++s) {
    const std::string prefix = Index("setting.function_switches", s);
    table.push_back({prefix + ".mode", Kind::SwitchMode, names::SwitchModeList(s), names::OneChannelModeList(s), {}});
    table.push_back(
        {prefix + ".alert_type", Kind::Control, names::AlertTypeList(s), "", {{names::PushToListenBox(s), kFalse}}});
    table.push_back(Plain(prefix + ".push_to_listen", names::PushToListenBox(s)));
  }
  for (int k = 0; k < kTonalityCount; ++k)
    table.push_back(Plain(Index("setting.tonalities_khz", k), names::Tonality(k)));
  Entry decoderReset = Plain("system.decoder_reset_s", names::kEdtDecorderReset);
  decoderReset.wholeNumberTyped = true;
  table.push_back(decoderReset);
  table.push_back(Plain("system.rf_delay_ms", names::kEdtRFDelay));
  table.push_back(Plain("system.nrssi_v", names::kEdtRSSI));
  table.push_back(Plain("system.speaker_on_v", names::kEdtSSI));
  table.push_back(Plain("system.speaker_off_v", names::kEdtRSSI2));
  table.push_back(Plain("system.priority_scan_f1", names::kEdtPriorityScanF1));
  table.push_back(Plain("system.battery_save1_x10ms", names::BatterySavePeriod(0)));
  table.push_back(Plain("system.battery_save2_x10ms", names::BatterySavePeriod(1)));
  table.push_back(Plain("system.tone1_limit", names::ToneLimit(0)));
  table.push_back(Plain("system.tone1_duration", names::ToneDuration(0)));
  table.push_back(Plain("system.tone2_limit", names::ToneLimit(1)));
  table.push_back(Plain("system.tone2_duration", names::ToneDuration(1)));
  table.push_back(Plain("system.noise_limit", names::kEdtNoiseLimit));
  // The decoder bandwidth re-judges every tone, and fixed alert times are
  // typed only while they are allowed: both before the channels.
  table.push_back(Plain("advance.decoder_bandwidth_percent", names::kCboBandWidth, 0));
  table.push_back(Plain("advance.gap_max", names::kEdtGapMax));
  table.push_back(Plain("advance.group_call_duration", names::ToneDuration(2)));
  table.push_back(Plain("advance.nrssi_response_time_x10ms", names::kEdtNRSSIRpTM));
  table.push_back(Plain("advance.battery_low_v", names::kCboBatLow));
  table.push_back(Plain("advance.battery_medium_v", names::kCboBatMed));
  table.push_back(Plain("advance.battery_high_v", names::kCboBatHigh));
  for (int level = 0; level < kSquelchLevels; ++level) {
    const std::string prefix = Index("advance.squelch_levels", level);
    table.push_back(Plain(prefix + ".speaker_off_v", names::SquelchVoltage(2 * level)));
    table.push_back(Plain(prefix + ".speaker_on_v", names::SquelchVoltage(2 * level + 1)));
  }
  table.push_back(Plain("advance.fixed_alert_time_enabled", names::kChkEnableAlertTime, 0));
  return table;
}

const std::vector<Entry>& Table() {
  static const std::vector<Entry> table = BuildTable();
  return table;
}

// The table's indexes in import order: rank 0 first, each rank in table order.
const std::vector<std::size_t>& ImportOrder() {
  static const std::vector<std::size_t> order = [] {
    std::vector<std::size_t> indexes(Table().size());
    for (std::size_t i = 0; i < indexes.size(); ++i) indexes[i] = i;
    std::stable_sort(indexes.begin(), indexes.end(),
                     [](std::size_t a, std::size_t b) { return Table()[a].rank < Table()[b].rank; });
    return indexes;
  }();
  return order;
}

// --- what a control shows, and putting a value into it ---

std::string ShownOf(const EditorModel& model, const std::string& name) {
  const Control& control = model.At(name);
  if (control.kind == ControlKind::Check || control.kind == ControlKind::Radio) return control.checked ? kTrue : kFalse;
  return control.text;
}

std::string FrontModeList(const EditorModel& model, const Entry& entry) {
  return model.IsInFront(entry.control) ? entry.control : entry.control2;
}

std::string ShownValue(const EditorModel& model, const Entry& entry) {
  switch (entry.kind) {
    case Kind::ToneSystem:
      for (int k = 0; k < names::kToneSystemButtons; ++k) {
        if (model.At(names::ToneSystemButton(k)).checked) return ToneSystemName(kToneSystems[k]);
      }
      return "";
    case Kind::AlertTime:
      return model.At(entry.control2).selected == 1 ? model.At(entry.control).text : model.At(entry.control2).text;
    case Kind::SwitchMode:
      return model.At(FrontModeList(model, entry)).text;
    case Kind::Control:
      break;
  }
  return ShownOf(model, entry.control);
}

std::string ItemsOf(const Control& control) {
  std::string items;
  for (const auto& item : control.items) items += (items.empty() ? "\"" : ", \"") + item + "\"";
  return items;
}

class Applier {
 public:
  explicit Applier(const CodePlugImage& base) : model_(CreateEditorModel()) {
    model_->SetMessageSink([this](const Message& message) {
      messages_.push_back(message.text);
      return message.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    });
    model_->OpenImage(base);
    messages_.clear();
  }

  EditorModel& model() { return *model_; }

  // Empty when VALUE is now in the entry's controls; otherwise why not. A
  // refused value leaves the controls showing what is stored, and the
  // controls opened for it are put back either way.
  std::string Apply(const Entry& entry, const std::string& value) {
    messages_.clear();
    if (ShownValue(*model_, entry) == value) return {};
    std::vector<Gate> restore;
    std::string why = OpenGates(entry.gates, restore);
    if (why.empty()) why = Put(entry, value);
    if (why.empty()) why = MessagesText();
    if (!why.empty()) Reshow(entry);
    for (auto it = restore.rbegin(); it != restore.rend(); ++it) {
      const std::string back = SetControl(it->control, it->value);
      if (why.empty()) why = back;
    }
    if (why.empty()) why = MessagesText();
    return why;
  }

  std::string SetControl(const std::string& name, const std::string& value) {
    if (ShownOf(*model_, name) == value) return {};
    if (const std::string why = model_->WhyNotActionable(name); !why.empty()) return name + " is " + why;
    const Control& control = model_->At(name);
    switch (control.kind) {
      case ControlKind::Edit:
        return Type(name, value);
      case ControlKind::List:
        if (!model_->PickText(name, value))
          return "\"" + value + "\" is not an item; the items are " + ItemsOf(control);
        return {};
      case ControlKind::Check:
        if (value != kTrue && value != kFalse) return "a check box is true or false";
        model_->Click(name);
        return {};
      default:
        return name + " cannot be changed";
    }
  }

 private:
  std::string OpenGates(const std::vector<Gate>& gates, std::vector<Gate>& restore) {
    for (const Gate& gate : gates) {
      const std::string before = ShownOf(*model_, gate.control);
      if (before == gate.value) continue;
      if (std::string why = SetControl(gate.control, gate.value); !why.empty()) return why;
      restore.push_back({gate.control, before});
    }
    return {};
  }

  std::string MessagesText() const {
    std::string text;
    for (const auto& message : messages_) text += (text.empty() ? "" : " / ") + message;
    return text;
  }

  // A refused commit keeps the typed text in its field, which has the
  // focus; leaving it empty shows the stored value again.
  void Reshow(const Entry& entry) {
    for (const std::string& name : {entry.control, entry.control2}) {
      if (name.empty() || model_->Focus() != name) continue;
      model_->Enter(name);
      model_->SetFocus(kFocusSink);
      model_->Leave(name);
    }
  }

  std::string Type(const std::string& name, const std::string& value) {
    const TypingResult typed = TypeInto(*model_, name, value, DroppedKey::Refuse);
    if (!typed.droppedKeys.empty()) {
      return "the field takes no '" + value.substr(typed.droppedKeys.front(), 1) + "' in \"" + value + "\"";
    }
    if (!typed.committed && messages_.empty()) return "\"" + value + "\" is refused";
    return {};
  }

  std::string Put(const Entry& entry, const std::string& value) {
    switch (entry.kind) {
      case Kind::ToneSystem: {
        const auto* found = std::find_if(std::begin(kToneSystems), std::end(kToneSystems),
                                         [&value](ToneSystem system) { return value == ToneSystemName(system); });
        if (found == std::end(kToneSystems)) return "the tone system is Standard, User or Plectron";
        const std::string button = names::ToneSystemButton(static_cast<int>(found - std::begin(kToneSystems)));
        if (const std::string why = model_->WhyNotActionable(button); !why.empty()) return button + " is " + why;
        model_->Click(button);
        return {};
      }
      case Kind::AlertTime: {
        const Control& list = model_->At(entry.control2);
        const bool standard = value == list.items.front();
        if (std::string why = SetControl(entry.control2, list.items[standard ? 0 : 1]); !why.empty() || standard) {
          return why;
        }
        return SetControl(entry.control, value);
      }
      case Kind::SwitchMode:
        return SetControl(FrontModeList(*model_, entry), value);
      case Kind::Control:
        break;
    }
    if (entry.wholeNumberTyped && value.size() > 2 && value.compare(value.size() - 2, 2, ".0") == 0) {
      return SetControl(entry.control, value.substr(0, value.size() - 2));
    }
    return SetControl(entry.control, value);
  }

  std::unique_ptr<EditorModel> model_;
  std::vector<std::string> messages_;
};

// The header bytes follow from the rest: stamped once the rest is in place.
bool IsStampedByte(int offset) {
  return offset == kImageChecksum || offset == kImageChecksum + 1 || offset == kHeaderMajor ||
         offset == kHeaderMinorPatch;
}

void Stamp(CodePlugImage& image) {
  StoreImageChecksum(image);
  StampHeader(image);
}

struct Field {
  std::size_t entry;
  std::string value;
  text::Position at;
};

// Applies FIELDS in import order; the index into FIELDS of the first refused
// one, with why, when one is refused.
struct Refusal {
  std::size_t field;
  std::string why;
};
std::optional<Refusal> ApplyAll(Applier& applier, const std::vector<Field>& fields) {
  std::map<std::size_t, std::size_t> byEntry;
  for (std::size_t i = 0; i < fields.size(); ++i) byEntry[fields[i].entry] = i;
  std::vector<std::size_t> pending;
  for (const std::size_t entry : ImportOrder()) {
    if (const auto it = byEntry.find(entry); it != byEntry.end()) pending.push_back(it->second);
  }
  // A value refused because of a field still to come (a tone too close to
  // one that changes later) is tried again after the others, as a user
  // would come back to it; the import stops once a round takes none.
  while (!pending.empty()) {
    std::vector<std::size_t> deferred;
    std::optional<Refusal> first;
    for (const std::size_t index : pending) {
      const Entry& entry = Table()[fields[index].entry];
      std::string why = applier.Apply(entry, fields[index].value);
      if (why.empty()) continue;
      // Taken, but with a message: no later round would show it again.
      if (ShownValue(applier.model(), entry) == fields[index].value) return Refusal{index, why};
      if (!first) first = Refusal{index, why};
      deferred.push_back(index);
    }
    if (deferred.size() == pending.size()) return first;
    pending = std::move(deferred);
  }
  return std::nullopt;
}

}  // namespace

CodePlugImage TextBaseImage() {
  CodePlugImage image = FactoryDefaultImage();
  StampCaption(image);
  Stamp(image);
  return image;
}

std::vector<std::string> TextKeys() {
  std::vector<std::string> keys;
  for (const Entry& entry : Table()) keys.push_back(entry.key);
  return keys;
}

std::string ExportText(const CodePlugImage& image) {
  std::vector<Field> fields;
  {
    Applier shown(image);
    for (std::size_t i = 0; i < Table().size(); ++i) fields.push_back({i, ShownValue(shown.model(), Table()[i]), {}});
  }
  // A value the editor refuses (a stored value out of its range) is no key:
  // its bytes go to "bytes:" with the rest.
  std::map<std::size_t, std::string> refused;  // entry, why
  std::optional<CodePlugImage> applied;
  while (!applied) {
    std::vector<Field> kept;
    for (const Field& field : fields) {
      if (!refused.count(field.entry)) kept.push_back(field);
    }
    Applier applier(TextBaseImage());
    if (const auto refusal = ApplyAll(applier, kept)) {
      refused.emplace(kept[refusal->field].entry, refusal->why);
      continue;
    }
    applied = applier.model().image();
  }
  CodePlugImage rebuilt = *applied;
  std::vector<std::pair<int, std::uint8_t>> bytes;
  for (int offset = 0; offset < static_cast<int>(kImageSize); ++offset) {
    if (!IsStampedByte(offset) && rebuilt[offset] != image[offset]) {
      bytes.emplace_back(offset, image[offset]);
      rebuilt[offset] = image[offset];
    }
  }
  Stamp(rebuilt);
  for (int offset = 0; offset < static_cast<int>(kImageSize); ++offset) {
    if (IsStampedByte(offset) && rebuilt[offset] != image[offset]) bytes.emplace_back(offset, image[offset]);
  }
  std::sort(bytes.begin(), bytes.end());

  std::vector<text::OutputLine> lines;
  // What the window shows but no key sets; the bytes below hold it.
  lines.push_back({text::OutputLine::Kind::Comment, "firmware " + FirmwareText(image), ""});
  if (const auto serial = SerialNumberText(image)) {
    lines.push_back({text::OutputLine::Kind::Comment, "serial number " + OneLineText(*serial), ""});
  }
  for (const Field& field : fields) {
    const std::string& key = Table()[field.entry].key;
    if (const auto it = refused.find(field.entry); it != refused.end()) {
      lines.push_back({text::OutputLine::Kind::Comment,
                       key + ": " + text::ScalarText(field.value) +
                           " (refused by the editor: " + OneLineText(it->second) + "; kept in bytes)",
                       ""});
    } else {
      lines.push_back({text::OutputLine::Kind::Field, key, field.value});
    }
  }
  return text::WriteTextPlug(lines, bytes);
}

TextImportResult ImportText(std::string_view input, const CodePlugImage& base) {
  TextImportResult result;
  const auto parsed = text::ParseTextPlug(input);
  if (const auto* error = std::get_if<text::TextError>(&parsed)) {
    result.error = text::Describe(*error);
    return result;
  }
  const text::TextPlug& plug = std::get<text::TextPlug>(parsed);
  static const std::map<std::string, std::size_t> byKey = [] {
    std::map<std::string, std::size_t> keys;
    for (std::size_t i = 0; i < Table().size(); ++i) keys[Table()[i].key] = i;
    return keys;
  }();
  std::vector<Field> fields;
  for (const text::TextField& field : plug.fields) {
    const auto it = byKey.find(field.key);
    if (it == byKey.end()) {
      result.error = text::Describe({field.keyAt, field.key, "no such key; 'zt310 export' writes every key there is"});
      return result;
    }
    fields.push_back({it->second, field.value, field.at});
  }
  Applier applier(base);
  if (const auto refusal = ApplyAll(applier, fields)) {
    const Field& field = fields[refusal->field];
    result.error = text::Describe({field.at, Table()[field.entry].key, refusal->why});
    return result;
  }
  CodePlugImage image = applier.model().image();
  for (const text::TextByte& byte : plug.bytes) {
    if (!IsStampedByte(byte.offset)) image[byte.offset] = byte.value;
  }
  Stamp(image);
  for (const text::TextByte& byte : plug.bytes) {
    if (IsStampedByte(byte.offset)) image[byte.offset] = byte.value;
  }
  result.image = image;
  return result;
}

OpenResult OpenTextFile(const std::filesystem::path& path, CodePlugImage& image, std::string* refusal) {
  OpenResult result;
  const auto text = text::ReadTextPlugFile(path, &result.detail);
  if (!text) return result;
  const TextImportResult imported = ImportText(*text, TextBaseImage());
  if (!imported.image) {
    if (refusal) *refusal = imported.error;
    result.status = OpenStatus::NotCodePlug;
    return result;
  }
  return OpenTableBytes({imported.image->data(), imported.image->data() + kImageSize}, image);
}

namespace {
std::vector<std::uint8_t> TextBytesOf(CodePlugImage& image, SaveKind kind) {
  StampImageForSave(image, kind);
  const std::string written = ExportText(image);
  return {written.begin(), written.end()};
}
}  // namespace

SaveResult SaveTextFile(const std::filesystem::path& path, CodePlugImage& image, SaveKind kind) {
  return SaveFileContents(path, TextBytesOf(image, kind));
}

SaveResult SaveTextFile(const TableFileLock& lock, CodePlugImage& image, SaveKind kind) {
  return SaveFileContents(lock, TextBytesOf(image, kind));
}

}  // namespace zt310::editor
