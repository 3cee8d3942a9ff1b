// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/SerialSources.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "link/Production.h"

namespace zt310 {

namespace {

// A list file is a few thousand lines at most; anything far larger is not one.
constexpr std::uintmax_t kMaxListBytes = 16 * 1024 * 1024;

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::size_t TrailingDigits(const std::string& serial) {
  std::size_t digits = 0;
  while (digits < serial.size() && serial[serial.size() - 1 - digits] >= '0' &&
         serial[serial.size() - 1 - digits] <= '9') {
    ++digits;
  }
  return digits;
}

// The first line of a refusal, without "Nothing was programmed."
std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

}  // namespace

std::optional<std::string> NextSerialNumber(const std::string& serial) {
  const std::size_t digits = TrailingDigits(serial);
  if (digits == 0) return std::nullopt;
  std::string next = serial;
  for (std::size_t i = next.size(); i-- > next.size() - digits;) {
    if (next[i] != '9') {
      ++next[i];
      return next;
    }
    next[i] = '0';
  }
  return std::nullopt;  // all nines: one more digit would change the width
}

SerialCounterPlan PlanSerialCounter(const std::string& start, long long count) {
  SerialCounterPlan plan;
  if (const auto refusal = SerialNumberRefusal(start)) {
    plan.refusal = "The counter cannot start at it: " + FirstLine(*refusal);
    return plan;
  }
  if (count < 1) {
    plan.refusal = "The counter needs a count of at least 1.";
    return plan;
  }
  const std::size_t digits = TrailingDigits(start);
  if (digits == 0) {
    plan.refusal = "The start value \"" + start + "\" ends in no decimal digit: there is nothing to count.";
    return plan;
  }
  plan.serials.reserve(static_cast<std::size_t>(std::min<long long>(count, 100000)));
  std::string serial = start;
  plan.serials.push_back(serial);
  for (long long i = 1; i < count; ++i) {
    const auto next = NextSerialNumber(serial);
    if (!next) {
      plan.serials.clear();
      plan.refusal = "The counter runs out: from \"" + start + "\" the " + std::to_string(digits) +
                     " trailing digits reach \"" + serial + "\" after " + std::to_string(i) + " of " +
                     std::to_string(count) + " numbers.";
      return plan;
    }
    serial = *next;
    plan.serials.push_back(serial);
  }
  return plan;
}

SerialListFile ReadSerialList(const std::filesystem::path& path) {
  SerialListFile list;
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) {
    list.refusal = "Cannot read the serial number list \"" + path.string() + "\": " + error.message() + ".";
    return list;
  }
  if (size > kMaxListBytes) {
    list.refusal = "The serial number list \"" + path.string() + "\" is larger than 16 MiB: it is not a list.";
    return list;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    list.refusal = "Cannot read the serial number list \"" + path.string() + "\".";
    return list;
  }
  std::set<std::string> seen;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::string serial = Trim(line);
    if (serial.empty()) continue;
    const std::string where = path.string() + ":" + std::to_string(number) + ": ";
    if (const auto refusal = SerialNumberRefusal(serial)) {
      list.serials.clear();
      list.refusal = where + FirstLine(*refusal);
      return list;
    }
    if (!seen.insert(serial).second) {
      list.serials.clear();
      list.refusal = where + "the serial number \"" + serial + "\" is in the list twice.";
      return list;
    }
    list.serials.push_back(serial);
  }
  if (list.serials.empty()) list.refusal = "The serial number list \"" + path.string() + "\" holds no serial number.";
  return list;
}

}  // namespace zt310
