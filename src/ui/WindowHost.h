// SPDX-License-Identifier: GPL-3.0-or-later
// The window side of the pager operations: message boxes through the
// message service, the status bar, the progress window and the pauses that
// leave a result on screen.
#pragma once

#include "link/OperationHost.h"

namespace zt310::ui {

class MainWindow;

class WindowOperationHost : public OperationHost {
 public:
  explicit WindowOperationHost(MainWindow& window) : window_(window) {}

  void Warning(const std::string& text) override;
  void Plain(const std::string& text) override;
  bool Question(const std::string& text) override;
  void Status(const std::string& text) override;
  void ProgressLabel(const std::string& text) override;
  void ProgressRange(int minimum, int maximum) override;
  void ProgressValue(int value) override;
  void ProgressGaugeVisible(bool visible) override;
  void ShowProgress() override;
  void CloseProgress() override;
  void MainWindowEnabled(bool enabled) override;
  void Pause(unsigned ms) override;
  void SetCaption(const std::string& caption) override;
  void PagerFirmwareShown(const std::string& text) override;
  void PagerSerialShown(const std::string& serial) override;
  void PagerFirmwareCleared(bool hidden) override;
  void VerifyFailed(const VerifyReport& report) override;
  void WriteStoppedPartway(const PartialWrite& partial) override;
  void PagerBackedUp(const std::filesystem::path& file) override;
  void FocusSerialNumber() override;

 private:
  MainWindow& window_;
};

}  // namespace zt310::ui
