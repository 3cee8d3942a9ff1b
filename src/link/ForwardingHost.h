// SPDX-License-Identifier: GPL-3.0-or-later
// A host that passes every call on to another: the base of hosts that only
// note something of a run on its way through.
#pragma once

#include <string>

#include "link/OperationHost.h"

namespace zt310 {

class ForwardingHost : public OperationHost {
 public:
  explicit ForwardingHost(OperationHost& inner) : inner_(inner) {}

  void Warning(const std::string& text) override { inner_.Warning(text); }
  void Plain(const std::string& text) override { inner_.Plain(text); }
  bool Question(const std::string& text) override { return inner_.Question(text); }
  void Status(const std::string& text) override { inner_.Status(text); }
  void ProgressLabel(const std::string& text) override { inner_.ProgressLabel(text); }
  void ProgressRange(int minimum, int maximum) override { inner_.ProgressRange(minimum, maximum); }
  void ProgressValue(int value) override { inner_.ProgressValue(value); }
  void ProgressGaugeVisible(bool visible) override { inner_.ProgressGaugeVisible(visible); }
  void ShowProgress() override { inner_.ShowProgress(); }
  void CloseProgress() override { inner_.CloseProgress(); }
  void MainWindowEnabled(bool enabled) override { inner_.MainWindowEnabled(enabled); }
  void Pause(unsigned ms) override { inner_.Pause(ms); }
  void PaceRequests(unsigned ms) override { inner_.PaceRequests(ms); }
  void PagerFirmwareShown(const std::string& text) override { inner_.PagerFirmwareShown(text); }
  void PagerSerialShown(const std::string& serial) override { inner_.PagerSerialShown(serial); }
  void PagerFirmwareCleared(bool hidden) override { inner_.PagerFirmwareCleared(hidden); }
  void PagerBackedUp(const std::filesystem::path& file) override { inner_.PagerBackedUp(file); }
  void VerifyFailed(const VerifyReport& report) override { inner_.VerifyFailed(report); }
  void WriteStoppedPartway(const PartialWrite& partial) override { inner_.WriteStoppedPartway(partial); }
  void ResultNotLogged(const std::string& text) override { inner_.ResultNotLogged(text); }
  void RecordMissed(const std::string& text) override { inner_.RecordMissed(text); }
  void SetCaption(const std::string& caption) override { inner_.SetCaption(caption); }
  void FocusSerialNumber() override { inner_.FocusSerialNumber(); }

 private:
  OperationHost& inner_;
};

}  // namespace zt310
