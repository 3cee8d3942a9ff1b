#pragma once

#include "editor/EditorModel.h"

namespace zt310::editor {

class ChannelPages : public EditorPart {
 public:
  void Register(EditorModel& model) override;
};

}  // namespace zt310::editor
