// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SettingsFields.h"

namespace zt310::editor::settings {

void RegisterPageTab(EditorModel& model, const char* tab) {
  Control c;
  c.name = tab;
  c.kind = ControlKind::Page;
  c.parent = model.Has(names::kPageControl) ? names::kPageControl : "";
  model.Add(c);
}

bool SettingsPage::CommitWhole(const std::string& name, long low, long high, const std::function<void(long)>& store,
                               const std::function<void()>& reshow, const std::function<bool(long)>& check,
                               const std::string& title) {
  if (Trimmed(Text(name)).empty()) {
    reshow();
    return true;
  }
  const auto value = FieldWholeNumber(Text(name));
  if (!value || *value < low || *value > high) {
    model().Warn(RangeMessage(low, high), title);
    return false;
  }
  if (check && !check(*value)) return false;
  store(*value);
  return true;
}

void SettingsPage::RegisterByteField(const ByteField& field, const char* page) {
  AddControl(MakeEdit(field.name, page, DigitsOnlyFilter()));
  model().SetHandlers(field.name,
                      {{},
                       [this, field] {
                         return CommitWhole(
                             field.name, field.low, field.high,
                             [this, field](long v) { image()[field.offset] = static_cast<std::uint8_t>(v); },
                             [this, field] { model().SetText(field.name, std::to_string(image()[field.offset])); }, {},
                             field.title);
                       },
                       {}});
}

}  // namespace zt310::editor::settings
