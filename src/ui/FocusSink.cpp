// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FocusSink.h"

#include <QApplication>
#include <QKeyEvent>

#include "editor/EditorModel.h"

namespace zt310::ui {

FocusSink::FocusSink(QWidget* parent) : QLineEdit(parent) {
  setObjectName(editor::kFocusSink);
  setFrame(false);
  setFixedSize(1, 1);
  move(0, 0);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if (now == this && old && old != this && old->window() == window()) left_ = old;
  });
}

bool FocusSink::event(QEvent* event) {
  // A line edit keeps Undo and Redo for its own (always empty) text: left
  // unaccepted here, the window's shortcuts run.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
        key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y)) {
      return true;
    }
  }
  return QLineEdit::event(event);
}

bool FocusSink::focusNextPrevChild(bool next) {
  QWidget* from = left_;
  if (!from || !from->isVisible()) return QLineEdit::focusNextPrevChild(next);
  for (QWidget* to = next ? from->nextInFocusChain() : from->previousInFocusChain(); to && to != from;
       to = next ? to->nextInFocusChain() : to->previousInFocusChain()) {
    if (to != this && to->window() == window() && (to->focusPolicy() & Qt::TabFocus) && to->isEnabled() &&
        to->isVisible()) {
      to->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  }
  return QLineEdit::focusNextPrevChild(next);
}

}  // namespace zt310::ui
