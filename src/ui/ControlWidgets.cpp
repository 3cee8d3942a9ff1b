#include "ui/ControlWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <map>

namespace zt310::ui {

using editor::ControlKind;

std::string PageOf(const editor::EditorModel& model, const std::string& name) {
  std::string current = name;
  while (model.Has(current) && !model.At(current).parent.empty() && model.Has(model.At(current).parent)) {
    current = model.At(current).parent;
  }
  return current;
}

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

namespace {

bool IsContainer(ControlKind kind) {
  return kind == ControlKind::Group || kind == ControlKind::Panel || kind == ControlKind::Page;
}

void Fill(const editor::EditorModel& model, const std::string& containerName, QWidget* container,
          const std::map<std::string, std::vector<std::string>>& children) {
  const auto it = children.find(containerName);
  if (it == children.end()) return;
  const bool row = model.Has(containerName) && model.At(containerName).kind == ControlKind::Panel;
  QBoxLayout* layout = row ? static_cast<QBoxLayout*>(new QHBoxLayout(container))
                           : static_cast<QBoxLayout*>(new QVBoxLayout(container));
  layout->setContentsMargins(row ? 0 : 6, row ? 0 : 6, row ? 0 : 6, row ? 0 : 6);
  QHBoxLayout* line = nullptr;
  for (const auto& name : it->second) {
    const auto& control = model.At(name);
    QWidget* widget = CreateControlWidget(model, name, container);
    if (IsContainer(control.kind)) {
      Fill(model, name, widget, children);
      layout->addWidget(widget);
      line = nullptr;
      continue;
    }
    if (row) {
      layout->addWidget(widget);
      continue;
    }
    // Loose fields of a group go in lines of a few, each with its name.
    if (!line || line->count() >= 8) {
      line = new QHBoxLayout;
      layout->addLayout(line);
    }
    if (control.kind == ControlKind::Edit || control.kind == ControlKind::List) {
      auto* caption = new QLabel(QString::fromStdString(name), container);
      caption->setStyleSheet("color: gray;");
      line->addWidget(caption);
    }
    line->addWidget(widget);
  }
  if (line) line->addStretch();
  if (!row) layout->addStretch();
}

}  // namespace

QWidget* CreateGenericPage(const editor::EditorModel& model, const std::string& pageName, QWidget* parent) {
  std::map<std::string, std::vector<std::string>> children;
  for (const auto& name : model.Names()) {
    if (name == pageName || PageOf(model, name) != pageName) continue;
    children[model.At(name).parent].push_back(name);
  }
  auto* scroll = new QScrollArea(parent);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* page = new QWidget;
  page->setObjectName(QString::fromStdString(pageName));
  Fill(model, pageName, page, children);
  scroll->setWidget(page);
  return scroll;
}

}  // namespace zt310::ui
