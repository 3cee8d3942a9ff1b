// SPDX-License-Identifier: GPL-3.0-or-later
// "zt310 produce" as a production station: several --port cradles driven at
// once from one process, serial numbers scanned, from a list file or from a
// counter. Every line a cradle prints names it ("cradle 2 ttyUSB1: ...").
#include <QString>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>

#include "cli/Cli.h"
#include "cli/OutputChecks.h"
#include "cli/Signals.h"
#include "cli/Station.h"
#include "editor/EditorModel.h"
#include "link/PartialWrite.h"
#include "link/ProductionStation.h"
#include "link/SerialSources.h"
#include "port/LinkTrace.h"
#include "port/PortList.h"
#include "protocol/WriteRules.h"
#include "record/ProductionRecord.h"
#include "session/OperationModel.h"

namespace zt310::cli {

namespace {

constexpr const char* kStationUsage =
    "zt310 produce --port PORT [--port PORT]... FILE [--serials LIST | --serial-start SN --count N] [--no-wait] "
    "[--log-dir DIR] [--record URL] [--station NAME] [--allow-repeat] [--yes | --no] [--backup-dir DIR] [--trace FILE]";

// Whole lines from every cradle's thread, never mixed.
class StationOutput {
 public:
  explicit StationOutput(std::ostream& err) : err_(err) {}

  void Say(const std::string& prefix, const std::string& text) {
    std::lock_guard lock(mutex_);
    std::istringstream lines(text);
    std::string line;
    bool any = false;
    while (std::getline(lines, line)) {
      err_ << prefix << line << "\n";
      any = true;
    }
    if (!any) err_ << prefix << "\n";
    err_.flush();
  }

 private:
  std::mutex mutex_;
  std::ostream& err_;
};

enum class StationAnswers { Yes, No, Cancel };

std::string CradleName(int cradle, const QString& port) {
  return "cradle " + std::to_string(cradle) + " " + port.toStdString();
}

// A cradle's runs talk to the operator through the shared output, each line
// named after the cradle; questions are answered as --yes / --no say.
class StationHost : public HeadlessHost {
 public:
  StationHost(StationOutput& out, std::string prefix, StationAnswers answers, PagerLink& link, const StopSignals& stops,
              std::string file)
      : out_(out), prefix_(std::move(prefix)), answers_(answers), link_(link), stops_(stops), file_(std::move(file)) {}

  void Say(const std::string& text) { out_.Say(prefix_, text); }

  void Warning(const std::string& text) override {
    Say(text);
    if (text == kSingleChannelPagerText) Say(OneChannelHint(file_));
  }
  void Plain(const std::string& text) override { Say(text); }
  bool Question(const std::string& text) override {
    if (stops_.StopAfterTransfer()) {
      Say(text + " Cancel (stopping on " + SignalName(stops_.First()) + ")");
      return false;
    }
    switch (answers_) {
      case StationAnswers::Yes:
        Say(text + " OK (--yes)");
        return true;
      case StationAnswers::No:
        Say(text + " Cancel (--no)");
        return false;
      case StationAnswers::Cancel:
        break;
    }
    Say(text + " Cancel (give --yes to answer OK)");
    return false;
  }
  void PaceRequests(unsigned ms) override { link_.PaceRequests(ms); }
  void PagerBackedUp(const std::filesystem::path& file) override {
    Say("The pager's memory is backed up in " + file.string());
    backup_ = file;
  }
  void WriteStoppedPartway(const PartialWrite& partial) override { partial_ = partial; }
  void ResultNotLogged(const std::string& text) override {
    Say(text + "\nThe pager was programmed, but this run is not logged.");
  }
  void PagerFirmwareShown(const std::string& text) override { Say(text); }
  void RecordMissed(const std::string& text) override {
    Say(text);
    recordMissed_ = true;
  }
  // Whether the run that ended lost its row in the record.
  bool RecordMissedThisRun() const { return recordMissed_; }

  // What a write that stopped part-way left, and what to run.
  void PrintPartialWrite(const std::string& serial) {
    if (!partial_) return;
    const std::string port = link_.SelectedPortName().toStdString();
    Say(partial_->cause + "\n" + PartlyWrittenText(*partial_));
    Say("To finish, write the file again: zt310 produce --port " + port + " " + file_ + " --serial " + serial);
    if (backup_) Say("Or put back what the pager held before: zt310 restore --port " + port + " " + backup_->string());
  }
  void NextPager() {
    partial_.reset();
    backup_.reset();
    recordMissed_ = false;
  }

