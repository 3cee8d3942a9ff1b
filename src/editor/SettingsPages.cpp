#include "editor/SettingsPages.h"

namespace zt310::editor {

void SettingsPages::Register(EditorModel& /*model*/) {}

}  // namespace zt310::editor
