// SPDX-License-Identifier: GPL-3.0-or-later
// Where a production station takes its serial numbers from besides the
// scanner: a list file, one number a line, or a counter that counts the
// trailing decimal digits of a start value up, keeping their width. Both
// are checked whole before the first pager is programmed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zt310 {

// The number after serial: its trailing decimal digits plus one, width
// kept ("AB0000001099" -> "AB0000001100"); nothing when it has no trailing
// digit or they are all nines.
std::optional<std::string> NextSerialNumber(const std::string& serial);

// count numbers from start on. Refused, with the reason, when start is not
// a valid serial number, has no trailing digits, count is below 1, or the
// digits would run out before the last one.
struct SerialCounterPlan {
  std::vector<std::string> serials;
  std::string refusal;  // empty when the plan holds
};
SerialCounterPlan PlanSerialCounter(const std::string& start, long long count);

// The serial numbers of a list file, one a line (blank lines and blanks
// around a number are skipped, CR/LF line ends taken). Refused, naming the
// line, when one is not a valid serial number or repeats an earlier one.
struct SerialListFile {
  std::vector<std::string> serials;
  std::string refusal;
};
SerialListFile ReadSerialList(const std::filesystem::path& path);

// Hands the numbers out in order; each is handed out once.
class SerialQueue {
 public:
  SerialQueue() = default;
  explicit SerialQueue(std::vector<std::string> serials) : serials_(std::move(serials)) {}
  std::optional<std::string> Next() {
    if (next_ >= serials_.size()) return std::nullopt;
    return serials_[next_++];
  }
  std::size_t Remaining() const { return serials_.size() - next_; }
  std::size_t Used() const { return next_; }

 private:
  std::vector<std::string> serials_;
  std::size_t next_ = 0;
};

}  // namespace zt310
