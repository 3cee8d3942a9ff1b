// SPDX-License-Identifier: GPL-3.0-or-later
// A simulated pager on a real pseudo-terminal, served on its own thread,
// and silent pseudo-terminals with nothing behind them.
#pragma once

#include <QString>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <functional>
#include <memory>

#include "port/PagerLink.h"
#include "sim/PagerSim.h"

namespace zt310::testing {

// Poll units of 1 ms: about 202 ms per byte at unit 2, 505 ms at unit 5.
inline LinkTiming FastTiming() { return LinkTiming{1.0, 0.01}; }

inline sim::SimOptions SimTurnaround(int ms) {
  sim::SimOptions options;
  options.turnaroundMs = ms;
  return options;
}

inline sim::SimOptions SimFault(sim::FaultKind kind, int request, int slowMs = 0) {
  sim::SimOptions options;
  options.faults.push_back({kind, request, slowMs});
  return options;
}

// The link's seam for the simulator (PagerLink::SetReplyWithheldCheck): a
// reply the simulator left out or cut short is not waited for, so a fault
// costs no time-out however long the time-out is.
inline std::function<bool()> ReplyWithheldBy(sim::PagerSimulator& pager) {
  auto handled = std::make_shared<int>(0);
  return [&pager, handled] {
    const int last = pager.LastWithheldReply();
    if (last <= *handled) return false;
    *handled = last;
    return true;
  };
}

class RunningSim {
 public:
  explicit RunningSim(sim::SimOptions options = {}) : sim_(std::make_unique<sim::PagerSimulator>(std::move(options))) {
    std::string error;
    if (!sim_->Open(&error)) qFatal("simulator: %s", error.c_str());
    sim_->Start();
  }
  sim::PagerSimulator& operator*() { return *sim_; }
  sim::PagerSimulator* operator->() { return sim_.get(); }
  QString device() const { return QString::fromStdString(sim_->DevicePath()); }

 private:
  std::unique_ptr<sim::PagerSimulator> sim_;
};

// A pseudo-terminal whose other end never answers.
class SilentPty {
 public:
  SilentPty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) qFatal("posix_openpt failed");
    device_ = QString::fromLocal8Bit(::ptsname(master_));
  }
  ~SilentPty() { ::close(master_); }
  SilentPty(const SilentPty&) = delete;
  SilentPty& operator=(const SilentPty&) = delete;
  const QString& device() const { return device_; }
  // For PagerLink::SetReplyWithheldCheck: nothing ever comes from here.
  static std::function<bool()> NeverAnswers() {
    return [] { return true; };
  }

 private:
  int master_ = -1;
  QString device_;
};

}  // namespace zt310::testing
