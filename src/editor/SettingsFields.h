// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the settings pages' fields.
#pragma once

#include <cmath>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "editor/EditorModel.h"

namespace zt310::editor::settings {

inline std::string Indexed(const char* prefix, int index) { return prefix + std::to_string(index); }

// A field's text as a number; text that is not a plain decimal number (pasted
// rather than typed) gives nothing, and the field treats it like a value out
// of range.
inline std::optional<double> FieldNumber(const std::string& text) { return ParseNumber(Trimmed(text)); }

// A whole number, as the digits-only fields hold. A pasted run of digits can
// be far past any integer type, so the size is checked before the number is
// narrowed.
inline std::optional<long> FieldWholeNumber(const std::string& text) {
  const auto value = FieldNumber(text);
  if (!value || *value > 1e9 || *value != std::floor(*value)) return std::nullopt;
  return static_cast<long>(*value);
}

inline std::string RangeMessage(const std::string& low, const std::string& high) {
  return "Please insert a number between " + low + " to " + high;
}
inline std::string RangeMessage(long low, long high) { return RangeMessage(std::to_string(low), std::to_string(high)); }

inline constexpr const char* kHalfSecondMessage = "The interval is 0.5 second.";

// A multiple of 0.5 as the half-second fields accept it: a whole number, or
// one whose value rounded to one decimal is its whole part plus 0.5.
inline double RoundedToTenths(double value) { return static_cast<double>(static_cast<long>(value * 10.0 + 0.5)) / 10.0; }
inline bool IsHalfSecondStep(double value) {
  const double whole = static_cast<double>(static_cast<long>(value));
  return value == whole || RoundedToTenths(value) == whole + 0.5;
}
// The half-second count stored for an accepted value. A pasted 8.49 passes
// the step test as 8.5 and is shown as "8.5", so it is stored as 17, not 16.
inline int HalfSeconds(double value) { return static_cast<int>(RoundedToTenths(value) * 2.0 + 0.5); }

inline long Hundredths(double volts) { return static_cast<long>(volts * 100.0 + 0.5); }

}  // namespace zt310::editor::settings

namespace zt310::editor::settings {

inline Control MakeEdit(const std::string& name, const std::string& parent, KeyFilter filter) {
  Control c;
  c.name = name;
  c.kind = ControlKind::Edit;
  c.parent = parent;
  c.filter = std::move(filter);
  return c;
}

// A fixed list's items from the texts the image's index refers to.
template <typename Texts>
std::vector<std::string> ListTexts(const Texts& texts) {
  return std::vector<std::string>(std::begin(texts), std::end(texts));
}

inline Control MakeList(const std::string& name, const std::string& parent, std::vector<std::string> items,
                        int selected = -1) {
  Control c;
  c.name = name;
  c.kind = ControlKind::List;
  c.parent = parent;
  c.items = std::move(items);
  c.selected = selected;
  if (selected >= 0) c.text = c.items[static_cast<std::size_t>(selected)];
  return c;
}

inline Control MakeCheck(const std::string& name, const std::string& parent, const std::string& caption) {
  Control c;
  c.name = name;
  c.kind = ControlKind::Check;
  c.parent = parent;
  c.text = caption;
  return c;
}

inline Control MakeLabel(const std::string& name, const std::string& parent, const std::string& text) {
  Control c;
  c.name = name;
  c.kind = ControlKind::Label;
  c.parent = parent;
  c.text = text;
  return c;
}

}  // namespace zt310::editor::settings
