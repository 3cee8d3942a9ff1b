// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs that program the pager in its cradle: read, write, verify and
// produce. They run the very procedures of the window's "Pager" menu and
// production field, with messages on stderr and no result pauses.
#include <QString>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/Cli.h"
#include "cli/JsonReport.h"
#include "cli/LinkTimingSeam.h"
#include "cli/OutputChecks.h"
#include "cli/Signals.h"
#include "cli/Station.h"
#include "codeplug/TableFile.h"
#include "editor/EditorModel.h"
#include "link/OperationHost.h"
#include "link/Operations.h"
#include "link/PagerBackup.h"
#include "link/PagerRestore.h"
#include "link/PartialWrite.h"
#include "link/Production.h"
#include "port/LinkTrace.h"
#include "port/PagerLink.h"
#include "record/ProductionRecord.h"
#include "session/OperationModel.h"

namespace zt310::cli {

namespace {

constexpr const char* kLinkOptionsHelp =
    "  --port PORT   the port of the cradle (a name such as ttyUSB0 or a path); required\n"
    "  --trace FILE  write every frame sent and received, with ms timestamps, and the time-outs\n";
constexpr const char* kStationHelp =
    "  --port PORT --port PORT ...\n"
    "                Several --port make a station: every cradle runs at once in this one\n"
    "                process, each from FILE as loaded. Each serial number goes to the first\n"
    "                free cradle in --port order, announced before its run starts\n"
    "                (cradle 2 ttyUSB1: AB1234567890); every result line names its cradle,\n"
    "                and a failed run's number is reported as not programmed, never reused.\n"
    "                A port may be given by its /dev/serial/by-id/ name (see zt310 ports).\n"
    "  --serials LIST  take the serial numbers from the file LIST, one a line, in order\n"
    "  --serial-start SN\n"
    "  --count N     N serial numbers from SN on: its trailing decimal digits count up,\n"
    "                keeping their width (AB0000001099, AB0000001100, ...); refused before\n"
    "                anything is sent when the digits would run out\n"
    "                With a list or a counter each Enter on standard input starts a round:\n"
    "                every free cradle gets the next number. Every number is checked first.\n"
    "  --no-wait     with a list or a counter: no Enter; each cradle gets the next number as\n"
    "                soon as it is free, until the numbers are used up\n"
    "                --json takes one --port and no list or counter.\n";
constexpr const char* kQuestionsHelp =
    "  --yes         answer the band questions with OK\n"
    "  --no          answer them with Cancel; without either they are asked when standard input\n"
    "                is a terminal, otherwise answered Cancel\n";
constexpr const char* kProduceQuestionsHelp =
    "  --yes         answer the band questions with OK\n"
    "  --no          answer them with Cancel; without either they are answered Cancel: standard\n"
    "                input carries only serial numbers\n";
constexpr const char* kBackupHelp =
    "  --backup-dir DIR\n"
    "                before the first write, save the pager's memory as a table file in DIR\n"
    "                (made when missing)\n";
constexpr const char* kSignalHelp =
    "SIGINT (Ctrl+C), SIGTERM and SIGHUP: the first lets the transfer in hand end (the pager\n"
    "whole, the result shown and logged, the port closed), then the program stops; a second\n"
    "one ends the transfer at once and says what the pager then holds and what to run.\n";
constexpr const char* kStoppedExitHelp = "128+N stopped by signal N (130 SIGINT, 143 SIGTERM, 129 SIGHUP).\n";
constexpr const char* kReadExitHelp =
    "Exit codes: 0 read and stored in FILE; 1 no cradle answered or the read failed (the\n"
    "progress label and the reason say how); 2 usage error, or FILE or the trace cannot be\n"
    "written (found before anything is sent); ";
constexpr const char* kWriteExitHelp =
    "Exit codes: 0 written and every block read back right; 1 no cradle answered, the pager\n"
    "refused FILE, a question was answered Cancel, the backup could not be read or saved\n"
    "(nothing written), or a block failed (the pager may then be partly written: the message\n"
    "says what it holds and what to run); 2 usage error, FILE cannot be read, or the backup\n"
    "folder or the trace cannot be written (found before anything is sent); ";
constexpr const char* kVerifyExitHelp =
    "Exit codes: 0 the pager holds FILE; 1 no cradle answered, the pager holds other data, or\n"
    "the link failed; 2 usage error, FILE cannot be read, or the trace cannot be written;\n";
constexpr const char* kRestoreExitHelp =
    "Exit codes: 0 written and the whole memory read back as meant; 1 no cradle answered, the\n"
    "pager refused BACKUP (another firmware generation or channel count), or a block or the\n"
    "read-back failed (the message says what the pager then holds); 2 usage error, BACKUP is\n"
    "not a 512-byte table file, or the trace cannot be written; ";
constexpr const char* kProduceExitHelp =
    "Exit codes: 0 every pager was programmed, checked and logged; 1 a run failed, was refused\n"
    "or abandoned, was refused by the record (a serial number programmed before), or programmed\n"
    "a pager whose result could not be logged or recorded (it says so); 2 usage error, FILE\n"
    "cannot be read, the log folder or the day's log, the backup folder or the trace cannot be\n"
    "written, or the production record cannot be reached (found before anything is sent); ";

// Blanks around a serial number or a line; a CR/LF line end too.
std::string TrimmedLine(const std::string& text) {
  const auto first = text.find_first_not_of(" \r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \r\n");
  return text.substr(first, last - first + 1);
}

enum class Answers { AskAtTerminal, Yes, No, NeverAsk };

// The window's boxes become lines on stderr; questions are answered by
// --yes or --no, by the user at a terminal, or refused.
class CliHost : public HeadlessHost {
 public:
  CliHost(Io& io, Answers answers, PagerLink& link, const StopSignals& stops)
      : io_(io), answers_(answers), link_(link), stops_(stops) {
    if (answers_ == Answers::AskAtTerminal && !(&io.in == &std::cin && ::isatty(STDIN_FILENO))) {
      answers_ = Answers::NeverAsk;
    }
  }

