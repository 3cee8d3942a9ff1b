// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OperationRunner.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <utility>

#include "port/PagerLink.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"
#include "ui/WindowHost.h"

namespace zt310::ui {

OperationRunner::OperationRunner(MainWindow& window, PagerLink& link, QString startupDirectory)
    : QObject(&window),
      window_(window),
      link_(link),
      startupDirectory_(std::move(startupDirectory)),
      host_(std::make_unique<WindowOperationHost>(window)) {}

OperationRunner::~OperationRunner() = default;

bool OperationRunner::Run(const std::function<void(OperationContext&)>& operation, QWidget* focus) {
  if (running_) return false;
  running_ = true;
  focusTaken_ = false;
  // The window is disabled while the pager works, which takes the focus
  // away; it comes back to the field the user was in.
  QPointer<QWidget> back = focus ? focus : QApplication::focusWidget();
  emit Started();
  OperationContext context{link_, *host_, startupDirectory_.toStdString()};
  operation(context);
  running_ = false;
  emit Finished();
  if (quit_) {
    Quit();
    return true;
  }
  // The progress window has closed: the main window takes the keyboard
  // again, as a window manager gives it back to the window below.
  if (window_.isVisible() && !QApplication::activeModalWidget()) window_.activateWindow();
  if (!focusTaken_ && back && back->window() == &window_ && back->isVisible() && back->isEnabled()) {
    back->setFocus(Qt::OtherFocusReason);
  }
  if (!pendingOpen_.isEmpty()) {
    const QString path = std::exchange(pendingOpen_, QString());
    QTimer::singleShot(0, this, [this, path] { emit OpenRequested(path); });
  }
  return true;
}

bool OperationRunner::DeferOpen(const QString& path) {
  if (!running_) return false;
  pendingOpen_ = path;
  return true;
}

void OperationRunner::RequestQuit() {
  quit_ = true;
  if (!running_) {
    Quit();
    return;
  }
  // Nobody may be there to answer: a question abandons, a warning is passed.
  MessageService::Instance().SetAutomatic(true, editor::Answer::Cancel);
  // The box on screen gets Escape: No or Cancel where it asks, OK where it only tells.
  if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &escape);
  }
}

void OperationRunner::Quit() {
  link_.Port().Close();
  emit ReadyToQuit();
}

}  // namespace zt310::ui
