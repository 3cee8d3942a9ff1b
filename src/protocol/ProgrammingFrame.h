// SPDX-License-Identifier: GPL-3.0-or-later
// Requests and replies exchanged with the programming cradle. Every request
// is the preamble "Marlowtide", an address, a command, a payload length, the
// payload and a 16-bit big-endian sum of everything after the preamble.
// Plain C++ so that the pager simulator builds its replies from it too.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "codeplug/CodePlugImage.h"

namespace zt310 {

inline constexpr std::string_view kFramePreamble = "Marlowtide";
inline constexpr int kPreambleSize = 10;
inline constexpr int kFrameHeaderSize = 13;  // preamble, address, command, length
inline constexpr int kFrameOverhead = 15;    // header plus the two checksum bytes
inline constexpr int kMaxBlockSize = 128;

inline constexpr std::uint8_t kMemoryAddress = 0x33;
inline constexpr std::uint8_t kTestAddress = 0x3B;

inline constexpr std::uint8_t kCommandRead = 0x52;   // 'R'
inline constexpr std::uint8_t kCommandWrite = 0x53;  // 'S'
inline constexpr std::uint8_t kCommandVibratorOn = 0x01;
inline constexpr std::uint8_t kCommandVibratorOff = 0x02;
inline constexpr std::uint8_t kCommandAlertOn = 0x03;
inline constexpr std::uint8_t kCommandAlertOff = 0x04;

// A test frame's command and its three payload bytes.
using TestCommand = std::array<std::uint8_t, 4>;
// The alert test: the alert of an earlier test is stopped first, so that the
// pager never sounds two; "on" then sounds call (1 to 12) of channel (1 F1, 2 F2).
inline std::vector<TestCommand> AlertTestCommands(bool on, int channel = 1, int call = 1) {
  std::vector<TestCommand> commands{{kCommandAlertOff, 0, 0, 0}};
  if (on) commands.push_back({kCommandAlertOn, static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(call), 0});
  return commands;
}

inline constexpr int kWriteAckSize = 16;

// Named reads of the operations.
struct BlockRange {
  int offset;
  int count;
};
inline constexpr BlockRange kProbeBlock{0, 0};
inline constexpr BlockRange kIdentityBlock{layout::kIdentity, layout::kIdentitySize};
inline constexpr BlockRange kBandwidthBlock{128, 16};
inline constexpr BlockRange kSerialNumberBlock{layout::kSerialNumber, layout::kSerialBlockSize};

// Write and Verify skip the serial number (416 to 431): an interactive
// Write never changes it in the pager.
const std::vector<BlockRange>& WriteBlockPlan();
// The whole image in four blocks of 128.
const std::vector<BlockRange>& ReadBlockPlan();
int PlanBytes(const std::vector<BlockRange>& plan);

// 16-bit sum, modulo 65536.
std::uint16_t SumBytes(std::span<const std::uint8_t> bytes);

class ProgrammingFrame {
 public:
  ProgrammingFrame() = default;
  explicit ProgrammingFrame(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  // Preamble, address, command, length, payload, checksum over bytes 10 on.
  static ProgrammingFrame Request(std::uint8_t address, std::uint8_t command, std::span<const std::uint8_t> payload);
  static ProgrammingFrame ReadRequest(int offset, int count, std::uint8_t address = kMemoryAddress);
  // Carries image bytes offset .. offset + count - 1.
  static ProgrammingFrame WriteRequest(const CodePlugImage& image, int offset, int count);
  static ProgrammingFrame TestRequest(std::uint8_t command, std::uint8_t p1, std::uint8_t p2, std::uint8_t p3);

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  const std::uint8_t* data() const { return bytes_.data(); }
  int size() const { return static_cast<int>(bytes_.size()); }
  bool operator==(const ProgrammingFrame&) const = default;

 private:
  std::vector<std::uint8_t> bytes_;
};

// Length of the reply the cradle sends to a read of count bytes.
constexpr int ReadReplySize(int count) { return count + kFrameOverhead; }

// A read reply holds: its checksum (bytes 13 + count and 14 + count) equals
// the sum of bytes 10 to 12 + count. Nothing else of the header is relied on.
bool IsValidReadReply(std::span<const std::uint8_t> reply, int count);

// The fixed 16 bytes that acknowledge a write.
const std::array<std::uint8_t, kWriteAckSize>& WriteAcknowledgement();
bool IsWriteAcknowledgement(std::span<const std::uint8_t> reply);

// The cradle's side, for the simulator and tests.
ProgrammingFrame BuildReadReply(std::span<const std::uint8_t> memory, int offset, int count);

struct ParsedRequest {
  std::uint8_t address = 0;
  std::uint8_t command = 0;
  std::vector<std::uint8_t> payload;
};
// The request at the start of bytes when it is whole and its checksum holds.
std::optional<ParsedRequest> ParseRequest(std::span<const std::uint8_t> bytes);

}  // namespace zt310
