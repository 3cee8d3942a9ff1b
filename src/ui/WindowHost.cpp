#include "ui/WindowHost.h"

#include <QLineEdit>

#include "link/PagerLink.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"
#include "ui/ModelBinder.h"

namespace zt310::ui {

using editor::Buttons;
using editor::Icon;

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

void WindowOperationHost::Warning(const std::string& text) {
  MessageService::Instance().Show(editor::kTitle, Q(text), Icon::Exclamation, Buttons::Ok, &window_);
}

void WindowOperationHost::Plain(const std::string& text) {
  MessageService::Instance().Show(editor::kTitle, Q(text), Icon::None, Buttons::Ok, &window_);
}

bool WindowOperationHost::Question(const std::string& text) {
  return MessageService::Instance().Show(editor::kTitle, Q(text), Icon::Exclamation, Buttons::OkCancel, &window_) ==
         editor::Answer::Ok;
}

void WindowOperationHost::Status(const std::string& text) { window_.SetStatusText(Q(text)); }
void WindowOperationHost::ProgressLabel(const std::string& text) { window_.Progress().SetLabel(Q(text)); }
void WindowOperationHost::ProgressRange(int minimum, int maximum) { window_.Progress().SetRange(minimum, maximum); }
void WindowOperationHost::ProgressValue(int value) { window_.Progress().SetValue(value); }
void WindowOperationHost::ProgressGaugeVisible(bool visible) { window_.Progress().SetGaugeVisible(visible); }

void WindowOperationHost::ShowProgress() {
  window_.Progress().SetGaugeVisible(true);
  window_.Progress().Open();
}

void WindowOperationHost::CloseProgress() { window_.Progress().Finish(); }

void WindowOperationHost::MainWindowEnabled(bool enabled) {
  window_.setEnabled(enabled);
  window_.RefreshFromModel();
}

void WindowOperationHost::Pause(unsigned ms) {
  window_.RefreshFromModel();
  window_.Link().WaitPumping(ms);
}

void WindowOperationHost::SetCaption(const std::string& caption) { window_.setWindowTitle(Q(caption)); }

void WindowOperationHost::FocusSerialNumber() {
  window_.Model().Enter("edtSerialNo");  // emptied, ready for the next scan
  window_.RefreshFromModel();
  if (auto* field = window_.findChild<QLineEdit*>("edtSerialNo")) field->setFocus(Qt::OtherFocusReason);
}

}  // namespace zt310::ui
