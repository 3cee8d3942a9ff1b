// SPDX-License-Identifier: GPL-3.0-or-later
#include "codeplug/CodePlugImage.h"

#include <algorithm>
#include <cmath>

namespace zt310 {

using namespace layout;

int CodePlugImage::GetBits(int offset, int shift, int width) const {
  const int mask = (1 << width) - 1;
  return ((*this)[offset] >> shift) & mask;
}

void CodePlugImage::SetBits(int offset, int shift, int value, int width) {
  const int mask = ((1 << width) - 1) << shift;
  const int byte = ((*this)[offset] & ~mask) | ((value << shift) & mask);
  (*this)[offset] = static_cast<std::uint8_t>(byte);
}

std::uint16_t CodePlugImage::GetWord(int offset) const {
  return static_cast<std::uint16_t>(((*this)[offset] << 8) | (*this)[offset + 1]);
}

void CodePlugImage::SetWord(int offset, std::uint16_t value) {
  (*this)[offset] = static_cast<std::uint8_t>(value >> 8);
  (*this)[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

std::uint32_t CodePlugImage::GetLong(int offset) const {
  return (static_cast<std::uint32_t>(GetWord(offset)) << 16) | GetWord(offset + 2);
}

void CodePlugImage::SetLong(int offset, std::uint32_t value) {
  SetWord(offset, static_cast<std::uint16_t>(value >> 16));
  SetWord(offset + 2, static_cast<std::uint16_t>(value & 0xFFFF));
}

int CodePlugImage::FirmwareVersionNumber() const { return zt310::FirmwareVersionNumber(IdentityOf(*this)); }

bool HoldsManualResetUntilPress(const CodePlugImage& image) {
  const auto& untilPress = fields::kResetMethods[fields::kUntilPressResetMethod];
  return image[kResetMode] == untilPress.mode &&
         image.GetBit(kReceiverFlags, kFlagPlainManualResetBit) == untilPress.plainManualBit;
}

int ShownResetMethod(const CodePlugImage& image) {
  if (HoldsManualResetUntilPress(image) && HasManualResetUntilPress(image.FirmwareVersionNumber())) {
    return fields::kUntilPressResetMethod;
  }
  return fields::ResetMethodOfMode(image[kResetMode]);
}

bool ShowsOneChannel(const CodePlugImage& image) {
  return image[kSingleChannelMarker] == kMarkerOn || image[kSingleChannelMarker2] == kMarkerOn ||
         IsSingleChannelFirmware(image.FirmwareVersionNumber());
}

std::uint16_t ComputeImageChecksum(const CodePlugImage& image) {
  std::uint16_t sum = 0;
  for (int offset = kChecksumFirst; offset <= kChecksumLast; ++offset) {
    sum = static_cast<std::uint16_t>(sum + image[offset]);
  }
  return sum;
}

void StoreImageChecksum(CodePlugImage& image) { image.SetWord(kImageChecksum, ComputeImageChecksum(image)); }

void StampHeader(CodePlugImage& image, std::string_view caption) {
  // Characters 8, 10 and 12 of "ZT310 V1.3.9" are the version digits.
  const auto at = [&](std::size_t position) -> int {
    return position <= caption.size() ? static_cast<unsigned char>(caption[position - 1]) : '0';
  };
  image[kHeaderMajor] = static_cast<std::uint8_t>(at(8) - '0');
  image[kHeaderMinorPatch] = static_cast<std::uint8_t>(((at(10) << 4) & 0xFF) | (at(12) & 0x0F));
}

void StampCaption(CodePlugImage& image, std::string_view caption) {
  for (int i = 0; i < kHeaderCaptionSize; ++i) {
    const auto index = static_cast<std::size_t>(i);
    image[kHeaderCaption + i] = index < caption.size() ? static_cast<std::uint8_t>(caption[index]) : 0;
  }
}

bool HasModelSignature(const CodePlugImage& image) {
  return std::equal(kModelSignature.begin(), kModelSignature.end(), image.data() + kHeaderCaption);
}

void CopyImage(CodePlugImage& destination, const CodePlugImage& source) { destination = source; }

std::optional<TonalityTimers::Choice> TonalityTimers::ChoiceForFrequency(int hertz) {
  struct Range {
    int low, high, divisor, code;
  };
  static constexpr Range kRanges[] = {
      {150, 249, 128, 5}, {250, 499, 64, 4}, {500, 999, 32, 3}, {1000, 3999, 16, 0}, {4000, 6000, 2, 2},
  };
  for (const auto& range : kRanges) {
    if (hertz >= range.low && hertz <= range.high) return Choice{range.divisor, range.code};
  }
  return std::nullopt;
}

void TonalityTimers::Compute(CodePlugImage& image) {
  for (int k = 0; k < kTonalityCount; ++k) {
    const int hertz = image.GetWord(TonalityFrequency(k));
    auto& remembered = remembered_[static_cast<std::size_t>(k)];
    if (auto choice = ChoiceForFrequency(hertz)) remembered = choice;
    if (!remembered || hertz == 0) continue;
    const long reload = 4000000L / (2L * remembered->divisor * hertz) - 1;
    image[kTonalityPrescaler + 2 * k] = static_cast<std::uint8_t>(remembered->code);
    image[kTonalityReload + 2 * k] = static_cast<std::uint8_t>(reload & 0xFF);
  }
}

std::uint8_t VoltsToCode(float volts) {
  const float x = volts * 256.0f / 3.0f;
  if (!(x > 0.0f)) return 0;
  const float whole = std::floor(x);
  long code = 0;
  if (x - whole == 0.5f) {
    code = static_cast<long>(whole) + 1;
  } else {
    code = std::lround(x * 10.0f) / 10;  // rounded to one decimal, then its whole part
  }
  return static_cast<std::uint8_t>(std::clamp(code, 0L, 255L));
}

const std::array<BatteryCodeRow, 19>& BatteryCodeTable() {
  static constexpr std::array<BatteryCodeRow, 19> kTable = {{
      {325, 184}, {330, 187}, {335, 190}, {340, 193}, {345, 196}, {350, 199}, {355, 201},
      {360, 204}, {365, 207}, {370, 210}, {375, 213}, {380, 216}, {385, 219}, {390, 221},
      {395, 224}, {400, 227}, {405, 230}, {410, 233}, {415, 236},
  }};
  return kTable;
}

std::optional<std::uint8_t> BatteryCodeForCentivolts(int centivolts) {
  for (const auto& row : BatteryCodeTable()) {
    if (row.centivolts == centivolts) return row.code;
  }
  return std::nullopt;
}

std::optional<int> BatteryCentivoltsForCode(std::uint8_t code) {
  for (const auto& row : BatteryCodeTable()) {
    if (row.code == code) return row.centivolts;
  }
  return std::nullopt;
}

IdentityBlock IdentityOf(const CodePlugImage& image) { return IdentityBlock(image.data() + kIdentity, kIdentitySize); }

SerialBlock SerialBlockOf(const CodePlugImage& image) {
  return SerialBlock(image.data() + kSerialNumber, kSerialBlockSize);
}

int FirmwareVersionNumber(IdentityBlock identity) {
  return 100 * identity[kFirmwareMajor] + 10 * identity[kFirmwareMinor] + identity[kFirmwarePatch];
}

bool IsBlankSerialBlock(SerialBlock block) {
  return std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == kBlank; });
}

std::uint16_t ComputeSerialChecksum(SerialBlock block) {
  std::uint16_t sum = 0;
  for (auto it = block.begin(); it != block.begin() + kSerialNumberLength; ++it) {
    sum = static_cast<std::uint16_t>(sum + *it);
  }
  return sum;
}

bool SerialBlockChecksumHolds(SerialBlock block) {
  const int stored = block[kSerialChecksum - kSerialNumber] << 8 | block[kSerialChecksum - kSerialNumber + 1];
  return ComputeSerialChecksum(block) == stored;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string SerialBlockText(SerialBlock block) {
  std::string text;
  for (int i = 0; i < kSerialNumberLength; ++i) {
    const std::uint8_t character = block[static_cast<std::size_t>(i)];
    if (character == 0x00 || character == kBlank) break;
    text.push_back(static_cast<char>(character));
  }
  return text;
}

std::optional<std::string> SerialNumberText(const CodePlugImage& image) {
  const SerialBlock block = SerialBlockOf(image);
  if (IsBlankSerialBlock(block)) return std::nullopt;
  // A fourteen-character number has no terminator; its checksum bytes are not text.
  const auto last = std::find(block.begin(), block.begin() + kSerialNumberLength, 0);
  return std::string(block.begin(), last);
}

std::uint16_t ComputeSerialChecksum(const CodePlugImage& image) { return ComputeSerialChecksum(SerialBlockOf(image)); }

std::string FirmwareText(const CodePlugImage& image) {
  return std::to_string(image[kFirmwareMajor]) + "." + std::to_string(image[kFirmwareMinor]) + "." +
         std::to_string(image[kFirmwarePatch]);
}

}  // namespace zt310