  // The file the verb works on, named in the hint after a refusal.
  void SetFile(const std::string& file) { file_ = file; }

  void Warning(const std::string& text) override {
    lastWarning_ = text;
    if (JsonReport* report = ActiveJsonReport()) report->NoteWarning(text);
    io_.err << text << "\n";
    if (text == kSingleChannelPagerText && !file_.empty()) {
      io_.err << OneChannelHint(file_) << "\n";
    }
  }
  void Plain(const std::string& text) override { io_.err << text << "\n"; }
  bool Question(const std::string& text) override {
    // Asked to stop: nothing new is begun, so every question is Cancel.
    if (stops_.StopAfterTransfer()) {
      io_.err << text << " Cancel (stopping on " << SignalName(stops_.First()) << ")\n";
      return false;
    }
    switch (answers_) {
      case Answers::Yes:
        io_.err << text << " OK (--yes)\n";
        return true;
      case Answers::No:
        io_.err << text << " Cancel (--no)\n";
        return false;
      case Answers::NeverAsk:
        io_.err << text << " Cancel (give --yes to answer OK)\n";
        return false;
      case Answers::AskAtTerminal:
        break;
    }
    io_.err << text << " [OK/Cancel] " << std::flush;
    if (!WaitForInputUnlessStopped(STDIN_FILENO, stops_)) {
      io_.err << "Cancel (stopping on " << SignalName(stops_.First()) << ")\n";
      return false;
    }
    std::string answer;
    if (!std::getline(io_.in, answer)) {
      io_.err << "Cancel\n";  // end of input: the prompt line still ends
      return false;
    }
    answer = TrimmedLine(answer);
    return !answer.empty() && (answer[0] == 'o' || answer[0] == 'O' || answer[0] == 'y' || answer[0] == 'Y');
  }
  void PaceRequests(unsigned ms) override { link_.PaceRequests(ms); }
  void PagerBackedUp(const std::filesystem::path& file) override {
    if (JsonReport* report = ActiveJsonReport()) report->SetBackup(file.string());
    io_.err << "The pager's memory is backed up in " << file.string() << "\n";
    backup_ = file;
  }
  // Printed after the result label, by the verb.
  void WriteStoppedPartway(const PartialWrite& partial) override { partial_ = partial; }
  void ResultNotLogged(const std::string& text) override {
    io_.err << text << "\nThe pager was programmed, but this run is not logged.\n";
    notLogged_ = true;
  }
  void RecordMissed(const std::string& text) override {
    if (JsonReport* report = ActiveJsonReport()) report->NoteWarning(text);
    io_.err << text << "\n";
    notLogged_ = true;
  }
  // What a write that stopped part-way left, and what to run: the command
  // that writes the file again, and the restore of the backup when one was made.
  void PrintPartialWrite(const std::string& rewrite) {
    if (!partial_) return;
    io_.err << partial_->cause << "\n" << PartlyWrittenText(*partial_) << "\n";
    io_.err << "To finish, write the file again: " << rewrite << "\n";
    if (backup_) {
      io_.err << "Or put back what the pager held before: zt310 restore --port "
              << link_.SelectedPortName().toStdString() << " " << backup_->string() << "\n";
    }
  }
  // Ready for the next pager of a production run.
  void NextPager() {
    partial_.reset();
    backup_.reset();
    notLogged_ = false;
  }
  bool notLogged() const { return notLogged_; }
  // Printed after the result label, by the verb.
  void VerifyFailed(const VerifyReport& report) override {
    if (JsonReport* json = ActiveJsonReport()) json->SetVerifyReport(report);
    verifyReport_ = report;
  }
  const std::optional<VerifyReport>& verifyReport() const { return verifyReport_; }
  void PagerFirmwareShown(const std::string& text) override {
    firmware_ = text;
    if (JsonReport* report = ActiveJsonReport()) report->SetFirmware(text);
    io_.err << text << "\n";
  }
  void PagerSerialShown(const std::string& serial) override {
    pagerSerial_ = serial;
    if (JsonReport* report = ActiveJsonReport(); report && !serial.empty()) report->SetSerial(serial);
    io_.err << "Serial No. = " << (serial.empty() ? "(none)" : OneLineText(serial)) << "\n";
  }

 private:
  Io& io_;
  Answers answers_;
  PagerLink& link_;
  const StopSignals& stops_;
  std::string file_;
  std::optional<VerifyReport> verifyReport_;
  std::optional<PartialWrite> partial_;
  std::optional<std::filesystem::path> backup_;
  bool notLogged_ = false;