 private:
  StationOutput& out_;
  std::string prefix_;
  StationAnswers answers_;
  PagerLink& link_;
  const StopSignals& stops_;
  std::string file_;
  std::optional<PartialWrite> partial_;
  std::optional<std::filesystem::path> backup_;
  bool recordMissed_ = false;
};

struct StationArgs {
  std::vector<std::string> ports;
  std::vector<std::string> traces;
  std::vector<std::string> logDirs;
  std::vector<std::string> backupDirs;
  std::vector<std::string> lists;
  std::vector<std::string> starts;
  std::vector<std::string> counts;
  std::vector<std::string> records;
  std::vector<std::string> stations;
  bool allowRepeat = false;
  bool yes = false;
  bool no = false;
  bool noWait = false;
  std::string file;
};

std::optional<StationArgs> TakeStationArgs(std::vector<std::string> args, Io& io) {
  StationArgs taken;
  taken.yes = TakeFlag(args, "--yes");
  taken.no = TakeFlag(args, "--no");
  taken.noWait = TakeFlag(args, "--no-wait");
  taken.allowRepeat = TakeFlag(args, "--allow-repeat");
  const bool json = TakeFlag(args, "--json");
  std::vector<std::string> serial;
  const bool parsed = TakeOption(args, "--port", taken.ports) && TakeOption(args, "--trace", taken.traces) &&
                      TakeOption(args, "--log-dir", taken.logDirs) &&
                      TakeOption(args, "--backup-dir", taken.backupDirs) &&
                      TakeOption(args, "--serials", taken.lists) && TakeOption(args, "--serial-start", taken.starts) &&
                      TakeOption(args, "--count", taken.counts) && TakeOption(args, "--serial", serial) &&
                      TakeOption(args, "--record", taken.records) && TakeOption(args, "--station", taken.stations);
  DropEndOfOptions(args);
  if (!parsed || taken.ports.empty() || taken.traces.size() > 1 || taken.logDirs.size() > 1 ||
      taken.backupDirs.size() > 1 || taken.lists.size() > 1 || taken.starts.size() > 1 || taken.counts.size() > 1 ||
      taken.records.size() > 1 || taken.stations.size() > 1 ||
      (taken.stations.size() == 1 && taken.stations[0].empty()) || (taken.yes && taken.no) || args.size() != 1 ||
      (taken.backupDirs.size() == 1 && taken.backupDirs[0].empty())) {
    UsageError(io.err, kStationUsage);
    return std::nullopt;
  }
  if (json) {
    io.err << "--json takes one --port and serial numbers on standard input or --serial; a station of\n"
              "several cradles or a list or counter prints lines that name each cradle instead.\n";
    return std::nullopt;
  }
  if (!serial.empty()) {
    io.err << "--serial programs one pager on one --port; give a station its numbers with --serials or\n"
              "--serial-start and --count, or on standard input.\n";
    return std::nullopt;
  }
  if (!taken.lists.empty() && !taken.starts.empty()) {
    io.err << "Give the serial numbers either as a list (--serials) or as a counter (--serial-start), not both.\n";
    return std::nullopt;
  }
  if (taken.starts.size() != taken.counts.size()) {
    io.err << "A counter takes both --serial-start SN and --count N.\n";
    return std::nullopt;
  }
  if (taken.noWait && taken.lists.empty() && taken.starts.empty()) {
    io.err << "--no-wait takes a list (--serials) or a counter (--serial-start): scanned numbers come one by one.\n";
    return std::nullopt;
  }
  taken.file = args[0];
  return taken;
}

std::optional<long long> CountValue(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  return std::stoll(text);
}

}  // namespace

bool WantsStation(const std::vector<std::string>& args) {
  int ports = 0;
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--port") ++ports;
    if (arg == "--serials" || arg == "--serial-start" || arg == "--count" || arg == "--no-wait") return true;
  }
  return ports > 1;
}

