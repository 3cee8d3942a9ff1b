// SPDX-License-Identifier: GPL-3.0-or-later
// An edit field filled as a user fills it from the keyboard: entering clears
// it, each key goes through the field's filter, and leaving commits it. The
// window's tests, the editor's tests and "zt310 set" all type this way.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "editor/EditorModel.h"

namespace zt310::editor {

// What happens to a key the field's filter drops, with or without a message.
enum class DroppedKey {
  Skip,    // as on a keyboard: nothing, typing goes on and the rest is committed
  Refuse,  // typing goes on to the end, but when any key was dropped the field
           // is left empty (its stored value stays) instead of committing the rest
};

struct TypingResult {
  bool committed = true;  // the last commit of the field accepted
  // Where in TEXT the keys are that the field did not take: dropped by its
  // filter, or typed after a key had sent the focus away for good.
  std::vector<std::size_t> droppedKeys;
  // The field's text just before it was left (what it received).
  std::string received;
};

// Enters NAME, types TEXT key by key and leaves. A key that sends the focus
// away (Enter, a full pattern field) commits the field; keys after that go
// nowhere unless the commit was refused and the focus came back.
TypingResult TypeInto(EditorModel& model, const std::string& name, const std::string& text,
                      DroppedKey dropped = DroppedKey::Skip);

}  // namespace zt310::editor
