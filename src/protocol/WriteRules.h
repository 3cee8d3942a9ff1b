// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware and band rules a write into a pager follows, as one plain
// function of the image, the pager's own blocks and the answers given so
// far. Write, the production run, the command line's verify of a file and
// a restore all ask it; none writes the rules again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "codeplug/CodePlugImage.h"

namespace zt310 {

inline constexpr const char* kAudioGainNoticeText =
    "The Firmware version, 2-channel version <= 1.21 or 5.00 <= single Channel version <=5.21, \n"
    "Audio Gain function is invalid!";
inline constexpr const char* kPlectronWriteText =
    "The Firmware version, 2-channel version <= 1.20 or 5.00 <= single Channel version <=5.20, \n"
    "Plectron function cannot be set.!";
inline constexpr const char* kProductionPlectronText =
    "The Firmware version <= 1.20 or 5.00 <= version <=5.20,  Plectron function cannot be set.!";
inline constexpr const char* kSingleChannelPagerText =
    "You cannot turn your single channel pager into a 2-channel scan-capable model!";
inline constexpr const char* kSwitchNbToWbText = "Are you sure to switch NB to WB ?";
inline constexpr const char* kSwitchWbToNbText = "Are you sure to switch WB to NB ?";
inline constexpr const char* kSerialChecksumErrorText = "Serial No. Checksum Error !";

// The pager ignores the audio gain below these firmware versions.
bool AudioGainIgnored(int pagerVersion);
// GAP MAX. (byte 382) counts 100 ms on old timing firmware and 50 ms on the
// rest: the image's value is carried from its own firmware generation f to
// the pager's p. An image never read from a pager has f = 0.
std::uint8_t ConvertGapMax(std::uint8_t value, int pagerVersion, int imageVersion);
// Byte 390 from byte 391: two codes lower for firmware before 1.1.2.
std::uint8_t LowBatteryAlarmCode(std::uint8_t batteryLow, int pagerVersion);

using PagerBlock = std::array<std::uint8_t, 16>;

// A backup goes back only into a pager of its own kind: the same timing
// generation (100 ms or 50 ms) and as many channels, both read from the
// identity block the backup holds and the pager's own. The reason, naming
// both, or nothing when it fits.
std::optional<std::string> RestoreRefusal(const CodePlugImage& backup, const PagerBlock& pagerIdentity);

// What the pager tells about itself before a transfer; a block not read yet
// is nothing.
struct PagerBlocks {
  PagerBlock identity{};
  std::optional<PagerBlock> band;    // 128 to 143
  std::optional<PagerBlock> serial;  // 416 to 431, all 0xFF when none
};

enum class WriteKind {
  // The interactive Write: every rule; the pager keeps its serial number.
  Write,
  // A production run: the image brings the scanned serial number, and its
  // own narrow-band bytes decide whether the band question is asked.
  Production,
  // The file's bytes as stored (a backup put back): only the identity block
  // and the serial number are the pager's, taken as Write takes them.
  Restore,
};

struct WriteAnswers {
  bool noticeShown = false;   // the audio gain notice has been shown
  bool bandSwitchOk = false;  // the band question was answered with OK
  // What Write puts into the pager once it goes through: no notice, no
  // question and no refusal stops the rules (the verify of a file).
  bool assumeAccepted = false;
};

struct WriteRuleInput {
  WriteKind kind = WriteKind::Write;
  CodePlugImage image;            // the image to write, its header stamped
  bool narrowBandChosen = false;  // "NB" ticked
  PagerBlocks pager;
  WriteAnswers answers;
};

struct WriteDecision {
  enum class Step {
    Notify,      // show text, then ask again with noticeShown
    Refuse,      // abandon with text
    Ask,         // ask text; on OK ask again with bandSwitchOk
    ReadBand,    // read the bandwidth block, then ask again
    ReadSerial,  // read the serial-number block, then ask again
    Write,       // image is what goes into the pager
  };
  Step step = Step::Write;
  std::string text;
  // The image adapted as far as the rules went: the input image before the
  // band rule, adapted but without the pager's serial number at ReadSerial
  // and at the serial-number refusal, complete at Write.
  CodePlugImage image;
  int pagerVersion = 0;
  bool oneChannelRefused = false;  // the refusal of a two-channel image: tick "One Channel"
  bool audioGainReset = false;     // wide band kept: byte 136 set to 0xFF and the audio gain to 0
  bool gapMaxConverted = false;    // byte 382 now counts in the pager's units
  // Write and Restore: the pager's serial number as the field shows it,
  // empty for a pager without one.
  std::optional<std::string> serialShown;
};

// The next step of a write for this input. The caller reads the blocks and
// asks the questions the decision names and calls again with them, until
// the decision is Write or Refuse (or the user cancels).
WriteDecision DecideWrite(const WriteRuleInput& input);

}  // namespace zt310
