// SPDX-License-Identifier: GPL-3.0-or-later
#include "codeplug/Decode.h"
#include "codeplug/HalfSeconds.h"
#include "codeplug/Hex.h"

#include "tones/RfChannel.h"
#include "tones/Tones.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace zt310 {

using namespace layout;

namespace {

using Node = DecodedNode;

Node Leaf(std::string key, Node::Value value) { return Node{std::move(key), std::move(value), {}, false, false}; }
Node Object(std::string key, std::vector<Node> children) {
  return Node{std::move(key), {}, std::move(children), false, true};
}
Node Array(std::string key, std::vector<Node> children) {
  return Node{std::move(key), {}, std::move(children), true, false};
}
Node Text(std::string key, std::string text) { return Leaf(std::move(key), std::move(text)); }
Node Number(std::string key, long value) { return Leaf(std::move(key), value); }
Node Flag(std::string key, bool value) { return Leaf(std::move(key), value); }
Node OptionFlag(const CodePlugImage& image, const fields::OptionBit& option) {
  return Flag(option.key, image.IsTicked(option));
}

template <typename List>
std::string ListItem(const List& items, int index) {
  if (index < 0 || index >= static_cast<int>(std::size(items))) return "(none)";
  return std::string(items[static_cast<std::size_t>(index)]);
}

// Codes 32 to 34 are the fixed spacings; anything above is "Auto".
std::string SpacingText(int code) {
  constexpr int kFirstCode = 32;
  constexpr int kAuto = static_cast<int>(kSpacingChoiceItems.size()) - 1;
  return ListItem(kSpacingChoiceItems, std::min(code - kFirstCode, kAuto));
}

std::string ToneSystemText(int byte) { return ToneSystemName(ToneSystemFromByte(static_cast<std::uint8_t>(byte))); }

std::string AlertTimeText(int byte) {
  if (byte == 0) return "STD";
  return HalfSecondsText(byte);
}

std::string SwitchModeText(int byte) {
  const auto index = fields::SwitchModeIndex(byte);
  return index ? fields::kSwitchModes[*index].text : "(none)";
}

// A switch stores its alert type's item + 1; 0 is none.
std::string AlertTypeText(int stored) { return ListItem(fields::kAlertTypeTexts, stored - 1); }

std::string ResetMethodText(const CodePlugImage& image) {
  const int index = ShownResetMethod(image);
  if (index >= static_cast<int>(std::size(fields::kResetMethods))) return "(none)";
  return fields::kResetMethods[index].text;
}

std::string Volts(int code) { return FormatNumber("%01.2f", CodeToVolts(code)); }
std::string Centivolts(int value) { return FormatNumber("%01.2f", value / 100.0); }

std::string BatteryText(std::uint8_t code) {
  const auto centivolts = BatteryCentivoltsForCode(code);
  return centivolts ? Centivolts(*centivolts) : "(code " + std::to_string(code) + ")";
}

std::vector<Node> CallOptions(const CodePlugImage& image, int optionOffset, int patternOffset) {
  return {
      Text("tone_type", ListItem(fields::kToneTypeTexts, image.Get(fields::ToneType(optionOffset)))),
      Text("alert_pattern", AlertPatternText(image, patternOffset)),
      Text("alert_time", AlertTimeText(image[optionOffset + 1])),
      Flag("priority", image.Get(fields::Priority(optionOffset))),
  };
}

std::vector<Node> Duties(const CodePlugImage& image, int channel, bool group, int row) {
  static const char* kNames[kSwitchCount] = {"sw_a", "sw_b", "sw_c", "sw_d"};
  std::vector<Node> duties;
  for (int s = 0; s < kSwitchCount; ++s) {
    duties.push_back(Flag(kNames[s], image.Get(fields::SwitchDuty(channel, group, row, s))));
  }
  return duties;
}

Node Channel(const CodePlugImage& image, int ch) {
  std::vector<Node> calls;
  for (int i = 0; i < kCallCount; ++i) {
    std::vector<Node> call = {Flag("enabled", image.Get(fields::CallEnabled(ch, false, i))),
                              Text("tone1", FormatTone(image.GetWord(CallTone1Freq(ch, i)))),
                              Text("tone2", FormatTone(image.GetWord(CallTone2Freq(ch, i))))};
    for (auto& node : CallOptions(image, CallOption(ch, i), CallPattern(ch, i))) call.push_back(std::move(node));
    call.push_back(Object("duty", Duties(image, ch, false, i)));
    calls.push_back(Object("", std::move(call)));
  }
  std::vector<Node> groups;
  for (int j = 0; j < kGroupCallCount; ++j) {
    std::vector<Node> call = {Flag("enabled", image.Get(fields::CallEnabled(ch, true, j))),
                              Text("tone", FormatTone(image.GetWord(GroupToneFreq(ch, j))))};
    for (auto& node : CallOptions(image, GroupOption(ch, j), GroupPattern(ch, j))) call.push_back(std::move(node));
    call.push_back(Object("duty", Duties(image, ch, true, j)));
    groups.push_back(Object("", std::move(call)));
  }
  std::vector<Node> dutyEnables;
  static const char* kDutyNames[kSwitchCount] = {"sw_a", "sw_b", "sw_c", "sw_d"};
  for (int s = 0; s < kSwitchCount; ++s) {
    dutyEnables.push_back(Flag(kDutyNames[s], !image.Get(fields::DutyEnableBit(ch, s))));
  }
  return Object(ch == 0 ? "F1" : "F2",
                {Text("frequency", FrequencyText(image, ch)), Text("spacing", SpacingText(image[RfSpacingCode(ch)])),
                 Number("spacing_code", image[RfSpacingCode(ch)]),
                 Text("pllr", FormatSynthWord(image.GetLong(RfReferenceWord(ch)))),
                 Text("plln", FormatSynthWord(image.GetLong(RfDividerWord(ch)))),
                 Object("switch_duty_enabled", std::move(dutyEnables)), Array("calls", std::move(calls)),
                 Array("group_calls", std::move(groups))});
}

Node Switches(const CodePlugImage& image) {
  std::vector<Node> switches;
  for (int s = 0; s < kSwitchCount; ++s) {
    const int byte = image[kFunctionSwitch + s];
    switches.push_back(Object(
        "",
        {Text("mode", SwitchModeText(byte)), Text("alert_type", AlertTypeText(image.Get(fields::SwitchAlertType(s)))),
         Flag("push_to_listen", image.Get(fields::SwitchPushToListen(s))), Number("byte", byte)}));
  }
  return Array("function_switches", std::move(switches));
}

Node Settings(const CodePlugImage& image) {
  std::vector<Node> options;
  for (const auto& option : fields::kModelOptionBits) options.push_back(OptionFlag(image, option));
  std::vector<Node> tonalities;
  for (int k = 0; k < kTonalityCount; ++k) {
    tonalities.push_back(Text("", FormatNumber("%01.3f", image.GetWord(TonalityFrequency(k)) / 1000.0)));
  }
  const bool narrow = image[kBand] == 1;
  std::vector<Node> setting = {
      Object("model_options", std::move(options)),
      Text("record_section", ListItem(fields::kRecordSectionTexts, image[kRecordSection])),
      OptionFlag(image, fields::kSquelchControlRecord),
      Text("reset_control", ResetMethodText(image)),
      Text("reset_delay_s", HalfSecondsText(image[kResetDelay])),
      Number("carrier_off_delay_x150ms", image[kCarrierOffDelay]),
      Text("reminder_s", HalfSecondsText(image[kReminder])),
      Text("squelch_level", image[kSquelchLevel] <= 4 ? std::to_string(image[kSquelchLevel] + 1) : "(none)"),
      Text("audio_gain",
           image[kAudioGain] == kBlank ? "(none)" : std::to_string(image.Get(fields::kAudioGainItem) + 1)),
      Flag("narrow_band", narrow),
      Flag("one_channel", ShowsOneChannel(image))};
  for (const auto& option : fields::kFunctionOptionBits) setting.push_back(OptionFlag(image, option));
  setting.push_back(Switches(image));
  setting.push_back(Array("tonalities_khz", std::move(tonalities)));
  setting.push_back(Number("priority_scan_period_s_x1000", long{image[kPriorityScanF1]} * image[kBatterySave2] * 10));
  return Object("setting", std::move(setting));
}

Node System(const CodePlugImage& image) {
  const char* unit = IsOldTimingFirmware(image.FirmwareVersionNumber()) ? "x 100 ms" : "x 50 ms";
  return Object(
      "system",
      {Text("decoder_reset_s", HalfSecondsText(image[kDecoderReset])), Number("rf_delay_ms", image[kRfDelay]),
       Text("nrssi_v", Volts(image[kNrssiThreshold])), Text("speaker_on_v", Volts(image[kSpeakerOnCode])),
       Text("speaker_off_v", Volts(image[kSpeakerOffCode])), Number("priority_scan_f1", image[kPriorityScanF1]),
       Number("battery_save1_x10ms", image[kBatterySave1]), Number("battery_save2_x10ms", image[kBatterySave2]),
       Number("tone1_limit", image.GetWord(kTone1Limit)), Number("tone1_duration", image.GetWord(kTone1Duration)),
       Number("tone2_limit", image.GetWord(kTone2Limit)), Number("tone2_duration", image.GetWord(kTone2Duration)),
       Number("noise_limit", image[kNoiseLimit]), Text("timing_unit", unit)});
}

Node Advance(const CodePlugImage& image) {
  std::vector<Node> levels;
  for (int level = 0; level < kSquelchLevels; ++level) {
    levels.push_back(Object("", {Text("speaker_off_v", Centivolts(image[SquelchOff(level)])),
                                 Text("speaker_on_v", Centivolts(image[SquelchOn(level)]))}));
  }
  const int bandwidth = image[kDecoderBandwidth];
  return Object(
      "advance",
      {Text("decoder_bandwidth_percent", bandwidth <= 15 ? FormatNumber("%01.1f", 0.1 + 0.2 * bandwidth) : "(none)"),
       Number("gap_max", image[kGapMax]), Number("group_call_duration", image.GetWord(kGroupCallDuration)),
       Number("nrssi_response_time_x10ms", image[kNrssiResponseTime]),
       Text("battery_low_v", BatteryText(image[kBatteryLow])),
       Text("battery_medium_v", BatteryText(image[kBatteryMedium])),
       Text("battery_high_v", BatteryText(image[kBatteryHigh])),
       Text("low_battery_alarm_v", BatteryText(image[kLowBatteryAlarm])), Array("squelch_levels", std::move(levels)),
       Flag("fixed_alert_time_enabled", image[kFixedAlertTimeAllowed] == kMarkerOn)});
}

void Flatten(const Node& node, const std::string& path, std::vector<FlatField>& out) {
  if (!node.isArray && !node.isObject) {
    std::string text;
    if (std::holds_alternative<std::monostate>(node.value)) text = "null";
    if (auto* s = std::get_if<std::string>(&node.value)) text = *s;
    if (auto* n = std::get_if<long>(&node.value)) text = std::to_string(*n);
    if (auto* b = std::get_if<bool>(&node.value)) text = *b ? "1" : "0";
    out.push_back({path, text});
    return;
  }
  for (std::size_t i = 0; i < node.children.size(); ++i) {
    const auto& child = node.children[i];
    std::string childPath =
        node.isArray ? path + "[" + std::to_string(i) + "]" : (path.empty() ? child.key : path + "." + child.key);
    Flatten(child, childPath, out);
  }
}

// Every byte outside printable ASCII is escaped as the character of the
// same number, so any stored bytes give valid UTF-8 JSON.
std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void Json(const Node& node, int depth, std::string& out) {
  const std::string indent(static_cast<std::size_t>(2 * (depth + 1)), ' ');
  if (node.isArray || node.isObject) {
    out += node.isArray ? "[" : "{";
    for (std::size_t i = 0; i < node.children.size(); ++i) {
      out += i ? ",\n" : "\n";
      out += indent;
      if (node.isObject) out += JsonString(node.children[i].key) + ": ";
      Json(node.children[i], depth + 1, out);
    }
    if (!node.children.empty()) out += "\n" + std::string(static_cast<std::size_t>(2 * depth), ' ');
    out += node.isArray ? "]" : "}";
    return;
  }
  if (std::holds_alternative<std::monostate>(node.value)) out += "null";
  if (auto* s = std::get_if<std::string>(&node.value)) out += JsonString(*s);
  if (auto* n = std::get_if<long>(&node.value)) out += std::to_string(*n);
  if (auto* b = std::get_if<bool>(&node.value)) out += *b ? "true" : "false";
}

}  // namespace

