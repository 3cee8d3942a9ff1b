// SPDX-License-Identifier: GPL-3.0-or-later
// The range a number field accepts and the message that refuses a value
// outside it ("Please insert a number between 1 to 127.5"), made from the
// same bounds.
#pragma once

#include <string>

namespace zt310::editor {

// The range of a number field and the message that refuses a value outside
// it, both made from the same two bounds. A bound keeps the decimals the
// message shows ("1" to "127.5").
struct Bound {
  double value;
  int decimals = 0;
};
struct FieldRange {
  Bound low;
  Bound high;
  bool Contains(double value) const { return value >= low.value && value <= high.value; }
  std::string Message() const;
};
std::string RangeMessage(const std::string& low, const std::string& high);
inline std::string RangeMessage(long low, long high) { return RangeMessage(std::to_string(low), std::to_string(high)); }

}  // namespace zt310::editor
