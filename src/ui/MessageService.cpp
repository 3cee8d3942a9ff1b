// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MessageService.h"

#include <QMessageBox>
#include <QPushButton>

namespace zt310::ui {

using editor::Answer;
using editor::Buttons;
using editor::Icon;

MessageService& MessageService::Instance() {
  static MessageService service;
  return service;
}

static editor::Answer DefaultAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok:
      return Answer::Ok;
    case Buttons::OkCancel:
      return Answer::Ok;
    case Buttons::YesNo:
      return Answer::Yes;
  }
  return Answer::Ok;
}

editor::Answer MessageService::Show(const editor::Message& message, QWidget* parent) {
  return Present(message, {}, Kind::Plain, parent);
}

editor::Answer MessageService::ShowWithDetails(const editor::Message& message, const QString& details,
                                               QWidget* parent) {
  return Present(message, details, Kind::Plain, parent);
}

editor::Answer MessageService::AskSaveDiscardCancel(const QString& title, const QString& text, QWidget* parent) {
  const editor::Message message{title.toStdString(), text.toStdString(), Icon::Question, Buttons::YesNo};
  return Present(message, {}, Kind::SaveDiscardCancel, parent);
}

editor::Answer MessageService::Present(const editor::Message& message, const QString& details, Kind kind,
                                       QWidget* parent) {
  shown_.push_back(message);
  details_.push_back(details);
  if (!queued_.empty()) {
    const Answer answer = queued_.front();
    queued_.pop_front();
    return answer;
  }
  if (automatic_) {
    // Nothing is saved unasked: an automatic answer other than Cancel discards.
    if (kind == Kind::SaveDiscardCancel) return automaticAnswer_ == Answer::Cancel ? Answer::Cancel : Answer::No;
    return message.buttons == Buttons::Ok ? DefaultAnswer(Buttons::Ok) : automaticAnswer_;
  }

  QMessageBox box(parent);
  box.setWindowTitle(QString::fromStdString(message.title));
  box.setText(QString::fromStdString(message.text));
  if (!details.isEmpty()) box.setDetailedText(details);
  switch (message.icon) {
    case Icon::Exclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case Icon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case Icon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case Icon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case Icon::None:
      break;
  }
  if (kind == Kind::SaveDiscardCancel) {
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    // Alt letters on every button, whatever the desktop's own texts.
    box.button(QMessageBox::Save)->setText("&Save");
    box.button(QMessageBox::Discard)->setText("&Discard");
    box.button(QMessageBox::Cancel)->setText("&Cancel");
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
      case QMessageBox::Save:
        return Answer::Yes;
      case QMessageBox::Discard:
        return Answer::No;
      default:
        return Answer::Cancel;
    }
  }
  switch (message.buttons) {
    case Buttons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case Buttons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case Buttons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return Answer::Cancel;
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Ok;
  }
}

editor::Answer MessageService::Show(const QString& title, const QString& text, Icon icon, Buttons buttons,
                                    QWidget* parent) {
  return Show(editor::Message{title.toStdString(), text.toStdString(), icon, buttons}, parent);
}

}  // namespace zt310::ui
