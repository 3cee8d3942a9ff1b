// SPDX-License-Identifier: GPL-3.0-or-later
// A production station: several cradles driven from one process at once.
// Each cradle has a thread of its own with its own port (PagerLink) and its
// own host; a run takes its copy of the request and shares nothing with the
// runs of the other cradles but the day's log, which takes one whole line
// per run. Serial numbers go to the first free cradle in cradle order.
#pragma once

#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/OperationHost.h"
#include "link/Operations.h"
#include "link/Production.h"
#include "port/PagerLink.h"

class QThread;

namespace zt310 {

namespace record {
class ProductionRecord;
}

// One production run on one cradle, as the station and the records of a
// line see it.
struct CradleRunResult {
  int cradle = 0;        // 1, 2, ... in the station's cradle order
  std::string port;      // as the station names it: ttyUSB1, /dev/serial/by-id/...
  std::string serial;    // the number meant for this pager
  std::string firmware;  // "1.3.0"; empty when the pager's identity was not read
  // "Write Success !", "Write Fail !", "Verify Fail !", or, when no
  // transfer ran, the first line of the reason ("The Board is not responding !").
  std::string resultText;
  OperationOutcome outcome = OperationOutcome::Abandoned;
  bool programmed = false;  // the pager holds FILE with serial, checked
  bool logged = false;      // its line is in the day's log
  std::chrono::system_clock::time_point started;
  std::chrono::milliseconds duration{0};
  OperationResult operation;  // everything the run itself returned
};

// The production run of one serial number on one cradle: ProduceScannedSerial
// timed, with the firmware and the reason of a refusal taken as the run
// tells its host. The request is the station's FILE as loaded; the run
// works on its own copy.
CradleRunResult RunCradleOnce(OperationContext& context, const OperationRequest& request,
                              const ProductionOptions& options, int cradle, const std::string& port,
                              const std::string& serial);

class ProductionStation {
 public:
  struct Setup {
    std::vector<QString> ports;  // one cradle per port, in this order
    OperationRequest request;    // FILE as loaded, with the choices shown
    ProductionOptions options;
    std::optional<std::filesystem::path> backupDirectory;
    std::filesystem::path startupDirectory;
    // Called on the cradle's own thread before its first run: the host the
    // cradle's runs talk to (its messages must be safe from that thread)
    // and the link set up as the caller wants (trace, stop check, timing).
    std::function<std::unique_ptr<OperationHost>(int cradle, PagerLink& link)> makeHost;
    // Called on the cradle's own thread before its first run: the cradle's
    // own connection to the production record (a database connection
    // belongs to the thread that opened it), or nothing with the reason.
    // Unset: the runs keep no record. Set but failing: every run on the
    // cradle is refused before anything is sent, since its serial number
    // cannot be checked against the line's others.
    std::function<std::unique_ptr<record::ProductionRecord>(int cradle, std::string* error)> openRecord;
    // Called on the cradle's thread as a run starts and once it has ended.
    std::function<void(int cradle, const std::string& serial)> runStarted;
    std::function<void(const CradleRunResult& result)> runEnded;
  };

  explicit ProductionStation(Setup setup);
  // Waits for the runs in hand, then ends the cradles' threads.
  ~ProductionStation();
  ProductionStation(const ProductionStation&) = delete;
  ProductionStation& operator=(const ProductionStation&) = delete;

  int CradleCount() const { return static_cast<int>(cradles_.size()); }
  const QString& PortOf(int cradle) const;
  bool IsFree(int cradle) const;
  // The first free cradle in cradle order (1 ...); nothing when all are busy.
  std::optional<int> FirstFreeCradle() const;
  // Starts the run of serial on the cradle, which must be free.
  bool Start(int cradle, const std::string& serial);
  // Waits until a cradle is free or ms pass (-1: no limit); the first free one.
  std::optional<int> WaitForFreeCradle(int ms = -1);
  // Waits until no cradle runs.
  void WaitUntilIdle();
  int Running() const;

 private:
  struct Cradle;
  void Serve(Cradle& cradle);

  Setup setup_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool ending_ = false;
  std::vector<std::unique_ptr<Cradle>> cradles_;
};

}  // namespace zt310
