// SPDX-License-Identifier: GPL-3.0-or-later
// A host that passes everything on to another and notes what the record
// keeps of a run: the pager's firmware and the last warning shown (the
// refusal or failure text of a run that ended without a result label).
#pragma once

#include <string>

#include "link/ForwardingHost.h"

namespace zt310 {

class NotingHost : public ForwardingHost {
 public:
  explicit NotingHost(OperationHost& inner) : ForwardingHost(inner) {}

  const std::string& firmware() const { return firmware_; }
  const std::string& lastWarning() const { return lastWarning_; }

  void Warning(const std::string& text) override {
    lastWarning_ = text;
    ForwardingHost::Warning(text);
  }
  void PagerFirmwareShown(const std::string& text) override {
    firmware_ = text;
    ForwardingHost::PagerFirmwareShown(text);
  }

 private:
  std::string firmware_;
  std::string lastWarning_;
};

}  // namespace zt310
