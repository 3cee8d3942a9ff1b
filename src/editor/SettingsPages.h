#pragma once

#include "editor/EditorModel.h"

namespace zt310::editor {

class SettingsPages : public EditorPart {
 public:
  void Register(EditorModel& model) override;
};

}  // namespace zt310::editor
