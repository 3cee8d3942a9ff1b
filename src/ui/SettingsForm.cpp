// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsForm.h"

#include <QEvent>
#include <QMouseEvent>
#include <memory>

#include "ui/ControlWidgets.h"

namespace zt310::ui::form {

namespace names = editor::names;

namespace {

class ClickFilter : public QObject {
 public:
  ClickFilter(QObject* parent, std::function<void()> action) : QObject(parent), action_(std::move(action)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        static_cast<QWidget*>(watched)->isEnabled() && action_) {
      action_();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

}  // namespace

QWidget* ModelWidget(const PageContext& context, const std::string& name, QWidget* parent, int width) {
  QWidget* widget = CreateControlWidget(context.model, name, parent);
  if (width > 0) {
    widget->setFixedWidth(width);
  } else {
    widget->setMaximumWidth(QWIDGETSIZE_MAX);
  }
  return widget;
}

QLabel* Caption(const PageContext& context, const QString& text, const std::string& control, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (!control.empty() && context.model.Has(control)) {
    label->setToolTip(QString::fromStdString(context.model.At(control).hint));
  }
  return label;
}

QGridLayout* Grid(QWidget* owner, int margin) {
  auto* grid = new QGridLayout(owner);
  grid->setContentsMargins(margin, margin, margin, margin);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(kRowSpacing);
  return grid;
}

PageContext MouseOverContext(const PageContext& context) {
  auto commit = std::make_shared<MouseOverCommit>(context.model, context.commitByFocusSink);
  PageContext guarded = context;
  guarded.commitByFocusSink = [commit] { commit->Commit(); };
  return guarded;
}

QGroupBox* Group(const PageContext& context, const QString& title, const QString& objectName, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  group->setObjectName(objectName);
  CommitOnMouseOver(group, context);
  return group;
}

void AddTimingUnit(const PageContext& context, QGridLayout* grid, QWidget* parent, int n, int row, int column) {
  for (const std::string& label : {names::HundredMsLabel(n), names::FiftyMsLabel(n)}) {
    grid->addWidget(ModelWidget(context, label, parent), row, column);
  }
}

int AddFieldRows(const PageContext& context, QGridLayout* grid, QWidget* parent, std::span<const FieldRow> rows,
                 int firstRow, int column) {
  int row = firstRow;
  for (const FieldRow& field : rows) {
    grid->addWidget(Caption(context, field.caption, field.control, parent), row, column);
    // A control without a unit may reach into the unit column (the long lists).
    const bool hasUnit = field.timingUnit >= 0 || *field.unit;
    grid->addWidget(ModelWidget(context, field.control, parent, field.width), row, column + 1, 1, hasUnit ? 1 : 2,
                    Qt::AlignLeft);
    if (field.timingUnit >= 0) {
      AddTimingUnit(context, grid, parent, field.timingUnit, row, column + 2);
    } else if (*field.unit) {
      grid->addWidget(new QLabel(field.unit, parent), row, column + 2);
    }
    ++row;
  }
  return row;
}

void OnClick(QWidget* widget, std::function<void()> action) {
  widget->installEventFilter(new ClickFilter(widget, std::move(action)));
}

}  // namespace zt310::ui::form
