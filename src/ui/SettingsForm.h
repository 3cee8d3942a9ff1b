// SPDX-License-Identifier: GPL-3.0-or-later
// Building blocks of the Setting, System and Advance Setting pages: model
// widgets with their captions and unit labels laid out in aligned grids.
// Each form row is a small struct; the pages lay them out in loops.
#pragma once

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <functional>
#include <span>
#include <string>

#include "ui/Pages.h"

namespace zt310::ui::form {

inline constexpr int kEditWidth = 64;
inline constexpr int kRowSpacing = 5;

// One labelled line of a form: caption, the model control, its unit label.
// A timing unit (0 to 5) places the model's overlapping "x 100 ms" and
// "x 50 ms" labels of that number in the unit column instead of a plain unit.
struct FieldRow {
  const char* caption;
  std::string control;
  int width;  // 0: the control's natural width
  const char* unit = "";
  int timingUnit = -1;
};

// A model control as a widget (object name, items, hint), at a fixed width
// when width > 0.
QWidget* ModelWidget(const PageContext& context, const std::string& name, QWidget* parent, int width = 0);

// A caption beside a control; it shows the control's hint as its tooltip too.
QLabel* Caption(const PageContext& context, const QString& text, const std::string& control, QWidget* parent);

QGridLayout* Grid(QWidget* owner, int margin = 8);

// The page context whose focus-sink commit serves the mouse-over rule of one
// page. A refused field keeps the focus and its text; committing it again on
// every further mouse move would repeat the same message without end, so the
// mouse-over waits until the text changes. A commit in progress (it processes
// pending events, further mouse moves among them) is not started twice.
PageContext MouseOverContext(const PageContext& context);

// A group box whose background commits the field being edited when the
// mouse moves over it.
QGroupBox* Group(const PageContext& context, const QString& title, const QString& objectName, QWidget* parent);

// Adds the rows at grid columns column (caption), column + 1 (control) and
// column + 2 (unit; a control without one may span it), starting at
// firstRow. Returns the next free row.
int AddFieldRows(const PageContext& context, QGridLayout* grid, QWidget* parent, std::span<const FieldRow> rows,
                 int firstRow = 0, int column = 0);

// Puts the model's two timing unit labels of number n into one grid cell;
// the binder shows the one in front.
void AddTimingUnit(const PageContext& context, QGridLayout* grid, QWidget* parent, int n, int row, int column);

// Runs action when the widget is clicked with the left button (labels).
void OnClick(QWidget* widget, std::function<void()> action);

}  // namespace zt310::ui::form
