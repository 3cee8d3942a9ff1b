#include "editor/TextEntry.h"

namespace zt310::editor {

TypingResult TypeInto(EditorModel& model, const std::string& name, const std::string& text, DroppedKey dropped) {
  TypingResult result;
  model.Enter(name);
  bool committedSinceLastKey = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (model.Focus() != name) break;
    const int messagesBefore = model.MessagesShown();
    const bool taken = model.Key(name, text[i]);
    // A key dropped silently would leave something else than TEXT in the
    // field unnoticed; a script wants to hear of it.
    if (!taken && dropped == DroppedKey::Refuse && model.MessagesShown() == messagesBefore) {
      model.SetText(name, "");
      model.SetFocus(kFocusSink);
      result.committed = model.Leave(name);
      result.refusedKey = i;
      return result;
    }
    committedSinceLastKey = false;
    if (model.Focus() != name) {
      result.committed = model.Leave(name);
      committedSinceLastKey = true;
    }
  }
  if (model.Focus() == name && !committedSinceLastKey) {
    model.SetFocus(kFocusSink);
    result.committed = model.Leave(name);
  }
  return result;
}

}  // namespace zt310::editor