 public:
  // What the production record keeps of a bench operation.
  std::string firmware_;
  std::string pagerSerial_;
  std::string lastWarning_;
};

// Messages of the editor model during a load or a rule's click.
editor::EditorModel::MessageSink PrintMessages(Io& io) {
  return [&io](const editor::Message& message) {
    io.err << message.text << "\n";
    return message.buttons == editor::Buttons::YesNo ? editor::Answer::No : editor::Answer::Ok;
  };
}

// What every operation verb shares: the port, the trace, the model, the host.
struct OperationRun {
  // First, so a signal at any moment of the verb is seen.
  StopSignals stops;
  PagerLink link{LinkHost{}, VerbLinkTiming()};
  LinkTrace trace;
  std::unique_ptr<editor::EditorModel> model = editor::CreateEditorModel();
  std::unique_ptr<CliHost> host;

  OperationContext Context() { return {link, *host, std::filesystem::current_path()}; }
  // The model's image and choices in, the result shown in the model.
  template <typename Operation>
  OperationResult Run(OperationContext& context, Operation operation) {
    OperationResult result = operation(context, session::RequestFrom(*model));
    session::ShowOutcome(*model, result);
    return result;
  }

  // The verb's exit code, unless a signal asked it to stop: then it says so
  // and exits with 128 + the signal's number.
  int Exit(int code, Io& io, const char* after = "the transfer in hand ended") const {
    if (!stops.StopAfterTransfer()) return code;
    if (stops.StopNow()) {
      io.err << "zt310: stopped at once on a second signal (" << SignalName(stops.Last()) << ").\n";
    } else {
      io.err << "zt310: stopped on " << SignalName(stops.First()) << " after " << after << ".\n";
    }
    return stops.ExitCode();
  }
};

enum class Questions { None, Asked, NotFromInput };

// Takes --port, --trace and (when asked for) --yes / --no out of args;
// nothing, with the reason told, on a usage or trace-file error.
std::unique_ptr<OperationRun> TakeRunOptions(std::vector<std::string>& args, Io& io, Questions questions,
                                             const char* usage) {
  std::vector<std::string> ports;
  std::vector<std::string> traces;
  const bool yes = questions != Questions::None && TakeFlag(args, "--yes");
  const bool no = questions != Questions::None && TakeFlag(args, "--no");
  if (!TakeOption(args, "--port", ports) || !TakeOption(args, "--trace", traces) || ports.size() != 1 ||
      traces.size() > 1 || (yes && no)) {
    UsageError(io.err, usage);
    return nullptr;
  }
  DropEndOfOptions(args);
  auto run = std::make_unique<OperationRun>();
  if (!traces.empty()) {
    QString error;
    if (!run->trace.Open(QString::fromStdString(traces[0]), &error)) {
      io.err << "Cannot write the trace \"" << traces[0] << "\": " << error.toStdString() << "\n";
      return nullptr;
    }
    run->link.SetTrace(&run->trace);
  }
  OperationRun* raw = run.get();
  run->link.SetHost({{}, [&io](const QString& message) { io.err << message.toStdString() << "\n"; }});
  run->link.SetStopCheck([raw] { return raw->stops.StopNow(); });
  run->link.SetPortNames({QString::fromStdString(ports[0])});
  if (JsonReport* report = ActiveJsonReport()) report->SetPort(ports[0]);
  Answers answers = questions == Questions::NotFromInput ? Answers::NeverAsk : Answers::AskAtTerminal;
  if (yes) answers = Answers::Yes;
  if (no) answers = Answers::No;
  run->host = std::make_unique<CliHost>(io, answers, run->link, run->stops);
  run->model->SetMessageSink(PrintMessages(io));
  return run;
}

// The progress label's last words, then the exit code.
int Finish(const OperationResult& result, Io& io) {
  if (JsonReport* report = ActiveJsonReport()) report->SetResult(result);
  if (!result.label.empty()) io.err << TrimmedLine(result.label) << "\n";
  return result.outcome == OperationOutcome::Success ? kExitOk : kExitFailed;
}

// Why a verify failed, after its label: the fields that differ, or what
// went wrong on the link.
void PrintVerifyReport(const VerifyReport& report, Io& io) {
  if (!report.linkProblem.empty()) io.err << report.linkProblem << "\n";
  for (const FieldDifference& difference : report.differences) io.err << DescribeDifference(difference) << "\n";
}

// --backup-dir DIR, when given, must be usable before the pager is asked anything.
bool BackupFolderUsable(const std::optional<std::filesystem::path>& directory, Io& io) {
  if (!directory) return true;
  const auto why = BackupFolderNotWritable(*directory);
  if (why) io.err << "Cannot keep backups in " << *why << ". Nothing was sent to the pager.\n";
  return !why;
}

// --backup-dir DIR: at most one; nothing when not given.
bool TakeBackupDir(std::vector<std::string>& args, std::optional<std::filesystem::path>& directory) {
  std::vector<std::string> dirs;
  if (!TakeOption(args, "--backup-dir", dirs) || dirs.size() > 1 || (dirs.size() == 1 && dirs[0].empty())) {
    return false;
  }
  if (!dirs.empty()) directory = std::filesystem::path(dirs[0]);
  return true;
}

// FILE loaded with the "Open" rules into the model.
bool LoadIntoModel(OperationRun& run, const std::string& path, Io& io) {
  const std::optional<CodePlugImage> image = LoadTableForCli(path, io.err);
  if (!image) return false;
  run.model->OpenImage(*image);
  run.host->SetFile(path);
  if (JsonReport* report = ActiveJsonReport()) report->SetFile(path);
  return true;
}

// Where "read -o" will store the file: refused before the pager is asked
// anything when the file or its folder cannot be written.
std::optional<std::string> OutputNotWritable(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path target(path);
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  const fs::file_status status = fs::status(target, ec);
  if (fs::exists(status)) {
    if (!fs::is_regular_file(status)) return path + ": not a regular file";
    if (::access(target.c_str(), W_OK) != 0) return path + ": " + std::strerror(errno);
  }
  if (!fs::is_directory(folder, ec)) return path + ": the folder " + folder.string() + " does not exist";
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    return path + ": cannot write in " + folder.string() + ": " + std::strerror(errno);
  return std::nullopt;
}

constexpr const char* kReadUsage = "zt310 read --port PORT -o FILE [--trace FILE] [--json]";
constexpr const char* kWriteUsage =
    "zt310 write --port PORT FILE [--yes | --no] [--backup-dir DIR] [--record URL] [--station NAME] [--trace FILE] "
    "[--json]";
constexpr const char* kVerifyUsage =
    "zt310 verify --port PORT FILE [--exact] [--record URL] [--station NAME] [--trace FILE] [--json]";
constexpr const char* kRestoreUsage =
    "zt310 restore --port PORT BACKUP [--record URL] [--station NAME] [--trace FILE] [--json]";
constexpr const char* kProduceUsage =
    "zt310 produce --port PORT [--port PORT]... FILE [--log-dir DIR] [--record URL] [--station NAME] [--allow-repeat] "
    "[--yes | --no] [--serial SN | --serials LIST | --serial-start SN --count N] [--no-wait] [--backup-dir DIR] "
    "[--trace FILE] [--json]";

constexpr const char* kBenchRecordHelp =
    "  --record URL  leave the operation's row in this production record: a PostgreSQL server,\n"
    "                postgresql://USER@HOST/DB, or an SQLite file (default: production.sqlite in\n"
    "                the current directory); a record that cannot be used is named, the\n"
    "                operation is not held up\n"
    "  --station NAME this station's name in the record (default: the host name)\n";

// Where a bench operation (write, verify, restore) leaves its row.
struct BenchRecord {
  std::string location;  // empty: production.sqlite in the current folder
  std::string station;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};

bool TakeBenchRecord(std::vector<std::string>& args, BenchRecord& bench) {
  std::vector<std::string> records, stations;
  if (!TakeOption(args, "--record", records) || !TakeOption(args, "--station", stations) || records.size() > 1 ||
      stations.size() > 1 || (stations.size() == 1 && stations[0].empty())) {
    return false;
  }
  if (!records.empty()) bench.location = records[0];
  bench.station = stations.empty() ? record::DefaultStation() : stations[0];
  return true;
}

// The operation's row, after its result: a record that cannot be reached
// is named and the row is lost, but the operation's exit stays its own.
void RecordBench(const BenchRecord& bench, OperationRun& run, const char* operation, const OperationResult& result,
                 const CodePlugImage& image, const std::string& file, Io& io) {
  std::string error;
  const std::optional<record::Location> location = bench.location.empty()
                                                       ? record::RecordInFolder(std::filesystem::current_path())
                                                       : record::ParseLocation(bench.location, &error);
  std::unique_ptr<record::ProductionRecord> opened;
  if (location)
    opened = record::ProductionRecord::Open(*location, record::ProductionRecord::Mode::CreateOrUpgrade, &error);
  record::Row row;
  record::StampNow(row);
  row.station = bench.station;
  row.port = run.link.SelectedPortName().toStdString();
  row.serial = run.host->pagerSerial_.empty() ? SerialBlockText(SerialBlockOf(image)) : run.host->pagerSerial_;
  row.firmware = run.host->firmware_;
  row.operation = operation;
  row.result = TrimmedLine(result.label);
  if (row.result.empty()) row.result = run.host->lastWarning_.empty() ? "Cancelled" : run.host->lastWarning_;
  row.outcome = result.outcome == OperationOutcome::Success  ? record::Outcome::Good
                : result.outcome == OperationOutcome::Failed ? record::Outcome::Failed
                                                             : record::Outcome::Refused;
  row.durationMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - bench.started).count();
  row.fileName = file;
  row.imageSha256 = ConfigurationSha256(image);
  row.toolVersion = record::ToolVersion();
  if (!opened || !opened->Add(row, &error)) io.err << "This " << operation << " is not recorded: " << error << ".\n";
}

// Device and inode of a file, without following a link.
std::optional<std::pair<dev_t, ino_t>> FileIdentity(const std::filesystem::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
  return std::make_pair(info.st_dev, info.st_ino);
}

int RunRead(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  std::vector<std::string> outputs;
  if (!TakeOption(args, "-o", outputs) || outputs.size() != 1) return UsageError(io.err, kReadUsage);
  auto run = TakeRunOptions(args, io, Questions::None, kReadUsage);
  if (!run) return kExitUsage;
  if (!args.empty()) return UsageError(io.err, kReadUsage);
  if (JsonReport* report = ActiveJsonReport()) report->SetFile(outputs[0]);
  if (const auto why = OutputNotWritable(outputs[0])) {
    io.err << "Cannot write " << *why << ". Nothing was read.\n";
    return kExitUsage;
  }
  OperationContext context = run->Context();
  const std::filesystem::path dump = context.startupDirectory / kErrorDumpName;
  const auto dumpBefore = FileIdentity(dump);
  const OperationResult result = run->Run(context, ReadPager);
  if (result.outcome != OperationOutcome::Success) {
    if (result.outcome == OperationOutcome::Failed) {
      // The dump is always a new file, renamed into place: the same file as
      // before (or none) means it could not be written.
      const auto dumpAfter = FileIdentity(dump);
      if (dumpAfter && dumpAfter != dumpBefore) {
        io.err << "The bytes received are in " << dump.string() << ".\n";
      } else {
        io.err << "The bytes received could not be kept in " << dump.string() << ".\n";
      }
    }
    return run->Exit(Finish(result, io), io);
  }
  const SaveResult saved = SaveImageForCli(outputs[0], run->model->image(), SaveKind::SaveAs);
  if (!saved.ok) {
    io.err << saved.error << "\n";
    return run->Exit(kExitUsage, io);
  }
  return run->Exit(Finish(result, io), io);
}

int RunWrite(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  std::optional<std::filesystem::path> backupDir;
  BenchRecord bench;
  if (!TakeBackupDir(args, backupDir) || !TakeBenchRecord(args, bench)) return UsageError(io.err, kWriteUsage);
  auto run = TakeRunOptions(args, io, Questions::Asked, kWriteUsage);
  if (!run) return kExitUsage;
  if (args.size() != 1) return UsageError(io.err, kWriteUsage);
  if (!BackupFolderUsable(backupDir, io)) return kExitUsage;
  if (!LoadIntoModel(*run, args[0], io)) return kExitUsage;
  WarnWhenStoredChecksumDiffers(args[0], io.err);
  OperationContext context = run->Context();
  context.backupDirectory = backupDir;
  const OperationResult result = run->Run(context, WritePager);
  const int exit = Finish(result, io);
  run->host->PrintPartialWrite("zt310 write --port " + run->link.SelectedPortName().toStdString() + " " + args[0]);
  RecordBench(bench, *run, "write", result, result.image ? *result.image : run->model->image(), args[0], io);
  return run->Exit(exit, io);
}

// A file taken byte for byte (restore, verify --exact): its 512 bytes as
// stored, or nothing with the reason told.
std::optional<CodePlugImage> LoadExactFile(const std::string& path, Io& io) {
  std::string error;
  const auto bytes = ReadFileBytes(path, &error);
  if (!bytes) {
    io.err << path << ": " << error << "\n";
    return std::nullopt;
  }
  if (const auto problem = BackupFileProblem(*bytes)) {
    io.err << path << " cannot be taken byte for byte: " << *problem << ".\n";
    return std::nullopt;
  }
  return ImageOfBackup(*bytes);
}

void PrintByteDifferences(const std::vector<ByteDifference>& differences, const std::string& expectedName,
                          const std::string& foundName, Io& io) {
  for (const ByteDifference& difference : differences) {
    io.err << DescribeByteDifference(difference, expectedName, foundName) << "\n";
  }
}

// After the label: why the read-back or the compare failed.
void PrintExactReport(const RestoreResult& result, const std::string& expectedName, Io& io) {
  if (!result.linkProblem.empty()) io.err << result.linkProblem << "\n";
  PrintByteDifferences(result.differences, expectedName, "pager", io);
}

int RunRestore(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  BenchRecord bench;
  if (!TakeBenchRecord(args, bench)) return UsageError(io.err, kRestoreUsage);
  auto run = TakeRunOptions(args, io, Questions::None, kRestoreUsage);
  if (!run) return kExitUsage;
  if (args.size() != 1) return UsageError(io.err, kRestoreUsage);
  const std::optional<CodePlugImage> stored = LoadExactFile(args[0], io);
  if (!stored) {
    io.err << kNothingWrittenText << "\n";
    return kExitUsage;
  }
  OperationContext context = run->Context();
  const RestoreResult result = RestorePager(context, RestoreRequest{*stored});
  if (!result.remade.empty()) {
    io.err << "The checksum and header stamp were made as Write makes them, which changed " << result.remade.size()
           << (result.remade.size() == 1 ? " byte" : " bytes") << " of " << args[0] << ":\n";
    PrintByteDifferences(result.remade, "file", "written", io);
  }
  const int exit = Finish(result.result, io);
  PrintExactReport(result, "meant", io);
  run->host->PrintPartialWrite("zt310 restore --port " + run->link.SelectedPortName().toStdString() + " " + args[0]);
  RecordBench(bench, *run, "restore", result.result, *stored, args[0], io);
  return run->Exit(exit, io);
}

int RunVerifyExact(OperationRun& run, const std::string& path, const BenchRecord& bench, Io& io) {
  const std::optional<CodePlugImage> stored = LoadExactFile(path, io);
  if (!stored) return kExitUsage;
  OperationContext context = run.Context();
  const RestoreResult result = VerifyPagerExact(context, RestoreRequest{*stored});
  const int exit = Finish(result.result, io);
  PrintExactReport(result, "file", io);
  RecordBench(bench, run, "verify", result.result, *stored, path, io);
  return run.Exit(exit, io);
}

int RunVerify(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  const bool exact = TakeFlag(args, "--exact");
  BenchRecord bench;
  if (!TakeBenchRecord(args, bench)) return UsageError(io.err, kVerifyUsage);
  auto run = TakeRunOptions(args, io, Questions::None, kVerifyUsage);
  if (!run) return kExitUsage;
  if (args.size() != 1) return UsageError(io.err, kVerifyUsage);
  if (exact) return RunVerifyExact(*run, args[0], bench, io);
  if (!LoadIntoModel(*run, args[0], io)) return kExitUsage;
  std::string error;
  const auto stored = ReadFileBytes(args[0], &error);
  if (!stored) {
    io.err << args[0] << ": " << error << "\n";
    return kExitUsage;
  }
  OperationContext context = run->Context();
  std::string difference;
  const FileVerifyRequest request{session::RequestFrom(*run->model), *stored, session::StoredAsRead};
  const OperationResult result = VerifyPagerHoldsFile(context, request, &difference);
  if (!difference.empty()) io.err << args[0] << " differs from the pager at " << difference << "\n";
  if (JsonReport* report = ActiveJsonReport(); report && !difference.empty()) report->SetFirstDifference(difference);
  const int exit = Finish(result, io);
  if (run->host->verifyReport()) PrintVerifyReport(*run->host->verifyReport(), io);
  RecordBench(bench, *run, "verify", result, result.image ? *result.image : run->model->image(), args[0], io);
  return run->Exit(exit, io);
}

// One production run per serial number, as if each had been scanned. Every
// pager starts from FILE as loaded: a refusal or an adaptation made for one
// pager never reaches the next.
int ProduceOne(OperationRun& run, const CodePlugImage& loaded, const ProductionOptions& options,
               const std::optional<std::filesystem::path>& backupDir, const std::string& serial,
               const std::string& file, Io& io) {
  JsonReport* const report = ActiveJsonReport();
  if (report) report->SetSerial(serial);
  if (serial.size() < kScanMinLength) {
    io.err << "Serial No. \"" << PrintableSerial(serial) << "\" is not a scan: a scan has more than 10 characters. "
           << "Nothing was programmed.\n";
    if (report) report->Emit(kExitFailed);
    return kExitFailed;
  }
  run.model = editor::CreateEditorModel();
  run.model->SetMessageSink(PrintMessages(io));
  run.model->OpenImage(loaded);
  OperationContext context = run.Context();
  context.backupDirectory = backupDir;
  io.err << "Serial No. = " << PrintableSerial(serial) << "\n";
  run.host->NextPager();
  const int exit = Finish(run.Run(context,
                                  [&](OperationContext& each, const OperationRequest& request) {
                                    return ProduceScannedSerial(each, request, options, serial);
                                  }),
                          io);
  run.host->PrintPartialWrite("zt310 produce --port " + run.link.SelectedPortName().toStdString() + " " + file +
                              " --serial " + serial);
  const int ended = run.host->notLogged() ? kExitFailed : exit;
  if (report) report->Emit(ended);
  return ended;
}

int RunProduce(const std::vector<std::string>& argsIn, Io& io) {
  if (WantsStation(argsIn)) return RunProduceStation(argsIn, io);
  std::vector<std::string> args = argsIn;
  std::vector<std::string> logDirs;
  std::vector<std::string> serials;
  std::vector<std::string> records;
  std::vector<std::string> stations;
  std::optional<std::filesystem::path> backupDir;
  const bool allowRepeat = TakeFlag(args, "--allow-repeat");
  if (!TakeOption(args, "--log-dir", logDirs) || !TakeOption(args, "--serial", serials) || logDirs.size() > 1 ||
      serials.size() > 1 || !TakeBackupDir(args, backupDir) || !TakeOption(args, "--record", records) ||
      records.size() > 1 || !TakeOption(args, "--station", stations) || stations.size() > 1 ||
      (stations.size() == 1 && stations[0].empty())) {
    return UsageError(io.err, kProduceUsage);
  }
  auto run = TakeRunOptions(args, io, Questions::NotFromInput, kProduceUsage);
  if (!run) return kExitUsage;
  if (args.size() != 1) return UsageError(io.err, kProduceUsage);
  const std::optional<CodePlugImage> loaded = LoadTableForCli(args[0], io.err);
  if (!loaded) return kExitUsage;
  run->host->SetFile(args[0]);
  if (JsonReport* report = ActiveJsonReport()) report->SetFile(args[0]);
  WarnWhenStoredChecksumDiffers(args[0], io.err);

  ProductionOptions options;
  options.logDirectory = logDirs.empty() ? std::filesystem::current_path() : std::filesystem::path(logDirs[0]);
  if (const auto why = LogNotWritable(options.logDirectory, LogFileName(options.now()))) {
    io.err << kLogSaveErrorText << "\nCannot write " << *why << ". Nothing was programmed.\n";
    return kExitUsage;
  }
  if (!BackupFolderUsable(backupDir, io)) return kExitUsage;
  // The record must be there before the first pager: without it no serial
  // number can be checked against the line's others.
  std::string recordError;
  const std::optional<record::Location> location =
      records.empty() ? record::RecordInFolder(options.logDirectory) : record::ParseLocation(records[0], &recordError);
  std::unique_ptr<record::ProductionRecord> productionRecord;
  if (location) {
    productionRecord =
        record::ProductionRecord::Open(*location, record::ProductionRecord::Mode::CreateOrUpgrade, &recordError);
  }
  if (!productionRecord) {
    io.err << "The production record cannot be used: " << recordError << ".\nNothing was programmed.\n";
    return kExitUsage;
  }
  options.record = productionRecord.get();
  options.recorded.station = stations.empty() ? record::DefaultStation() : stations[0];
  options.recorded.port = run->link.SelectedPortName().toStdString();
  options.recorded.fileName = args[0];
  options.recorded.allowRepeat = allowRepeat;
  const char* stoppedAfter = "the pager in hand; no further serial numbers were read";
  if (!serials.empty()) {
    return run->Exit(ProduceOne(*run, *loaded, options, backupDir, TrimmedLine(serials[0]), args[0], io), io,
                     stoppedAfter);
  }

  int worst = kExitOk;
  // Standard input itself is read without stdio, so a signal ends the wait
  // for the next serial number.
  InputLines lines(STDIN_FILENO);
  const bool fromStandardInput = &io.in == &std::cin;
  const auto nextLine = [&]() -> std::optional<std::string> {
    if (run->stops.StopAfterTransfer()) return std::nullopt;
    if (fromStandardInput) return lines.Next(run->stops);
    std::string line;
    if (!std::getline(io.in, line)) return std::nullopt;
    return line;
  };
  while (const auto line = nextLine()) {
    const std::string serial = TrimmedLine(*line);
    if (serial.empty()) continue;
    if (ProduceOne(*run, *loaded, options, backupDir, serial, args[0], io) != kExitOk) worst = kExitFailed;
  }
  return run->Exit(worst, io, stoppedAfter);
}

}  // namespace

