// SPDX-License-Identifier: GPL-3.0-or-later
// Bytes and words in hexadecimal, capital digits, as every listing, trace,
// message and code-plug text of the tool shows them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zt310 {

// "4F"
std::string HexByte(std::uint8_t byte);
// "004F"
std::string HexWord(std::uint16_t word);
// "4F 00 12"
std::string SpacedHex(std::span<const std::uint8_t> bytes);

}  // namespace zt310
