// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/TextEntry.h"

namespace zt310::editor {

TypingResult TypeInto(EditorModel& model, const std::string& name, const std::string& text, DroppedKey dropped) {
  TypingResult result;
  model.Enter(name);
  bool committedSinceLastKey = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (model.Focus() != name) {
      // The field was left for good: the rest of TEXT goes nowhere.
      for (std::size_t j = i; j < text.size(); ++j) result.droppedKeys.push_back(j);
      break;
    }
    if (!model.Key(name, text[i])) result.droppedKeys.push_back(i);
    result.received = model.At(name).text;
    committedSinceLastKey = false;
    if (model.Focus() != name) {
      result.committed = model.Leave(name);
      committedSinceLastKey = true;
    }
  }
  if (model.Focus() == name && !committedSinceLastKey) {
    result.received = model.At(name).text;
    // A script wants all of TEXT or nothing: a cut value is never committed.
    if (dropped == DroppedKey::Refuse && !result.droppedKeys.empty()) model.SetText(name, "");
    model.SetFocus(kFocusSink);
    result.committed = model.Leave(name);
  }
  return result;
}

}  // namespace zt310::editor
