// SPDX-License-Identifier: GPL-3.0-or-later
// The page control of the main window: the five pages, each scrolling when
// the window is smaller than it, a page change that lets the field being
// edited commit first, and the keyboard tour through the pages.
#pragma once

#include <QTabWidget>
#include <functional>

#include "ui/Pages.h"

namespace zt310::ui {

class PageControl : public QTabWidget {
  Q_OBJECT

 public:
  // MAY_LEAVE commits the field being edited, false when it refused.
  PageControl(const PageContext& context, std::function<bool()> mayLeave, QWidget* parent);

  // 1 "Channel F1", 2 "Channel F2", 3 "Setting", 4 "System"; the Advance
  // Setting page leaves it as it was.
  int ActivePage() const { return activePage_; }
  // Each page enabled as its page control in the model.
  void SyncEnabled(const editor::EditorModel& model);
  // Ctrl+Tab (STEP 1) and Ctrl+Shift+Tab (-1): the next shown page, with
  // the focus on its first field.
  void Tour(int step);
  // The page index that holds WIDGET, or -1.
  int PageIndexOf(const QWidget* widget) const;
  // The first field of page INDEX in the focus order, or none.
  QWidget* FirstField(int index) const;

 signals:
  void ActivePageChanged(int number);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::function<bool()> mayLeave_;
  int activePage_ = 1;
};

}  // namespace zt310::ui
