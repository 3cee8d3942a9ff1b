// SPDX-License-Identifier: GPL-3.0-or-later
// Building widgets for editor-model controls.
#pragma once

#include <QWidget>
#include <string>

#include "editor/EditorModel.h"

namespace zt310::ui {

// A widget of the right kind for a model control, carrying its object name,
// caption, list items and hint.
QWidget* CreateControlWidget(const editor::EditorModel& model, const std::string& name, QWidget* parent);

}  // namespace zt310::ui
