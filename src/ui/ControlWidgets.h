// Building widgets for editor-model controls.
#pragma once

#include <QWidget>
#include <string>

#include "editor/EditorModel.h"

namespace zt310::ui {

// A widget of the right kind for a model control, carrying its object name,
// caption, list items and hint.
QWidget* CreateControlWidget(const editor::EditorModel& model, const std::string& name, QWidget* parent);

// A plain page that lays out every model control below the page control
// `pageName`, containers as groups and panels. The dedicated pages replace
// it where they exist.
QWidget* CreateGenericPage(const editor::EditorModel& model, const std::string& pageName, QWidget* parent);

// The page a control lives on: its outermost container.
std::string PageOf(const editor::EditorModel& model, const std::string& name);

}  // namespace zt310::ui
