#include "editor/ChannelPages.h"

namespace zt310::editor {

void ChannelPages::Register(EditorModel& /*model*/) {}

}  // namespace zt310::editor
