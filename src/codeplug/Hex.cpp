// SPDX-License-Identifier: GPL-3.0-or-later
#include "codeplug/Hex.h"

namespace zt310 {

namespace {
constexpr const char* kDigits = "0123456789ABCDEF";
}  // namespace

std::string HexByte(std::uint8_t byte) { return {kDigits[byte >> 4], kDigits[byte & 15]}; }

std::string HexWord(std::uint16_t word) {
  return HexByte(static_cast<std::uint8_t>(word >> 8)) + HexByte(static_cast<std::uint8_t>(word & 0xFF));
}

std::string SpacedHex(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  for (const std::uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += HexByte(byte);
  }
  return text;
}

}  // namespace zt310
