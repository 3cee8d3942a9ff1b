// SPDX-License-Identifier: GPL-3.0-or-later
// Every message box and question of the window goes through this one
// service, so tests can answer them and read what was shown.
#pragma once

#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <vector>

#include "editor/EditorModel.h"

namespace zt310::ui {

class MessageService {
 public:
  static MessageService& Instance();

  // Shows a modal box (or, under test, answers it) and returns the button.
  editor::Answer Show(const editor::Message& message, QWidget* parent = nullptr);
  editor::Answer Show(const QString& title, const QString& text, editor::Icon icon = editor::Icon::Exclamation,
                      editor::Buttons buttons = editor::Buttons::Ok, QWidget* parent = nullptr);
  // An OK box whose details (a long list) show in a scrollable area behind
  // its "Show Details..." button.
  editor::Answer ShowWithDetails(const editor::Message& message, const QString& details, QWidget* parent = nullptr);
  // Save / Discard / Cancel, answered Yes (Save), No (Discard) or Cancel;
  // an automatic answer other than Cancel counts as Discard.
  editor::Answer AskSaveDiscardCancel(const QString& title, const QString& text, QWidget* parent = nullptr);

  // Test hooks: queued answers are used first, then the automatic answer
  // (when set) instead of a real box. Every message is recorded.
  void SetNextAnswer(editor::Answer answer) { queued_.push_back(answer); }
  void SetAutomatic(bool automatic, editor::Answer answer = editor::Answer::Ok) {
    automatic_ = automatic;
    automaticAnswer_ = answer;
  }
  const std::vector<editor::Message>& Shown() const { return shown_; }
  // The details of each shown message, empty for most.
  const std::vector<QString>& ShownDetails() const { return details_; }
  void ClearShown() {
    shown_.clear();
    details_.clear();
  }

 private:
  std::deque<editor::Answer> queued_;
  bool automatic_ = false;
  editor::Answer automaticAnswer_ = editor::Answer::Ok;
  std::vector<editor::Message> shown_;
  std::vector<QString> details_;

  enum class Kind { Plain, SaveDiscardCancel };
  editor::Answer Present(const editor::Message& message, const QString& details, Kind kind, QWidget* parent);
};

}  // namespace zt310::ui
