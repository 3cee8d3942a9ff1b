// SPDX-License-Identifier: GPL-3.0-or-later
// Ties the window's widgets to the editor model by object name: the widgets
// show the model's control states, and the user's actions on them (entering
// and leaving a field, key presses, list picks, clicks) go to the model.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <string>

#include "editor/EditorModel.h"

namespace zt310::ui {

class ModelBinder : public QObject {
  Q_OBJECT

 public:
  ModelBinder(editor::EditorModel& model, QObject* parent = nullptr);

  // Binds every widget below root whose object name is a model control.
  void Bind(QWidget* root);
  // Shows the model in every bound widget.
  void Sync();
  QWidget* WidgetOf(const std::string& name) const;
  // Moves the keyboard focus to the focus sink, so the field being edited
  // commits. False when its commit refused (the focus went back to it).
  bool CommitByFocusSink();
  void SetFocusSink(QWidget* sink) { sink_ = sink; }

 signals:
  void ModelChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BindWidget(QWidget* widget, const std::string& name);
  void SyncWidget(const std::string& name, QWidget* widget);
  void AfterAction();
  void LeaveField(QWidget* widget, const std::string& name);
  // Commits a field the user was editing that has lost the focus without a
  // FocusOut the binder could act on.
  void LeaveStaleField();

  editor::EditorModel& model_;
  std::map<std::string, QPointer<QWidget>> widgets_;
  QPointer<QWidget> sink_;
  bool syncing_ = false;
  bool leaving_ = false;
  std::string entered_;  // the field the user is editing
};

}  // namespace zt310::ui
