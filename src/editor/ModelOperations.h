// SPDX-License-Identifier: GPL-3.0-or-later
// Operations on the whole editor model that reach several pages, for the
// window, the command line and the session.
#pragma once

#include "editor/EditorModel.h"

namespace zt310::editor {

// "Restore all factory settings" after the user said Yes: working spacing
// 12500 Hz for both channels, the factory image adapted to "One Channel",
// the switch-list memories of the variant in use reset, "x 50 ms" labels,
// controls refilled, `lblVersion` hidden. The caption and the save target
// belong to the window.
void RestoreFactorySettings(EditorModel& model);

// The timing unit labels of firmware VERSION (see SystemPageModel).
void SelectTimingUnitLabels(EditorModel& model, int version);

// `lblVersion` hidden and cleared (a pager operation starts or fails).
void HideFirmwareVersion(EditorModel& model);

}  // namespace zt310::editor
