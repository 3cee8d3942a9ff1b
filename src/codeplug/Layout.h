// SPDX-License-Identifier: GPL-3.0-or-later
// The memory map of the 512-byte code-plug image. Every offset the tool uses
// is named here once; the rest of the code refers to these names only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tones/Tones.h"

namespace zt310::layout {

inline constexpr std::size_t kImageSize = 512;

// Pager identity block, copied from and to the pager as a whole.
inline constexpr int kIdentity = 0;
inline constexpr int kIdentitySize = 16;
inline constexpr int kSingleChannelMarker = 11;  // 254 single channel, 255 two channels
inline constexpr int kFirmwareMajor = 12;
inline constexpr int kFirmwareMinor = 13;
inline constexpr int kFirmwarePatch = 14;

// Two-state markers used by several option bytes.
inline constexpr std::uint8_t kMarkerOn = 254;
inline constexpr std::uint8_t kMarkerOff = 255;
inline constexpr std::uint8_t kBlank = 0xFF;

// RF records: F1 at 16, F2 at 32, same layout.
inline constexpr int kRfRecord[2] = {16, 32};
inline constexpr int kRfRecordSize = 16;
inline constexpr int kRfFrequencyDigits = 0;  // seven decimal digits, 100 Hz units
inline constexpr int kRfFrequencyDigitCount = 7;
inline constexpr int kRfSpacingCode = 7;
inline constexpr int kRfReferenceWord = 8;  // PLLR, 4 bytes big-endian
inline constexpr int kRfDividerWord = 12;   // PLLN, 4 bytes big-endian

// Call blocks: F1 at 48, F2 at 192 (same layout, 144 bytes later).
inline constexpr int kCallBlock[2] = {48, 192};
inline constexpr int kCallBlockSize = 144;
inline constexpr int kCallCount = kIndividualCallsPerChannel;
inline constexpr int kGroupCallCount = kGroupCallsPerChannel;
inline constexpr int kCallTone1Word = 0;   // + 4i, decoder word
inline constexpr int kCallTone2Word = 2;   // + 4i
inline constexpr int kGroupToneWord = 32;  // + 2j
inline constexpr int kCallEnableBits = 40;
inline constexpr int kGroupEnableBits = 41;
inline constexpr int kCallDutyBits = 42;   // + s, s = 0..3 for SW-A..SW-D
inline constexpr int kGroupDutyAB = 46;    // SW-A bits 0-3, SW-B bits 4-7
inline constexpr int kGroupDutyCD = 47;    // SW-C bits 0-3, SW-D bits 4-7
inline constexpr int kCallTone1Freq = 48;  // + 4i, 0.1 Hz
inline constexpr int kCallTone2Freq = 50;  // + 4i
inline constexpr int kGroupToneFreq = 80;  // + 2j
inline constexpr int kCallPattern = 96;    // + 4i, eight nibbles
inline constexpr int kGroupPattern = 128;  // + 4j
inline constexpr int kPatternSize = 4;

// Receiver bytes inside the F1 call block.
inline constexpr int kNarrowBandMarker = 136;
inline constexpr int kAudioGain = 137;
inline constexpr int kBand = 138;
inline constexpr int kNrssiResponseTime = 139;
inline constexpr int kReceiverFlags = 140;
inline constexpr int kFlagSquelchRecordBit = 0;  // 0 = squelch control during record enabled
inline constexpr int kFlagPlainManualResetBit = 1;

// Alert tonality.
inline constexpr int kTonalityCount = 4;
inline constexpr int kTonalityPrescaler = 336;  // + 2k
inline constexpr int kTonalityReload = 337;     // + 2k
inline constexpr int kTonalityFrequency = 344;  // + 2k, Hz

// Function switches and model options.
inline constexpr int kSwitchCount = 4;
inline constexpr int kFunctionSwitch = 352;  // + s
inline constexpr int kResetMode = 356;
inline constexpr int kResetDelay = 357;       // 0.5 s units
inline constexpr int kCarrierOffDelay = 358;  // 150 ms units
inline constexpr int kModelOptions = 359;
inline constexpr int kRecordSection = 362;
inline constexpr int kReminder = 363;  // 0.5 s units
inline constexpr int kFunctionOptions = 364;
inline constexpr int kDutyEnables = 365;  // inverted bits
inline constexpr int kDecoderBandwidth = 368;

// Decoder timing.
inline constexpr int kTone1Limit = 369;         // 2 bytes
inline constexpr int kTone1Duration = 371;      // 2 bytes
inline constexpr int kTone2Limit = 373;         // 2 bytes
inline constexpr int kTone2Duration = 375;      // 2 bytes
inline constexpr int kGroupCallDuration = 379;  // 2 bytes
inline constexpr int kNoiseLimit = 381;
inline constexpr int kGapMax = 382;
inline constexpr int kDecoderReset = 383;  // 0.5 s units

// Battery save, squelch and battery thresholds.
inline constexpr int kBatterySave1 = 384;
inline constexpr int kBatterySave2 = 385;
inline constexpr int kRfDelay = 386;
inline constexpr int kNrssiThreshold = 387;
inline constexpr int kSpeakerOnCode = 388;
inline constexpr int kSpeakerOffCode = 389;
inline constexpr int kLowBatteryAlarm = 390;
inline constexpr int kBatteryLow = 391;
inline constexpr int kBatteryMedium = 392;
inline constexpr int kBatteryHigh = 393;
inline constexpr int kPriorityScanF1 = 394;
inline constexpr int kSquelchLevel = 396;
inline constexpr int kSingleChannelMarker2 = 397;

// Squelch level voltage table: level L speaker-off at 400 + 2L, speaker-on at 401 + 2L.
inline constexpr int kSquelchTable = 400;
inline constexpr int kSquelchLevels = 5;
inline constexpr int kSquelchTableSize = 10;

inline constexpr int kFixedAlertTimeAllowed = 410;
inline constexpr int kToneDur2Standard = 411;
inline constexpr int kToneDur2Plectron = 412;
inline constexpr int kToneSystem = 413;
inline constexpr std::uint8_t kToneSystemStandard = ToneSystemByte(ToneSystem::Standard);
inline constexpr std::uint8_t kToneSystemUser = ToneSystemByte(ToneSystem::User);
inline constexpr std::uint8_t kToneSystemPlectron = ToneSystemByte(ToneSystem::Plectron);

// Serial number with its checksum.
inline constexpr int kSerialNumber = 416;
inline constexpr int kSerialNumberLength = 14;
inline constexpr int kSerialChecksum = 430;
inline constexpr int kSerialBlockSize = 16;

// Call options: two bytes per call (tone type / priority, alert time).
inline constexpr int kCallOptions[2] = {432, 464};
inline constexpr int kGroupCallOptions[2] = {448, 480};

inline constexpr int kImageChecksum = 496;
inline constexpr int kChecksumFirst = 16;
inline constexpr int kChecksumLast = 495;

inline constexpr int kHeaderCaption = 498;
inline constexpr int kHeaderCaptionSize = 12;
inline constexpr int kModelSignatureSize = 5;
inline constexpr int kHeaderMajor = 510;
inline constexpr int kHeaderMinorPatch = 511;

// Offsets inside one channel, computed from the tables above.
constexpr int CallTone1Word(int ch, int i) { return kCallBlock[ch] + kCallTone1Word + 4 * i; }
constexpr int CallTone2Word(int ch, int i) { return kCallBlock[ch] + kCallTone2Word + 4 * i; }
constexpr int GroupToneWord(int ch, int j) { return kCallBlock[ch] + kGroupToneWord + 2 * j; }
constexpr int CallTone1Freq(int ch, int i) { return kCallBlock[ch] + kCallTone1Freq + 4 * i; }
constexpr int CallTone2Freq(int ch, int i) { return kCallBlock[ch] + kCallTone2Freq + 4 * i; }
constexpr int GroupToneFreq(int ch, int j) { return kCallBlock[ch] + kGroupToneFreq + 2 * j; }
constexpr int CallEnableBits(int ch) { return kCallBlock[ch] + kCallEnableBits; }
constexpr int GroupEnableBits(int ch) { return kCallBlock[ch] + kGroupEnableBits; }
constexpr int CallDutyBits(int ch, int s) { return kCallBlock[ch] + kCallDutyBits + s; }
// Group duty of switch s: byte and bit of group j.
constexpr int GroupDutyByte(int ch, int s) { return kCallBlock[ch] + (s < 2 ? kGroupDutyAB : kGroupDutyCD); }
constexpr int GroupDutyShift(int s, int j) { return (s % 2) * 4 + j; }
constexpr int CallPattern(int ch, int i) { return kCallBlock[ch] + kCallPattern + 4 * i; }
constexpr int GroupPattern(int ch, int j) { return kCallBlock[ch] + kGroupPattern + 4 * j; }
constexpr int CallOption(int ch, int i) { return kCallOptions[ch] + 2 * i; }
constexpr int CallAlertTime(int ch, int i) { return kCallOptions[ch] + 2 * i + 1; }
constexpr int GroupOption(int ch, int j) { return kGroupCallOptions[ch] + 2 * j; }
constexpr int GroupAlertTime(int ch, int j) { return kGroupCallOptions[ch] + 2 * j + 1; }
constexpr int RfFrequency(int ch) { return kRfRecord[ch] + kRfFrequencyDigits; }
constexpr int RfSpacingCode(int ch) { return kRfRecord[ch] + kRfSpacingCode; }
constexpr int RfReferenceWord(int ch) { return kRfRecord[ch] + kRfReferenceWord; }
constexpr int RfDividerWord(int ch) { return kRfRecord[ch] + kRfDividerWord; }
constexpr int TonalityFrequency(int k) { return kTonalityFrequency + 2 * k; }
constexpr int SquelchOff(int level) { return kSquelchTable + 2 * level; }
constexpr int SquelchOn(int level) { return kSquelchTable + 2 * level + 1; }

// Call option bits.
inline constexpr int kToneTypeShift = 0;
inline constexpr int kToneTypeWidth = 2;
inline constexpr int kPriorityShift = 7;

}  // namespace zt310::layout
