// SPDX-License-Identifier: GPL-3.0-or-later
// edtNull, the window's hidden focus sink: Enter in a field, a page change
// or the pointer over a group moves the focus here, so the field being
// edited commits. Tab from here goes on from the field that was left, and
// Undo and Redo are the window's, not this empty field's own.
#pragma once

#include <QLineEdit>
#include <QPointer>

namespace zt310::ui {

class FocusSink : public QLineEdit {
  Q_OBJECT

 public:
  explicit FocusSink(QWidget* parent);

 protected:
  bool event(QEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  QPointer<QWidget> left_;  // the field the focus came from
};

}  // namespace zt310::ui
