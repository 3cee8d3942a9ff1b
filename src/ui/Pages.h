// The five pages of the main window. Each page owns its widgets and lays
// them out; the model binder ties them to the editor model by object name.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "editor/EditorModel.h"

namespace zt310::ui {

// What a page may ask of the main window.
struct PageContext {
  editor::EditorModel& model;
  // Moves the focus to edtNull so the field being edited commits (the
  // mouse-over rule of groups and panels).
  std::function<void()> commitByFocusSink;
  // Shows the reset-function help (the "Help" label of the Setting page).
  std::function<void()> showResetHelp;
  // Opens the tone table of the tone system for the recorded target (F9, double-click).
  std::function<void()> openToneTable;
};

// The widget shown in the page control for pageName ("tabChannelF1",
// "tabChannelF2", "tabSetting", "tabSystem", "tabAdvance").
QWidget* CreatePageWidget(const PageContext& context, const std::string& pageName, QWidget* parent);

// Runs the focus-sink commit when the mouse moves over a widget (a group
// background or a panel of a page).
void CommitOnMouseOver(QWidget* widget, const PageContext& context);

}  // namespace zt310::ui
