// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Pages.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <optional>
#include <stdexcept>

#include "ui/AdvancePage.h"
#include "ui/ChannelPage.h"
#include "ui/SettingPage.h"
#include "ui/SystemPage.h"

namespace zt310::ui {

namespace names = editor::names;

namespace {

// A mouse-over commit needs the user's own pointer moving over the active
// window. Qt also sends Enter when a message box closes over the window or a
// widget appears under a resting pointer, often before the window is active
// again; committing then would pull the focus out of the field the box handed
// it back to, and the next keys would go nowhere. A move counts only when the
// pointer really changed place since the last one this widget saw.
class MouseOverFilter : public QObject {
 public:
  MouseOverFilter(QObject* parent, std::function<void()> commit) : QObject(parent), commit_(std::move(commit)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseMove && commit_) {
      auto* widget = static_cast<QWidget*>(watched);
      auto* move = static_cast<QMouseEvent*>(event);
      const QPoint pointer = move->globalPosition().toPoint();
      const bool moved = !lastPointer_ || *lastPointer_ != pointer;
      lastPointer_ = pointer;
      // Moving within the widget counts over its own background, not over its fields.
      if (moved && move->buttons() == Qt::NoButton && TakesThePointer(widget) &&
          !widget->childAt(move->position().toPoint())) {
        commit_();
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  static bool TakesThePointer(const QWidget* widget) {
    return widget->isActiveWindow() && !QApplication::activeModalWidget() && !QApplication::activePopupWidget();
  }

  std::function<void()> commit_;
  std::optional<QPoint> lastPointer_;
};

}  // namespace

bool MouseOverCommit::Commit() {
  if (committing_) return false;
  if (!refusedField_.empty() && model_.Focus() == refusedField_ && model_.At(refusedField_).text == refusedText_) {
    return false;
  }
  committing_ = true;
  if (commit_) commit_();
  committing_ = false;
  const std::string& focus = model_.Focus();
  const bool refused = !focus.empty() && focus != editor::kFocusSink && model_.Has(focus);
  refusedField_ = refused ? focus : std::string();
  refusedText_ = refused ? model_.At(focus).text : std::string();
  return !refused;
}

void CommitOnMouseOver(QWidget* widget, const PageContext& context) {
  widget->setAttribute(Qt::WA_Hover);
  widget->setMouseTracking(true);
  widget->installEventFilter(new MouseOverFilter(widget, context.commitByFocusSink));
}

QWidget* CreatePageWidget(const PageContext& context, const std::string& pageName, QWidget* parent) {
  if (pageName == names::kTabChannelF1) return new ChannelPage(context, 0, parent);
  if (pageName == names::kTabChannelF2) return new ChannelPage(context, 1, parent);
  if (pageName == names::kTabSetting) return CreateSettingPage(context, parent);
  if (pageName == names::kTabSystem) return CreateSystemPage(context, parent);
  if (pageName == names::kTabAdvance) return CreateAdvancePage(context, parent);
  throw std::logic_error("no layout for page " + pageName);
}

}  // namespace zt310::ui
