// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/FieldRange.h"

#include <cstdio>

#include "codeplug/Decode.h"

namespace zt310::editor {

namespace {

std::string BoundText(const Bound& bound) {
  char format[8];
  std::snprintf(format, sizeof format, "%%.%df", bound.decimals);
  return FormatNumber(format, bound.value);
}

}  // namespace

std::string RangeMessage(const std::string& low, const std::string& high) {
  return "Please insert a number between " + low + " to " + high;
}

std::string FieldRange::Message() const { return RangeMessage(BoundText(low), BoundText(high)); }

}  // namespace zt310::editor
