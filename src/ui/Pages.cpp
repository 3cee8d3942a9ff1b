#include "ui/Pages.h"

#include <QEvent>
#include <QMouseEvent>

#include "ui/AdvancePage.h"
#include "ui/ChannelPage.h"
#include "ui/ControlWidgets.h"
#include "ui/SettingPage.h"
#include "ui/SystemPage.h"

namespace zt310::ui {

namespace {

class MouseOverFilter : public QObject {
 public:
  MouseOverFilter(QObject* parent, std::function<void()> commit) : QObject(parent), commit_(std::move(commit)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Enter && commit_) commit_();
    // Moving within the widget counts over its own background, not over its fields.
    if (event->type() == QEvent::MouseMove && commit_) {
      auto* widget = static_cast<QWidget*>(watched);
      if (!widget->childAt(static_cast<QMouseEvent*>(event)->position().toPoint())) commit_();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> commit_;
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
  if (pageName == "tabChannelF1") return new ChannelPage(context, 0, parent);
  if (pageName == "tabChannelF2") return new ChannelPage(context, 1, parent);
  if (pageName == "tabSetting") return CreateSettingPage(context, parent);
  if (pageName == "tabSystem") return CreateSystemPage(context, parent);
  if (pageName == "tabAdvance") return CreateAdvancePage(context, parent);
  // Pages without a dedicated layout show their controls in a plain form.
  return CreateGenericPage(context.model, pageName, parent);
}

}  // namespace zt310::ui
