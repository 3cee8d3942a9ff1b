// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/PartialWrite.h"

namespace zt310 {

std::string ByteRunsText(const std::vector<std::pair<int, int>>& blocks) {
  std::vector<std::pair<int, int>> runs;  // first and last byte
  for (const auto& [offset, count] : blocks) {
    if (!runs.empty() && runs.back().second + 1 == offset) {
      runs.back().second = offset + count - 1;
    } else {
      runs.emplace_back(offset, offset + count - 1);
    }
  }
  std::string text = "bytes ";
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (i > 0) text += i + 1 == runs.size() ? " and " : ", ";
    text += std::to_string(runs[i].first) + " to " + std::to_string(runs[i].second);
  }
  return text;
}

std::string PartlyWrittenText(const PartialWrite& partial) {
  const auto blocks = [](std::size_t n) { return std::to_string(n) + (n == 1 ? " block" : " blocks"); };
  const std::size_t wentIn = partial.wentIn.size();
  std::string text;
  if (wentIn == 0) {
    text = "The pager may be partly written: no block was acknowledged";
  } else if (static_cast<int>(wentIn) == partial.blocksTotal) {
    text = "Every block went in";
  } else {
    text = "The pager is now partly written: " + std::to_string(wentIn) + " of " + blocks(partial.blocksTotal) +
           " went in (" + ByteRunsText(partial.wentIn) + ")";
  }
  if (partial.lastNotChecked && wentIn > 0) {
    text += ", but " + ByteRunsText({partial.wentIn.back()}) +
            (partial.lastDiffers ? " did not read back as written" : " could not be read back to check them");
  }
  if (partial.uncertain) text += "; the write of " + ByteRunsText({*partial.uncertain}) + " may have gone in too";
  text += ".\n";
  if (static_cast<int>(wentIn) == partial.blocksTotal) {
    text += "Its memory is not known to be right: it may not work as it should.";
  } else {
    text += "Its checksum (bytes 496 and 497) is now wrong: it holds neither its old setup nor the new one.";
  }
  return text;
}

}  // namespace zt310
