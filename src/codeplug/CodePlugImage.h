// SPDX-License-Identifier: GPL-3.0-or-later
// The 512-byte configuration image of a pager and its shared accessors.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "codeplug/Fields.h"
#include "codeplug/Layout.h"

namespace zt310 {

// The program caption stamped into the header of every image the tool writes.
inline constexpr std::string_view kProgramCaption = "ZT310 V1.3.9";
inline constexpr std::string_view kModelSignature = "ZT310";

class CodePlugImage {
 public:
  using Bytes = std::array<std::uint8_t, layout::kImageSize>;

  CodePlugImage() { bytes_.fill(layout::kBlank); }
  explicit CodePlugImage(const Bytes& bytes) : bytes_(bytes) {}

  std::uint8_t& operator[](int offset) { return bytes_.at(static_cast<std::size_t>(offset)); }
  std::uint8_t operator[](int offset) const { return bytes_.at(static_cast<std::size_t>(offset)); }
  const Bytes& bytes() const { return bytes_; }
  Bytes& bytes() { return bytes_; }
  const std::uint8_t* data() const { return bytes_.data(); }
  std::uint8_t* data() { return bytes_.data(); }

  // Bit field (offset, shift, width): value = (byte >> shift) & mask.
  int GetBits(int offset, int shift, int width) const;
  // Clears exactly the field's bits and ORs in the new value; other bits stay.
  void SetBits(int offset, int shift, int value, int width);
  bool GetBit(int offset, int shift) const { return GetBits(offset, shift, 1) != 0; }
  void SetBit(int offset, int shift, bool on) { SetBits(offset, shift, on ? 1 : 0, 1); }

  // Typed fields.
  bool Get(fields::Bit bit) const { return GetBit(bit.offset, bit.shift); }
  void Set(fields::Bit bit, bool on) { SetBit(bit.offset, bit.shift, on); }
  int Get(fields::Bits bits) const { return GetBits(bits.offset, bits.shift, bits.width); }
  void Set(fields::Bits bits, int value) { SetBits(bits.offset, bits.shift, value, bits.width); }
  bool IsTicked(const fields::OptionBit& option) const { return Get(option.bit) != option.inverted; }
  void SetTicked(const fields::OptionBit& option, bool ticked) { Set(option.bit, ticked != option.inverted); }

  // 16- and 32-bit big-endian values.
  std::uint16_t GetWord(int offset) const;
  void SetWord(int offset, std::uint16_t value);
  std::uint32_t GetLong(int offset) const;
  void SetLong(int offset, std::uint32_t value);

  // 100 x major + 10 x minor + patch of the identity block.
  int FirmwareVersionNumber() const;

  bool operator==(const CodePlugImage& other) const = default;

 private:
  Bytes bytes_;
};

// Firmware generations, by version number.
inline bool IsOldTimingFirmware(int version) { return version <= 120 || (version >= 500 && version <= 520); }
inline bool IsSingleChannelFirmware(int version) { return version >= 500; }
// "Manual RESET Until Press Reset" exists only from firmware 2.1.0 on.
inline bool HasManualResetUntilPress(int version) { return version >= 210; }

// The reset list item byte 356 and bit 1 of byte 140 stand for, as the
// editor shows them: firmware before 2.1.0 knows no "Until Press Reset" and
// shows plain "Manual RESET". A mode past the list gives an index past it.
int ShownResetMethod(const CodePlugImage& image);
// Byte 356 holds "Manual RESET" with bit 1 of byte 140 clear: the method
// only firmware 2.1.0 and later knows.
bool HoldsManualResetUntilPress(const CodePlugImage& image);

// "One Channel" as the editor ticks it: either marker byte, or firmware
// that has a single channel whatever the markers say.
bool ShowsOneChannel(const CodePlugImage& image);

std::uint16_t ComputeImageChecksum(const CodePlugImage& image);
void StoreImageChecksum(CodePlugImage& image);
// Bytes 510 and 511 from the caption's version characters.
void StampHeader(CodePlugImage& image, std::string_view caption = kProgramCaption);
// Bytes 498 to 509: the caption's twelve characters, no terminator.
void StampCaption(CodePlugImage& image, std::string_view caption = kProgramCaption);
bool HasModelSignature(const CodePlugImage& image);
void CopyImage(CodePlugImage& destination, const CodePlugImage& source);

// The constant built-in factory default (its checksum bytes hold 0xFF 0xFF).
const CodePlugImage& FactoryDefaultImage();

// Alert tonality timer bytes. The prescaler divisor and code chosen for each
// tonality are remembered between computations, as the pager tool always did;
// a frequency outside 150..6000 Hz reuses the last valid choice. Before any
// valid choice, or for 0 Hz, the timer bytes are left as they are, so nothing
// divides by zero.
class TonalityTimers {
 public:
  struct Choice {
    int divisor = 0;
    int code = 0;
  };
  static std::optional<Choice> ChoiceForFrequency(int hertz);
  void Compute(CodePlugImage& image);
  const std::optional<Choice>& remembered(int k) const { return remembered_.at(static_cast<std::size_t>(k)); }

 private:
  std::array<std::optional<Choice>, layout::kTonalityCount> remembered_{};
};

// The converter code of a threshold voltage (0 to 1 V), in single precision.
std::uint8_t VoltsToCode(float volts);
// The voltage a converter code stands for.
inline double CodeToVolts(int code) { return code * 3.0 / 256.0; }

// Battery codes of the voltages the editors offer, 3.25 V to 4.15 V by 0.05 V.
struct BatteryCodeRow {
  int centivolts;
  std::uint8_t code;
};
const std::array<BatteryCodeRow, 19>& BatteryCodeTable();
std::optional<std::uint8_t> BatteryCodeForCentivolts(int centivolts);
std::optional<int> BatteryCentivoltsForCode(std::uint8_t code);

// The identity block (bytes 0 to 15) and the serial-number block (416 to
// 431), of an image or as read from a pager.
using IdentityBlock = std::span<const std::uint8_t, layout::kIdentitySize>;
using SerialBlock = std::span<const std::uint8_t, layout::kSerialBlockSize>;
IdentityBlock IdentityOf(const CodePlugImage& image);
SerialBlock SerialBlockOf(const CodePlugImage& image);

// 100 x major + 10 x minor + patch.
int FirmwareVersionNumber(IdentityBlock identity);

// A serial-number block: all sixteen bytes 0xFF means none; otherwise bytes
// 14 and 15 hold the 16-bit sum of the fourteen serial bytes.
bool IsBlankSerialBlock(SerialBlock block);
std::uint16_t ComputeSerialChecksum(SerialBlock block);
bool SerialBlockChecksumHolds(SerialBlock block);
// The pager's serial number as the operations show and log it: the
// characters up to the first 0x00 or 0xFF, at most fourteen.
std::string SerialBlockText(SerialBlock block);
// The text without the blanks and tabs around it.
std::string Trimmed(const std::string& text);

// The serial number as the editor shows it: the characters up to the first
// 0x00, at most the fourteen serial bytes; none for a blank block.
std::optional<std::string> SerialNumberText(const CodePlugImage& image);
std::uint16_t ComputeSerialChecksum(const CodePlugImage& image);

std::string FirmwareText(const CodePlugImage& image);  // "1.3.0"

}  // namespace zt310
