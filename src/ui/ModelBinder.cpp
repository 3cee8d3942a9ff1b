// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ModelBinder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

namespace zt310::ui {

using editor::ControlKind;

ModelBinder::ModelBinder(editor::EditorModel& model, QObject* parent) : QObject(parent), model_(model) {}

void ModelBinder::Bind(QWidget* root) {
  for (QWidget* widget : root->findChildren<QWidget*>()) {
    const std::string name = widget->objectName().toStdString();
    if (!name.empty() && model_.Has(name) && !widgets_.count(name)) BindWidget(widget, name);
  }
  Sync();
}

QWidget* ModelBinder::WidgetOf(const std::string& name) const {
  const auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : it->second.data();
}

void ModelBinder::BindWidget(QWidget* widget, const std::string& name) {
  widgets_[name] = widget;
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->installEventFilter(this);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    const auto& control = model_.At(name);
    if (combo->count() == 0) {
      for (const auto& item : control.items) combo->addItem(QString::fromStdString(item));
    }
    connect(combo, &QComboBox::activated, this, [this, name](int index) {
      if (syncing_) return;
      model_.Pick(name, index);
      AfterAction();
    });
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    connect(button, &QAbstractButton::clicked, this, [this, name] {
      if (syncing_) return;
      model_.Click(name);
      AfterAction();
    });
  }
}

void ModelBinder::AfterAction() {
  Sync();
  emit ModelChanged();
  // A rule may send the focus elsewhere (Enter to the sink, a refusal back to the field).
  const std::string& focus = model_.Focus();
  if (focus == editor::kFocusSink && sink_ && !sink_->hasFocus()) {
    sink_->setFocus(Qt::OtherFocusReason);
  } else if (QWidget* target = WidgetOf(focus); target && !target->hasFocus()) {
    target->setFocus(Qt::OtherFocusReason);  // a refusal hands the focus back to its control
  }
}

void ModelBinder::LeaveField(QWidget* widget, const std::string& name) {
  if (leaving_) return;
  leaving_ = true;
  const bool accepted = model_.Leave(name);
  entered_.clear();
  leaving_ = false;
  Sync();
  emit ModelChanged();
  if (!accepted) {
    // The refused field takes the focus back, keeping the typed text.
    QPointer<QWidget> target = widget;
    QTimer::singleShot(0, this, [this, target, name] {
      if (!target) return;
      entered_ = name;
      model_.SetFocus(name);
      target->setFocus(Qt::OtherFocusReason);
    });
  }
}

void ModelBinder::LeaveStaleField() {
  if (entered_.empty() || leaving_) return;
  QWidget* field = WidgetOf(entered_);
  if (field && field->hasFocus() && field->isActiveWindow()) return;  // still being edited
  if (field) {
    LeaveField(field, entered_);
  } else {
    entered_.clear();
  }
}

bool ModelBinder::CommitByFocusSink() {
  const std::string editing = entered_;
  if (sink_) sink_->setFocus(Qt::OtherFocusReason);
  // An inactive window (a file dialog or message box has just closed) moves
  // its focus without telling the field, and a sink that already holds the
  // focus does not move at all: the field is left here, so what is stored is
  // what is shown.
  LeaveStaleField();
  if (!editing.empty() && entered_.empty()) {
    QApplication::processEvents();
    return model_.Focus() != editing;
  }
  return true;
}

bool ModelBinder::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  const std::string name = widget ? widget->objectName().toStdString() : std::string();
  if (!widget || !model_.Has(name)) return QObject::eventFilter(watched, event);

  switch (event->type()) {
    case QEvent::FocusIn:
      if (entered_ != name && !leaving_) {
        LeaveStaleField();
        entered_ = name;
        model_.Enter(name);
        Sync();
        emit ModelChanged();
      }
      break;
    case QEvent::FocusOut: {
      // A message box or a popup takes the focus for a moment without the
      // user leaving the field: no commit, and no clearing on its return.
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) break;
      if (entered_ == name) LeaveField(widget, name);
      break;
    }
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      char character = 0;
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        character = '\r';
      } else if (key->key() == Qt::Key_Backspace) {
        character = '\b';
      } else if (!key->text().isEmpty() && key->text().at(0).unicode() >= 0x20 && key->text().at(0).unicode() < 0x7F) {
        character = static_cast<char>(key->text().at(0).unicode());
      }
      if (character == 0) return false;  // arrows, Tab, shortcuts
      if (entered_ != name) {
        entered_ = name;
        model_.Enter(name);
      }
      model_.Key(name, character);
      SyncWidget(name, widget);
      if (model_.Focus() == editor::kFocusSink && sink_) sink_->setFocus(Qt::OtherFocusReason);
      return true;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void ModelBinder::Sync() {
  syncing_ = true;
  for (const auto& [name, widget] : widgets_) {
    if (widget) SyncWidget(name, widget);
  }
  syncing_ = false;
}

void ModelBinder::SyncWidget(const std::string& name, QWidget* widget) {
  const editor::Control& control = model_.At(name);
  const bool shown = control.visible && model_.IsInFront(name);
  widget->setEnabled(control.enabled);
  // Pages are shown by their tab; the main window greys the tab.
  if (control.kind != ControlKind::Page && widget->isVisibleTo(widget->parentWidget()) != shown) {
    widget->setVisible(shown);
  }
  if (shown && !control.place.empty()) widget->raise();
  const QString text = QString::fromStdString(control.text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    if (edit->text() != text) edit->setText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    const QSignalBlocker block(combo);
    if (combo->currentIndex() != control.selected) combo->setCurrentIndex(control.selected);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    if (button->isCheckable() && button->isChecked() != control.checked) {
      const QSignalBlocker block(button);
      if (auto* radio = qobject_cast<QRadioButton*>(button)) {
        radio->setAutoExclusive(false);
        radio->setChecked(control.checked);
        radio->setAutoExclusive(true);
      } else {
        button->setChecked(control.checked);
      }
    }
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    if (control.kind == ControlKind::Label && label->text() != text) label->setText(text);
  }
}

}  // namespace zt310::ui
