// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a pager's reply: read-reply and acknowledgement validation
// must never read outside the reply, and must agree with the frames the
// cradle really builds.
#include <algorithm>
#include <cstdlib>
#include <span>

#include "protocol/ProgrammingFrame.h"

using namespace zt310;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The reply itself, alone in its buffer so that reading past it is caught.
  const std::span<const std::uint8_t> reply(data, size);

  for (int count : {-1, 0, 1, 3, 16, 127, 128, 255, static_cast<int>(size) - kFrameOverhead}) {
    const bool valid = IsValidReadReply(reply, count);
    if (valid && size != static_cast<std::size_t>(ReadReplySize(count))) std::abort();
  }

  const bool ack = IsWriteAcknowledgement(reply);
  const auto& fixed = WriteAcknowledgement();
  if (ack != (size == fixed.size() && std::equal(fixed.begin(), fixed.end(), data))) std::abort();

  // A reply the cradle builds for these bytes as memory always validates.
  if (size >= 1) {
    const int count = static_cast<int>(std::min<std::size_t>(size, kMaxBlockSize));
    std::vector<std::uint8_t> memory(layout::kImageSize, 0xFF);
    std::copy_n(data, count, memory.begin());
    const ProgrammingFrame built = BuildReadReply(memory, 0, count);
    if (!IsValidReadReply(built.bytes(), count)) std::abort();
  }
  return 0;
}
