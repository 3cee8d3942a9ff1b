// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the settings pages' fields, and the base of the
// settings pages' classes (the Setting page, its function switches, the
// System and the Advance Setting page).
#pragma once

#include <cmath>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "editor/EditorModel.h"
#include "editor/FieldRange.h"

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

inline long Hundredths(double volts) { return static_cast<long>(volts * 100.0 + 0.5); }

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

// A byte the field shows as a whole number and stores as it is.
struct ByteField {
  const char* name;
  int offset;
  long low;
  long high;
  const char* title;
};

// The base of a settings page's class: the model it registers in and the
// field helpers its commits share.
class SettingsPage : public EditorPart {
 protected:
  EditorModel& model() { return *model_; }
  const EditorModel& model() const { return *model_; }
  CodePlugImage& image() { return model_->image(); }
  void Attach(EditorModel& model) { model_ = &model; }
  void AddControl(Control control) { model().Add(std::move(control)); }
  std::string Text(const std::string& name) const { return model().At(name).text; }
  double FieldNumberOr(const std::string& name, double fallback) const {
    return FieldNumber(Text(name)).value_or(fallback);
  }
  // The commit of a whole-number field: empty text re-shows the stored value,
  // a value out of range (or text that is no whole number) is refused with the
  // range message, `check` may refuse with its own message, then `store`.
  bool CommitWhole(const std::string& name, long low, long high, const std::function<void(long)>& store,
                   const std::function<void()>& reshow, const std::function<bool(long)>& check = {},
                   const std::string& title = kTitle);
  // An edit on PAGE that shows and stores FIELD's byte and does nothing else.
  void RegisterByteField(const ByteField& field, const char* page);

 private:
  EditorModel* model_ = nullptr;
};

// A settings page's tab.
void RegisterPageTab(EditorModel& model, const char* tab);

}  // namespace zt310::editor::settings