std::string AlertPatternText(const CodePlugImage& image, int offset) {
  static const char kSteps[] = "-ABCD";
  std::string text;
  for (int step = 0; step < 2 * kPatternSize; ++step) {
    const int byte = image[offset + step / 2];
    const int nibble = step % 2 == 0 ? byte >> 4 : byte & 0x0F;
    if (nibble > 4) break;  // an unknown step ends the pattern
    text += kSteps[nibble];
  }
  return text;
}

long FrequencyValue(const CodePlugImage& image, int channel) {
  long value = 0;
  for (int d = 0; d < kRfFrequencyDigitCount; ++d) value = value * 10 + image[RfFrequency(channel) + d];
  return value;
}

std::string FrequencyText(const CodePlugImage& image, int channel) {
  char text[32];
  std::snprintf(text, sizeof text, "%07ld", FrequencyValue(image, channel));
  return text;
}

std::string FormatNumber(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

DecodedNode DecodeImage(const CodePlugImage& image) {
  const auto serial = SerialNumberText(image);
  return Object(
      "",
      {Text("firmware", FirmwareText(image)),
       serial ? Text("serial_number", *serial) : Leaf("serial_number", std::monostate{}),
       Text("tone_system", ToneSystemText(image[kToneSystem])),
       Object("checksum", {Text("stored", HexWord(image.GetWord(kImageChecksum))),
                           Text("computed", HexWord(ComputeImageChecksum(image)))}),
       Text("caption", std::string(image.data() + kHeaderCaption, image.data() + kHeaderCaption + kHeaderCaptionSize)),
       Object("channels", {Channel(image, 0), Channel(image, 1)}), Settings(image), System(image), Advance(image)});
}

namespace {

// A changed byte changes the computed checksum whatever it is, so the
// checksum says nothing about which field a byte belongs to.
bool SameFieldsBesidesChecksum(const std::vector<FlatField>& a, const std::vector<FlatField>& b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i].text != b[i].text && a[i].path != "checksum.computed") return false;
  }
  return a.size() == b.size();
}

}  // namespace

