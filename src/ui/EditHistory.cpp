// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EditHistory.h"

#include <QUndoCommand>

namespace zt310::ui {

class EditHistory::ImageStep : public QUndoCommand {
 public:
  ImageStep(EditHistory& history, CodePlugImage before, CodePlugImage after, int page)
      : history_(history), before_(std::move(before)), after_(std::move(after)), page_(page) {}

  void undo() override { history_.Apply(before_, page_); }
  void redo() override {
    if (history_.pushing_) return;  // pushed after the edit: the model holds it already
    history_.Apply(after_, page_);
  }
  void SetAfter(const CodePlugImage& image) { after_ = image; }

 private:
  EditHistory& history_;
  CodePlugImage before_;
  CodePlugImage after_;
  int page_;
};

EditHistory::EditHistory(editor::EditorModel& model, QObject* parent)
    : QObject(parent), model_(model), current_(model.image()) {
  connect(&stack_, &QUndoStack::cleanChanged, this, &EditHistory::UnsavedChanged);
}

// The stack says it is clean again as it goes; by then the window that
// listens is being destroyed, so nothing may reach it.
EditHistory::~EditHistory() { disconnect(&stack_, nullptr, this, nullptr); }

void EditHistory::Record(int page) {
  if (model_.image() == current_) return;
  pushing_ = true;
  stack_.push(new ImageStep(*this, current_, model_.image(), page));
  pushing_ = false;
  current_ = model_.image();
}

void EditHistory::Absorb() {
  if (model_.image() == current_) return;
  current_ = model_.image();
  if (stack_.index() > 0)
    static_cast<ImageStep*>(const_cast<QUndoCommand*>(stack_.command(stack_.index() - 1)))->SetAfter(current_);
  stack_.resetClean();
  emit UnsavedChanged();
}

void EditHistory::Reset() {
  stack_.clear();
  current_ = model_.image();
  emit UnsavedChanged();
}

void EditHistory::MarkSaved() {
  Absorb();
  stack_.setClean();
  emit UnsavedChanged();
}

void EditHistory::Undo() { stack_.undo(); }
void EditHistory::Redo() { stack_.redo(); }

void EditHistory::Apply(const CodePlugImage& image, int page) {
  model_.image() = image;
  model_.FillControlsFromImage();
  current_ = model_.image();  // refilling is no new step
  emit Applied(page);
}

}  // namespace zt310::ui
