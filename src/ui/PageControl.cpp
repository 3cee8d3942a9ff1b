// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PageControl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollArea>
#include <QTabBar>
#include <QWheelEvent>
#include <iterator>

namespace zt310::ui {

namespace names = editor::names;

namespace {

struct PageRow {
  const char* name;
  const char* caption;
  int number;  // the active page number the tone tables read; 0 leaves it
};
constexpr PageRow kPages[] = {
    {names::kTabChannelF1, "Channel F1", 1},    {names::kTabChannelF2, "Channel F2", 2},
    {names::kTabSetting, "Setting", 3},         {names::kTabSystem, "System", 4},
    {names::kTabAdvance, "Advance Setting", 0},
};

// The tab bar asks before a click, a wheel turn or a key changes the page:
// the field being edited commits first, and a refused one keeps its page
// with the focus and the typed text.
class PageTabBar : public QTabBar {
 public:
  PageTabBar(std::function<bool()> mayLeave, QWidget* parent) : QTabBar(parent), mayLeave_(std::move(mayLeave)) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    const int tab = tabAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && tab >= 0 && tab != currentIndex() && !mayLeave_()) return;
    QTabBar::mousePressEvent(event);
  }
  void wheelEvent(QWheelEvent* event) override {
    if (!mayLeave_()) return;
    QTabBar::wheelEvent(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (!mayLeave_()) return;
    QTabBar::keyPressEvent(event);
  }

 private:
  std::function<bool()> mayLeave_;
};

// A page scrolls when the window is smaller than the page, so the window fits
// a 1024 x 768 screen; it still asks for the whole page when there is room.
class PageScrollArea : public QScrollArea {
 public:
  PageScrollArea(QWidget* page, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);  // a click on a page's background takes no focus, as before
    setWidgetResizable(true);
    setWidget(page);
  }
  QSize sizeHint() const override { return widget()->sizeHint() + QSize(2 * frameWidth(), 2 * frameWidth()); }
};

bool TakesTabFocus(const QWidget* widget) {
  return (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && widget->isVisibleTo(widget->window());
}

}  // namespace

PageControl::PageControl(const PageContext& context, std::function<bool()> mayLeave, QWidget* parent)
    : QTabWidget(parent), mayLeave_(mayLeave) {
  setObjectName(names::kPageControl);
  auto* bar = new PageTabBar(std::move(mayLeave), this);
  // When the page changes with the focus still inside the old page, Qt hands
  // the focus to a field of the new page, and entering a field empties it:
  // the field commits through the focus sink instead. Connected before the
  // page control's own slot, so this runs while the old page is still shown.
  connect(bar, &QTabBar::currentChanged, this, [this, commit = context.commitByFocusSink] {
    QWidget* focus = QApplication::focusWidget();
    if (focus && isAncestorOf(focus)) commit();
  });
  setTabBar(bar);
  for (const auto& page : kPages) {
    QWidget* content = CreatePageWidget(context, page.name, this);
    if (!content->findChild<QWidget*>(page.name)) content->setObjectName(page.name);
    addTab(new PageScrollArea(content, this), page.caption);
  }
  connect(this, &QTabWidget::currentChanged, this, [this](int index) {
    if (index >= 0 && index < static_cast<int>(std::size(kPages)) && kPages[index].number != 0) {
      activePage_ = kPages[index].number;
      emit ActivePageChanged(activePage_);
    }
  });
}

void PageControl::SyncEnabled(const editor::EditorModel& model) {
  for (int i = 0; i < count() && i < static_cast<int>(std::size(kPages)); ++i) {
    if (model.Has(kPages[i].name)) setTabEnabled(i, model.At(kPages[i].name).enabled);
  }
}

void PageControl::Tour(int step) {
  if (count() == 0 || !mayLeave_()) return;
  int index = currentIndex();
  for (int tried = 0; tried < count(); ++tried) {
    index = (index + step + count()) % count();
    if (isTabVisible(index) && isTabEnabled(index)) break;
  }
  setCurrentIndex(index);
  if (QWidget* field = FirstField(index)) field->setFocus(Qt::TabFocusReason);
}

int PageControl::PageIndexOf(const QWidget* widget) const {
  for (int i = 0; i < count(); ++i) {
    if (widget && (widget == this->widget(i) || this->widget(i)->isAncestorOf(widget))) return i;
  }
  return -1;
}

QWidget* PageControl::FirstField(int index) const {
  QWidget* page = widget(index);
  if (!page) return nullptr;
  for (QWidget* next = page->nextInFocusChain(); next && next != page; next = next->nextInFocusChain()) {
    if (page->isAncestorOf(next) && TakesTabFocus(next)) return next;
  }
  return nullptr;
}

void PageControl::keyPressEvent(QKeyEvent* event) {
  const bool pageKey = (event->modifiers() & Qt::ControlModifier) &&
                       (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ||
                        event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown);
  if (pageKey && !mayLeave_()) return;
  QTabWidget::keyPressEvent(event);
}

}  // namespace zt310::ui
