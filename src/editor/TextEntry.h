// An edit field filled as a user fills it from the keyboard: entering clears
// it, each key goes through the field's filter, and leaving commits it. The
// window's tests, the editor's tests and "zt310 set" all type this way.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "editor/EditorModel.h"

namespace zt310::editor {

// What happens to a key the field's filter drops without a message.
enum class DroppedKey {
  Skip,    // as on a keyboard: nothing, typing goes on
  Refuse,  // the field is left empty (its stored value stays) and typing stops
};

struct TypingResult {
  bool committed = true;                  // the last commit of the field accepted
  std::optional<std::size_t> refusedKey;  // with DroppedKey::Refuse: where in TEXT the dropped key is
};

// Enters NAME, types TEXT key by key and leaves. A key that sends the focus
// away (Enter, a full pattern field) commits the field; keys after that go
// nowhere unless the commit was refused and the focus came back.
TypingResult TypeInto(EditorModel& model, const std::string& name, const std::string& text,
                      DroppedKey dropped = DroppedKey::Skip);

}  // namespace zt310::editor