std::string OneLineText(const std::string& text) {
  std::string line;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '\\') {
      line.push_back(c);
    } else {
      line += "\\x" + HexByte(byte);
    }
  }
  return line;
}

std::vector<FieldDifference> DifferingFields(const CodePlugImage& expected, const CodePlugImage& found) {
  std::vector<FieldDifference> differences;
  if (expected.bytes() == found.bytes()) return differences;
  const std::vector<FlatField> expectedFields = FlattenDecoded(DecodeImage(expected));
  const std::vector<FlatField> foundFields = FlattenDecoded(DecodeImage(found));
  for (std::size_t i = 0; i < expectedFields.size() && i < foundFields.size(); ++i) {
    if (expectedFields[i].text != foundFields[i].text) {
      differences.push_back({expectedFields[i].path, expectedFields[i].text, foundFields[i].text});
    }
  }
  // A byte explains itself through a field when taking it alone over from
  // the found image changes what a field shows.
  for (int offset = 0; offset < static_cast<int>(kImageSize); ++offset) {
    if (expected[offset] == found[offset]) continue;
    CodePlugImage oneByte = expected;
    oneByte[offset] = found[offset];
    if (!SameFieldsBesidesChecksum(expectedFields, FlattenDecoded(DecodeImage(oneByte)))) continue;
    differences.push_back({"byte " + std::to_string(offset), HexByte(expected[offset]), HexByte(found[offset])});
  }
  return differences;
}

std::string DescribeDifference(const FieldDifference& difference, const std::string& expectedName,
                               const std::string& foundName) {
  return difference.path + ": " + expectedName + " " + OneLineText(difference.expected) + ", " + foundName + " " +
         OneLineText(difference.found);
}

std::vector<FlatField> FlattenDecoded(const DecodedNode& root) {
  std::vector<FlatField> out;
  Flatten(root, "", out);
  return out;
}

std::string DecodedToJson(const DecodedNode& root) {
  std::string out;
  Json(root, 0, out);
  return out + "\n";
}

}  // namespace zt310
