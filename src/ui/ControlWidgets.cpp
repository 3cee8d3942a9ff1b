// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ControlWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace zt310::ui {

using editor::ControlKind;

QWidget* CreateControlWidget(const editor::EditorModel& model, const std::string& name, QWidget* parent) {
  const editor::Control& control = model.At(name);
  const QString text = QString::fromStdString(control.text);
  QWidget* widget = nullptr;
  switch (control.kind) {
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(parent);
      edit->setMaximumWidth(90);
      widget = edit;
      break;
    }
    case ControlKind::List: {
      auto* combo = new QComboBox(parent);
      for (const auto& item : control.items) combo->addItem(QString::fromStdString(item));
      widget = combo;
      break;
    }
    case ControlKind::Check:
      widget = new QCheckBox(text, parent);
      break;
    case ControlKind::Radio:
      widget = new QRadioButton(text, parent);
      break;
    case ControlKind::Label:
      widget = new QLabel(text, parent);
      break;
    case ControlKind::Group:
      widget = new QGroupBox(text, parent);
      break;
    case ControlKind::Panel:
    case ControlKind::Page:
      widget = new QWidget(parent);
      break;
  }
  widget->setObjectName(QString::fromStdString(name));
  if (!control.hint.empty()) widget->setToolTip(QString::fromStdString(control.hint));
  return widget;
}

}  // namespace zt310::ui
