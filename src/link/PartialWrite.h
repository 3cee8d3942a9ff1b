// SPDX-License-Identifier: GPL-3.0-or-later
// What a write that stopped part-way left in the pager, in words.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "link/OperationHost.h"

namespace zt310 {

// "bytes 0 to 415 and 432 to 495": the blocks as runs of offsets.
std::string ByteRunsText(const std::vector<std::pair<int, int>>& blocks);

// "The pager is now partly written: 5 of 17 blocks went in (bytes 0 to 159).
// Its checksum (bytes 496 and 497) is now wrong: ..." What to run next is
// the host's to say: it knows the port, the file and the backup.
std::string PartlyWrittenText(const PartialWrite& partial);

}  // namespace zt310