int RunProduceStation(const std::vector<std::string>& argsIn, Io& io) {
  const auto taken = TakeStationArgs(argsIn, io);
  if (!taken) return kExitUsage;

  // Two names of one device would be two cradles fighting over one pager.
  QStringList ports;
  for (const std::string& port : taken->ports) ports << QString::fromStdString(port);
  if (UniqueDevices(ports).size() != ports.size()) {
    io.err << "A port is given twice (perhaps under two names): each --port is a cradle of its own. Nothing was "
              "sent.\n";
    return kExitUsage;
  }

  // Every number checked before the first pager is touched.
  std::optional<SerialQueue> numbers;
  if (!taken->lists.empty()) {
    SerialListFile list = ReadSerialList(taken->lists[0]);
    if (!list.refusal.empty()) {
      io.err << list.refusal << "\nNothing was programmed.\n";
      return kExitUsage;
    }
    numbers.emplace(std::move(list.serials));
  } else if (!taken->starts.empty()) {
    const auto count = CountValue(taken->counts[0]);
    if (!count) {
      io.err << "--count wants a whole number from 1, not \"" << taken->counts[0] << "\".\n";
      return kExitUsage;
    }
    SerialCounterPlan plan = PlanSerialCounter(taken->starts[0], *count);
    if (!plan.refusal.empty()) {
      io.err << plan.refusal << "\nNothing was programmed.\n";
      return kExitUsage;
    }
    numbers.emplace(std::move(plan.serials));
  }

  const std::optional<CodePlugImage> loaded = LoadTableForCli(taken->file, io.err);
  if (!loaded) return kExitUsage;
  WarnWhenStoredChecksumDiffers(taken->file, io.err);
  auto model = editor::CreateEditorModel();
  model->SetMessageSink([&io](const editor::Message& message) {
    io.err << message.text << "\n";
    return message.buttons == editor::Buttons::YesNo ? editor::Answer::No : editor::Answer::Ok;
  });
  model->OpenImage(*loaded);

  ProductionOptions options;
  options.logDirectory =
      taken->logDirs.empty() ? std::filesystem::current_path() : std::filesystem::path(taken->logDirs[0]);
  if (const auto why = LogNotWritable(options.logDirectory, LogFileName(options.now()))) {
    io.err << kLogSaveErrorText << "\nCannot write " << *why << ". Nothing was programmed.\n";
    return kExitUsage;
  }
  std::optional<std::filesystem::path> backupDir;
  if (!taken->backupDirs.empty()) {
    backupDir = std::filesystem::path(taken->backupDirs[0]);
    if (const auto why = BackupFolderNotWritable(*backupDir)) {
      io.err << "Cannot keep backups in " << *why << ". Nothing was sent to the pager.\n";
      return kExitUsage;
    }
  }
  // The record must be there before the first pager: without it no serial
  // number can be checked against the line's others. Each cradle opens its
  // own connection on its own thread; this first one creates or upgrades
  // the tables once.
  std::string recordError;
  const std::optional<record::Location> location = taken->records.empty()
                                                       ? record::RecordInFolder(options.logDirectory)
                                                       : record::ParseLocation(taken->records[0], &recordError);
  if (!location ||
      !record::ProductionRecord::Open(*location, record::ProductionRecord::Mode::CreateOrUpgrade, &recordError)) {
    io.err << "The production record cannot be used: " << recordError << ".\nNothing was programmed.\n";
    return kExitUsage;
  }
  options.recorded.station = taken->stations.empty() ? record::DefaultStation() : taken->stations[0];
  options.recorded.fileName = taken->file;
  options.recorded.allowRepeat = taken->allowRepeat;

  LinkTrace trace;
  if (!taken->traces.empty()) {
    QString error;
    if (!trace.Open(QString::fromStdString(taken->traces[0]), &error)) {
      io.err << "Cannot write the trace \"" << taken->traces[0] << "\": " << error.toStdString() << "\n";
      return kExitUsage;
    }
  }

  StopSignals stops;
  StationOutput out(io.err);
  const StationAnswers answers = taken->yes  ? StationAnswers::Yes
                                 : taken->no ? StationAnswers::No
                                             : StationAnswers::Cancel;
  std::atomic<int> failures{0};
  std::vector<StationHost*> hosts(ports.size(), nullptr);
  std::mutex notProgrammedMutex;
  std::vector<std::string> notProgrammed;

  ProductionStation::Setup setup;
  for (const QString& port : ports) setup.ports.push_back(port);
  setup.request = session::RequestFrom(*model);
  setup.options = options;
  setup.backupDirectory = backupDir;
  setup.startupDirectory = std::filesystem::current_path();
  setup.makeHost = [&](int cradle, PagerLink& link) -> std::unique_ptr<OperationHost> {
    const std::string prefix = CradleName(cradle, link.SelectedPortName()) + ": ";
    if (trace.IsOpen()) link.SetTrace(&trace);
    link.SetHost({{}, [&out, prefix](const QString& message) { out.Say(prefix, message.toStdString()); }});
    link.SetStopCheck([&stops] { return stops.StopNow(); });
    auto host = std::make_unique<StationHost>(out, prefix, answers, link, stops, taken->file);
    hosts[static_cast<std::size_t>(cradle - 1)] = host.get();
    return host;
  };
  setup.openRecord = [&location](int, std::string* error) {
    return record::ProductionRecord::Open(*location, record::ProductionRecord::Mode::CreateOrUpgrade, error);
  };
  setup.runEnded = [&](const CradleRunResult& result) {
    StationHost* host = hosts[static_cast<std::size_t>(result.cradle - 1)];
    if (host && host->RecordMissedThisRun()) ++failures;
    const std::string prefix = CradleName(result.cradle, QString::fromStdString(result.port)) + ": ";
    if (result.programmed && result.logged) {
      out.Say(prefix, PrintableSerial(result.serial) + " " + result.resultText);
    } else {
      ++failures;
      out.Say(prefix, PrintableSerial(result.serial) +
                          (result.programmed ? " programmed, not logged: " : " not programmed: ") + result.resultText);
      if (!result.programmed) {
        std::lock_guard lock(notProgrammedMutex);
        notProgrammed.push_back(result.serial);
      }
    }
    if (host) {
      host->PrintPartialWrite(result.serial);
      host->NextPager();
    }
  };

  ProductionStation station(std::move(setup));
  // Announced before the run starts, so the operator knows where the pager goes.
  const auto startOn = [&](int cradle, const std::string& serial) {
    out.Say("", CradleName(cradle, station.PortOf(cradle)) + ": " + PrintableSerial(serial));
    station.Start(cradle, serial);
  };
  // The first free cradle, waiting for one; nothing once asked to stop.
  const auto freeCradle = [&]() -> std::optional<int> {
    while (!stops.StopAfterTransfer()) {
      if (const auto cradle = station.WaitForFreeCradle(100)) return cradle;
    }
    return std::nullopt;
  };

  InputLines lines(STDIN_FILENO);
  const bool fromStandardInput = &io.in == &std::cin;
  const auto nextLine = [&]() -> std::optional<std::string> {
    if (stops.StopAfterTransfer()) return std::nullopt;
    if (fromStandardInput) return lines.Next(stops);
    std::string line;
    if (!std::getline(io.in, line)) return std::nullopt;
    return line;
  };

  if (!numbers) {
    // Scanned numbers, each to the first free cradle.
    while (const auto line = nextLine()) {
      const auto first = line->find_first_not_of(" \r\n");
      if (first == std::string::npos) continue;
      const std::string serial = line->substr(first, line->find_last_not_of(" \r\n") - first + 1);
      if (const auto refusal = SerialNumberRefusal(serial)) {
        out.Say("", *refusal);
        ++failures;
        continue;
      }
      const auto cradle = freeCradle();
      if (!cradle) break;
      startOn(*cradle, serial);
    }
  } else if (taken->noWait) {
    while (numbers->Remaining() > 0) {
      const auto cradle = freeCradle();
      if (!cradle) break;
      startOn(*cradle, *numbers->Next());
    }
  } else {
    out.Say("", std::to_string(numbers->Remaining()) + " serial numbers to program; press Enter to start a round.");
    while (numbers->Remaining() > 0 && nextLine()) {
      bool started = false;
      while (numbers->Remaining() > 0) {
        const auto cradle = station.FirstFreeCradle();
        if (!cradle) break;
        startOn(*cradle, *numbers->Next());
        started = true;
      }
      if (!started) out.Say("", "Every cradle is busy: this round starts no run.");
    }
  }
  station.WaitUntilIdle();

  if (numbers && numbers->Remaining() > 0) {
    out.Say("", std::to_string(numbers->Remaining()) + " serial numbers were not used.");
  }
  if (!notProgrammed.empty()) {
    std::string list;
    for (const std::string& serial : notProgrammed) list += (list.empty() ? "" : ", ") + PrintableSerial(serial);
    out.Say("", "Not programmed: " + list);
  }
  const int exit = failures > 0 ? kExitFailed : kExitOk;
  if (!stops.StopAfterTransfer()) return exit;
  if (stops.StopNow()) {
    io.err << "zt310: stopped at once on a second signal (" << SignalName(stops.Last()) << ").\n";
  } else {
    io.err << "zt310: stopped on " << SignalName(stops.First())
           << " after the runs in hand ended; no further serial numbers were used.\n";
  }
  return stops.ExitCode();
}

}  // namespace zt310::cli
