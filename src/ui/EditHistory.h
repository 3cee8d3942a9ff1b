// SPDX-License-Identifier: GPL-3.0-or-later
// The window's edit history: whole-image steps of the user's committed
// edits on a QUndoStack. Its clean state is the unsaved mark: clean is what
// was last opened, saved or read.
#pragma once

#include <QObject>
#include <QUndoStack>

#include "editor/EditorModel.h"

namespace zt310::ui {

class EditHistory : public QObject {
  Q_OBJECT

 public:
  EditHistory(editor::EditorModel& model, QObject* parent);
  ~EditHistory() override;

  QUndoStack& Stack() { return stack_; }
  // A new step when the model's image differs from the last step; PAGE is
  // the page the edit was made on, shown again by its undo and redo.
  void Record(int page);
  // What an operation put into the image is no edit of the user's: it
  // becomes part of the current step, and it is not saved.
  void Absorb();
  // A fresh start (opened, read, factory settings): no steps, nothing unsaved.
  void Reset();
  // Saved: the image now is clean.
  void MarkSaved();
  bool Unsaved() const { return !stack_.isClean(); }
  void Undo();
  void Redo();

 signals:
  // An undo or redo put a step's image into the model, edited on PAGE.
  void Applied(int page);
  void UnsavedChanged();

 private:
  class ImageStep;
  void Apply(const CodePlugImage& image, int page);

  editor::EditorModel& model_;
  QUndoStack stack_;
  CodePlugImage current_;  // the image after the last step
  bool pushing_ = false;
};

}  // namespace zt310::ui
