// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/ProgrammingFrame.h"

#include <algorithm>
#include <stdexcept>

namespace zt310 {

namespace {

void AppendWord(std::vector<std::uint8_t>& bytes, std::uint16_t word) {
  bytes.push_back(static_cast<std::uint8_t>(word >> 8));
  bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

std::vector<BlockRange> BuildWritePlan() {
  std::vector<BlockRange> plan;
  for (int offset = 0; offset < layout::kSerialNumber; offset += 32) plan.push_back({offset, 32});
  plan.push_back({layout::kCallOptions[0], 64});
  plan.push_back({layout::kImageChecksum, 16});
  return plan;
}

std::uint16_t ReadWord(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

void CheckRange(int offset, int count) {
  if (offset < 0 || count < 0 || count > kMaxBlockSize || offset + count > static_cast<int>(layout::kImageSize)) {
    throw std::out_of_range("block outside the pager memory");
  }
}

}  // namespace

std::uint16_t SumBytes(std::span<const std::uint8_t> bytes) {
  std::uint16_t sum = 0;
  for (const std::uint8_t b : bytes) sum = static_cast<std::uint16_t>(sum + b);
  return sum;
}

ProgrammingFrame ProgrammingFrame::Request(std::uint8_t address, std::uint8_t command,
                                           std::span<const std::uint8_t> payload) {
  std::vector<std::uint8_t> bytes(kFramePreamble.begin(), kFramePreamble.end());
  bytes.push_back(address);
  bytes.push_back(command);
  bytes.push_back(static_cast<std::uint8_t>(payload.size()));
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  AppendWord(bytes, SumBytes(std::span(bytes).subspan(kPreambleSize)));
  return ProgrammingFrame(std::move(bytes));
}

ProgrammingFrame ProgrammingFrame::ReadRequest(int offset, int count, std::uint8_t address) {
  CheckRange(offset, count);
  const std::uint8_t payload[] = {static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset & 0xFF),
                                  static_cast<std::uint8_t>(count)};
  return Request(address, kCommandRead, payload);
}

ProgrammingFrame ProgrammingFrame::WriteRequest(const CodePlugImage& image, int offset, int count) {
  CheckRange(offset, count);
  std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset & 0xFF)};
  payload.insert(payload.end(), image.data() + offset, image.data() + offset + count);
  return Request(kMemoryAddress, kCommandWrite, payload);
}

ProgrammingFrame ProgrammingFrame::TestRequest(std::uint8_t command, std::uint8_t p1, std::uint8_t p2,
                                               std::uint8_t p3) {
  const std::uint8_t payload[] = {p1, p2, p3};
  return Request(kTestAddress, command, payload);
}

bool IsValidReadReply(std::span<const std::uint8_t> reply, int count) {
  if (count < 0 || reply.size() != static_cast<std::size_t>(ReadReplySize(count))) return false;
  const std::size_t sumEnd = static_cast<std::size_t>(kFrameHeaderSize + count);
  return SumBytes(reply.subspan(kPreambleSize, sumEnd - kPreambleSize)) == ReadWord(reply, sumEnd);
}

const std::array<std::uint8_t, kWriteAckSize>& WriteAcknowledgement() {
  static const std::array<std::uint8_t, kWriteAckSize> ack = [] {
    std::array<std::uint8_t, kWriteAckSize> bytes{};
    std::copy(kFramePreamble.begin(), kFramePreamble.end(), bytes.begin());
    const std::uint8_t tail[] = {0x33, 0x53, 0x01, 0x06, 0x00, 0x8D};
    std::copy(std::begin(tail), std::end(tail), bytes.begin() + kPreambleSize);
    return bytes;
  }();
  return ack;
}

bool IsWriteAcknowledgement(std::span<const std::uint8_t> reply) {
  const auto& ack = WriteAcknowledgement();
  return std::equal(reply.begin(), reply.end(), ack.begin(), ack.end());
}

ProgrammingFrame BuildReadReply(std::span<const std::uint8_t> memory, int offset, int count) {
  CheckRange(offset, count);
  const auto data = memory.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
  return ProgrammingFrame::Request(kMemoryAddress, kCommandRead, data);
}

std::optional<ParsedRequest> ParseRequest(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < static_cast<std::size_t>(kFrameOverhead)) return std::nullopt;
  if (!std::equal(kFramePreamble.begin(), kFramePreamble.end(), bytes.begin())) return std::nullopt;
  const std::size_t length = bytes[12];
  const std::size_t total = kFrameOverhead + length;
  if (bytes.size() < total) return std::nullopt;
  const std::size_t sumEnd = kFrameHeaderSize + length;
  if (SumBytes(bytes.subspan(kPreambleSize, sumEnd - kPreambleSize)) != ReadWord(bytes, sumEnd)) return std::nullopt;
  ParsedRequest request;
  request.address = bytes[10];
  request.command = bytes[11];
  request.payload.assign(bytes.begin() + kFrameHeaderSize, bytes.begin() + static_cast<long>(sumEnd));
  return request;
}

const std::vector<BlockRange>& WriteBlockPlan() {
  static const std::vector<BlockRange> plan = BuildWritePlan();
  return plan;
}

const std::vector<BlockRange>& ReadBlockPlan() {
  static const std::vector<BlockRange> plan = {{0, 128}, {128, 128}, {256, 128}, {384, 128}};
  return plan;
}

int PlanBytes(const std::vector<BlockRange>& plan) {
  int total = 0;
  for (const BlockRange& block : plan) total += block.count;
  return total;
}

}  // namespace zt310
