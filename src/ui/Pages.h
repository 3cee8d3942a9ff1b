// SPDX-License-Identifier: GPL-3.0-or-later
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

// The mouse-over commit of the field being edited. A refused field keeps the
// focus and the typed text; committing it again on every further mouse move
// would repeat the same message without end, so the commit waits until the
// text changes. The commit processes pending events, among them further
// mouse moves, which must not start a second commit meanwhile.
class MouseOverCommit {
 public:
  MouseOverCommit(editor::EditorModel& model, std::function<void()> commit)
      : model_(model), commit_(std::move(commit)) {}
  // Commits unless that would repeat a refusal; true when nothing was refused.
  bool Commit();

 private:
  editor::EditorModel& model_;
  std::function<void()> commit_;
  std::string refusedField_;
  std::string refusedText_;
  bool committing_ = false;
};

// Runs the focus-sink commit when the mouse moves over a widget (a group
// background or a panel of a page).
void CommitOnMouseOver(QWidget* widget, const PageContext& context);

}  // namespace zt310::ui
