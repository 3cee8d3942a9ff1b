// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowHost.h"

#include <QApplication>

#include "port/PagerLink.h"
#include "session/OperationModel.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"
#include "ui/ModelBinder.h"

namespace zt310::ui {

namespace names = editor::names;

using editor::Buttons;
using editor::Icon;

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }

// The operation runs on the window's thread: what it has just shown is
// painted before it goes on waiting for the pager or for an answer.
void ShowNow(MainWindow& window) {
  window.RefreshFromModel();
  QApplication::processEvents();
}
}  // namespace

void WindowOperationHost::Warning(const std::string& text) {
  MessageService::Instance().Show(editor::kTitle, Q(text), Icon::Exclamation, Buttons::Ok, &window_);
}

void WindowOperationHost::Plain(const std::string& text) {
  MessageService::Instance().Show(editor::kTitle, Q(text), Icon::None, Buttons::Ok, &window_);
}

bool WindowOperationHost::Question(const std::string& text) {
  ShowNow(window_);
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

// Read drops the file name from the caption; the program caption is all it shows.
void WindowOperationHost::SetCaption(const std::string& /*caption*/) { window_.SetCaptionFile({}); }

void WindowOperationHost::PagerFirmwareShown(const std::string& text) {
  session::ShowPagerFirmware(window_.Model(), text);
  ShowNow(window_);
}

void WindowOperationHost::PagerSerialShown(const std::string& serial) {
  session::ShowPagerSerial(window_.Model(), serial);
  ShowNow(window_);
}

void WindowOperationHost::PagerFirmwareCleared(bool hidden) { session::ClearPagerFirmware(window_.Model(), hidden); }
void WindowOperationHost::VerifyFailed(const VerifyReport& report) { window_.NoteVerifyFailure(report); }
void WindowOperationHost::WriteStoppedPartway(const PartialWrite& partial) { window_.NotePartialWrite(partial); }
void WindowOperationHost::PagerBackedUp(const std::filesystem::path& file) { window_.NoteBackup(file); }

void WindowOperationHost::FocusSerialNumber() { window_.FocusSerialNumber(); }

}  // namespace zt310::ui