void AddOperationVerbs(std::vector<Verb>& verbs) {
  verbs.push_back({"read", kReadUsage, "Read the pager's memory and store it as a table file.",
                   std::string("Reads the pager in the cradle as \"Read\" (F3) does and stores the result as\n"
                               "\"Save As ...\" would. FILE must be writable: otherwise nothing is sent (exit 2).\n"
                               "A failed read stores the bytes received in errtbl.tbl in the current directory.\n"
                               "Prints the pager's firmware (FirmVer. X.Y.Z) and serial number on stderr.\n\n") +
                       "  -o FILE       the table file to write\n" + kLinkOptionsHelp + kJsonOperationHelp + "\n" +
                       kSignalHelp + "\n" + kReadExitHelp + kStoppedExitHelp,
                   WithJsonReport("read", JsonObjects::OnePerRun, RunRead)});
  verbs.push_back({"write", kWriteUsage, "Write a table file into the pager.",
                   std::string("Writes FILE (loaded as \"Open\" does) into the pager as \"Write\" (F4) does,\n"
                               "reading each block back. The pager keeps its own serial number. Prints the\n"
                               "pager's firmware (FirmVer. X.Y.Z) and serial number on stderr. A two-channel\n"
                               "FILE is refused by a single-channel pager: 'zt310 set FILE chkOneChannel=1\n"
                               "-o ONE-CHANNEL.tbl' makes a copy that fits. A FILE whose stored checksum does\n"
                               "not match its bytes (changed by another program, or damaged) is written all\n"
                               "the same, with a warning; the pager gets a checksum made afresh.\n"
                               "With --backup-dir the pager's whole memory is read first (\"Read Backup ......\")\n"
                               "and saved in DIR as SERIAL-YYYYMMDD-HHMMSS.tbl (no-serial-... for a pager without\n"
                               "one), a table file \"Open\" takes; when it cannot be read or saved nothing is\n"
                               "written and the reason is printed (exit 1).\n\n") +
                       kLinkOptionsHelp + kQuestionsHelp + kBackupHelp + kBenchRecordHelp + kJsonOperationHelp + "\n" +
                       kSignalHelp + "\n" + kWriteExitHelp + kStoppedExitHelp,
                   WithJsonReport("write", JsonObjects::OnePerRun, RunWrite)});
  verbs.push_back({"verify", kVerifyUsage, "Compare the pager's memory with a table file.",
                   std::string("Checks that the pager holds FILE: what 'zt310 write FILE' puts there, or what\n"
                               "'zt310 read -o FILE' stored from it. The copy of FILE is adapted as Write adapts\n"
                               "it, from the pager's own identity, band and serial-number blocks (firmware,\n"
                               "GAP MAX. units, low-battery byte, band bytes, serial number, checksum), without\n"
                               "asking anything and without writing; then every block Verify (F2) compares is\n"
                               "read back and compared. A difference names the first byte that differs, its\n"
                               "values in hexadecimal (byte 23: the pager holds 0x23, the file writes 0x22); after\n"
                               "\"Verify Fail !\" every field that differs follows, one a line, by its 'zt310 dump'\n"
                               "path with both values (channels.F1.frequency: file 1530125, pager 1520000), and\n"
                               "bytes no field shows as 'byte N: file XX, pager YY' (XX and YY hexadecimal). A\n"
                               "verify that fails on the link (no reply, a reply failing its checksum) says that\n"
                               "instead.\n\n") +
                       "  --exact       compare the pager's whole memory with FILE byte for byte, apart\n"
                       "                from the identity block and serial number (the pager's own); the\n"
                       "                checksum and header stamp may be FILE's or those 'zt310 restore'\n"
                       "                makes. Every byte that differs is listed after \"Verify Fail !\":\n"
                       "                byte N: pager 0x.., file 0x.. (the fields it belongs to)\n" +
                       kLinkOptionsHelp + kBenchRecordHelp + kJsonOperationHelp + "\n" + kSignalHelp + "\n" +
                       kVerifyExitHelp + kStoppedExitHelp,
                   WithJsonReport("verify", JsonObjects::OnePerRun, RunVerify)});
  verbs.push_back({"restore", kRestoreUsage, "Put a backup back into the pager, byte for byte.",
                   std::string("Writes BACKUP (a file saved by --backup-dir or the window's backups folder) into\n"
                               "the pager as stored, without the changes \"Open\" makes to a file. Only the\n"
                               "pager's identity block (bytes 0 to 15) and serial number (416 to 431) stay the\n"
                               "pager's, as Write takes them; the checksum (496, 497) and header stamp (510, 511)\n"
                               "are made as Write makes them, and the bytes of BACKUP that changed are listed.\n"
                               "The blocks are written as Write writes them, each read back; then the whole\n"
                               "memory is read back and compared with what was meant, byte for byte, and every\n"
                               "byte that differs is listed (byte N: pager 0x.., meant 0x.. (fields)).\n"
                               "A backup from another firmware generation (timing in 100 ms or in 50 ms) or from\n"
                               "a pager with another channel count than the pager in the cradle is refused,\n"
                               "naming both; nothing is written then. BACKUP must be 512 bytes with the ZT310\n"
                               "signature. 'zt310 verify --exact BACKUP' checks the pager against it later.\n"
                               "Ends with \"Write Success !\", \"Write Fail !\" or \"Verify Fail !\".\n\n") +
                       kLinkOptionsHelp + kBenchRecordHelp + kJsonOperationHelp + "\n" + kSignalHelp + "\n" +
                       kRestoreExitHelp + kStoppedExitHelp,
                   WithJsonReport("restore", JsonObjects::OnePerRun, RunRestore)});
  verbs.push_back({"produce", kProduceUsage, "Production runs: write FILE with scanned serial numbers, logged per day.",
                   std::string("Reads serial numbers from standard input, one per line (or one with --serial), and\n"
                               "for each runs the production write of FILE with that serial number, as a scan\n"
                               "into \"Serial No.\" does. A serial number is 11 to 14 printable ASCII characters\n"
                               "(no blanks or control characters inside); others are refused, nothing programmed\n"
                               "or logged. Every pager starts from FILE as loaded. Standard input carries only\n"
                               "serial numbers: questions are answered by --yes or --no, otherwise Cancel. Each\n"
                               "result is appended to the day's log yyyy-mm-dd.log. A FILE whose stored checksum\n"
                               "does not match its bytes is written all the same, with a warning.\n"
                               "Every run also leaves a row in the production record (time, station, port and\n"
                               "cradle, serial number, firmware, result, duration, FILE and the SHA-256 of the\n"
                               "bytes written without the serial number); 'zt310 history' lists them. A serial\n"
                               "number the record shows programmed (\"Write Success !\"), at this station or\n"
                               "another, or one another cradle is programming now, is refused before anything\n"
                               "is sent, naming when, where and on which cradle. When the record cannot be\n"
                               "reached at the start nothing is programmed (exit 2); a record lost during a run\n"
                               "lets the run finish and log its line, and says the record missed it (exit 1).\n\n") +
                       "  --log-dir DIR  where the daily logs go (default: the current directory); the\n"
                       "                production record production.sqlite is kept beside them\n"
                       "  --record URL   keep the production record in a PostgreSQL server the line shares,\n"
                       "                postgresql://USER@HOST/DB (or the path of an SQLite file)\n"
                       "  --station NAME this station's name in the record (default: the host name)\n"
                       "  --allow-repeat program a serial number the record shows programmed (a rework);\n"
                       "                the row says it was a repeat\n"
                       "  --serial SN    one run with this serial number instead of standard input\n" +
                       kLinkOptionsHelp + kStationHelp + kProduceQuestionsHelp + kBackupHelp +
                       "                Production backs up only when asked; the file is named after the\n"
                       "                scanned serial number. A run whose backup fails writes nothing and\n"
                       "                is not logged.\n" +
                       kJsonOperationHelp +
                       "                produce prints one such object per serial number, one object a\n"
                       "                line, as each pager is done; a usage or file error before the first\n"
                       "                pager prints one error object.\n\n" +
                       "A signal lets the pager in hand be finished and logged; no further serial numbers are\n"
                       "read.\n" +
                       kSignalHelp + "\n" + kProduceExitHelp + kStoppedExitHelp,
                   WithJsonReport("produce", JsonObjects::PrintedByVerb, RunProduce)});
}

}  // namespace zt310::cli
