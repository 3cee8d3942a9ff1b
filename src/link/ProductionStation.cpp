// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ProductionStation.h"

#include "link/ForwardingHost.h"
#include "record/ProductionRecord.h"

#include <QThread>

#include <utility>

namespace zt310 {

namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Passes everything on to the cradle's host, keeping what the run's result
// needs: the firmware as the pager told it, the first warning (why a run
// that never reached the transfer stopped) and whether the line was logged.
class RecordingHost : public ForwardingHost {
 public:
  explicit RecordingHost(OperationHost& inner) : ForwardingHost(inner) {}

  void Warning(const std::string& text) override {
    if (firstWarning_.empty()) firstWarning_ = text.substr(0, text.find('\n'));
    ForwardingHost::Warning(text);
  }
  bool Question(const std::string& text) override {
    const bool ok = ForwardingHost::Question(text);
    if (!ok && firstWarning_.empty()) firstWarning_ = "Cancelled: " + text;
    return ok;
  }
  void PagerFirmwareShown(const std::string& text) override {
    const std::string prefix = "FirmVer. ";
    firmware_ = text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
    ForwardingHost::PagerFirmwareShown(text);
  }
  void ResultNotLogged(const std::string& text) override {
    notLogged_ = true;
    ForwardingHost::ResultNotLogged(text);
  }

  const std::string& firmware() const { return firmware_; }
  const std::string& firstWarning() const { return firstWarning_; }
  bool notLogged() const { return notLogged_; }

 private:
  std::string firmware_;
  std::string firstWarning_;
  bool notLogged_ = false;
};

}  // namespace

CradleRunResult RunCradleOnce(OperationContext& context, const OperationRequest& request,
                              const ProductionOptions& options, int cradle, const std::string& port,
                              const std::string& serial) {
  CradleRunResult run;
  run.cradle = cradle;
  run.port = port;
  run.serial = serial;
  run.started = std::chrono::system_clock::now();
  const auto began = std::chrono::steady_clock::now();

  RecordingHost host(context.host);
  OperationContext recorded(context.link, host, context.startupDirectory);
  recorded.backupDirectory = context.backupDirectory;
  recorded.now = context.now;
  run.operation = ProduceScannedSerial(recorded, request, options, serial);

  run.duration = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
  run.firmware = host.firmware();
  run.outcome = run.operation.outcome;
  // A run that reached the transfer has its label; one stopped before says why.
  run.resultText = run.operation.label.empty() ? host.firstWarning() : Trim(run.operation.label);
  if (run.resultText.empty()) run.resultText = "Abandoned";
  run.programmed = run.outcome == OperationOutcome::Success;
  run.logged = !run.operation.label.empty() && !host.notLogged();
  return run;
}

namespace {

// A cradle whose record could not be opened refuses its runs unsent.
CradleRunResult RecordUnusableResult(int cradle, const std::string& port, const std::string& serial,
                                     const std::string& error) {
  CradleRunResult result;
  result.cradle = cradle;
  result.port = port;
  result.serial = serial;
  result.started = std::chrono::system_clock::now();
  result.resultText = "The production record cannot be used: " + error;
  result.outcome = OperationOutcome::Abandoned;
  return result;
}

}  // namespace

struct ProductionStation::Cradle {
  int number = 0;
  QString port;
  PagerLink link;
  std::optional<std::string> job;  // the serial number handed to it, until its run ends
  QThread* thread = nullptr;
};

ProductionStation::ProductionStation(Setup setup) : setup_(std::move(setup)) {
  int number = 0;
  for (const QString& port : setup_.ports) {
    auto cradle = std::make_unique<Cradle>();
    cradle->number = ++number;
    cradle->port = port;
    cradle->link.SetPortNames({port});
    cradles_.push_back(std::move(cradle));
  }
  for (auto& cradle : cradles_) {
    Cradle* raw = cradle.get();
    cradle->thread = QThread::create([this, raw] { Serve(*raw); });
    cradle->thread->start();
  }
}

ProductionStation::~ProductionStation() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  for (auto& cradle : cradles_) {
    cradle->thread->wait();
    delete cradle->thread;
  }
}

const QString& ProductionStation::PortOf(int cradle) const {
  return cradles_.at(static_cast<std::size_t>(cradle - 1))->port;
}

bool ProductionStation::IsFree(int cradle) const {
  std::lock_guard lock(mutex_);
  return !cradles_.at(static_cast<std::size_t>(cradle - 1))->job;
}

std::optional<int> ProductionStation::FirstFreeCradle() const {
  std::lock_guard lock(mutex_);
  for (const auto& cradle : cradles_) {
    if (!cradle->job) return cradle->number;
  }
  return std::nullopt;
}

bool ProductionStation::Start(int cradle, const std::string& serial) {
  {
    std::lock_guard lock(mutex_);
    if (cradle < 1 || cradle > CradleCount() || ending_) return false;
    Cradle& chosen = *cradles_[static_cast<std::size_t>(cradle - 1)];
    if (chosen.job) return false;
    chosen.job = serial;
  }
  changed_.notify_all();
  return true;
}

std::optional<int> ProductionStation::WaitForFreeCradle(int ms) {
  std::unique_lock lock(mutex_);
  const auto anyFree = [this]() -> std::optional<int> {
    for (const auto& cradle : cradles_) {
      if (!cradle->job) return cradle->number;
    }
    return std::nullopt;
  };
  if (ms < 0) {
    changed_.wait(lock, [&] { return anyFree().has_value(); });
  } else {
    changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return anyFree().has_value(); });
  }
  return anyFree();
}

void ProductionStation::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] {
    for (const auto& cradle : cradles_) {
      if (cradle->job) return false;
    }
    return true;
  });
}

int ProductionStation::Running() const {
  std::lock_guard lock(mutex_);
  int running = 0;
  for (const auto& cradle : cradles_) running += cradle->job ? 1 : 0;
  return running;
}

void ProductionStation::Serve(Cradle& cradle) {
  std::unique_ptr<OperationHost> host = setup_.makeHost(cradle.number, cradle.link);
  ProductionOptions options = setup_.options;
  options.recorded.port = cradle.port.toStdString();
  options.recorded.cradle = cradle.number;
  std::unique_ptr<record::ProductionRecord> record;
  std::string recordError;
  if (setup_.openRecord) {
    record = setup_.openRecord(cradle.number, &recordError);
    options.record = record.get();
  }
  for (;;) {
    std::string serial;
    {
      std::unique_lock lock(mutex_);
      // A job handed over before the end is still run, so no number goes astray.
      changed_.wait(lock, [&] { return ending_ || cradle.job.has_value(); });
      if (!cradle.job) return;
      serial = *cradle.job;
    }
    if (setup_.runStarted) setup_.runStarted(cradle.number, serial);
    OperationContext context(cradle.link, *host, setup_.startupDirectory);
    context.backupDirectory = setup_.backupDirectory;
    const CradleRunResult result =
        setup_.openRecord && !record
            ? RecordUnusableResult(cradle.number, cradle.port.toStdString(), serial, recordError)
            : RunCradleOnce(context, setup_.request, options, cradle.number, cradle.port.toStdString(), serial);
    if (setup_.runEnded) setup_.runEnded(result);
    {
      std::lock_guard lock(mutex_);
      cradle.job.reset();
    }
    changed_.notify_all();
  }
}

}  // namespace zt310
