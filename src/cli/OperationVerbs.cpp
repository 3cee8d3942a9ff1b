// Verbs that program the pager in its cradle: read, write, verify and
// produce. They run the very procedures of the window's "Pager" menu and
// production field, with messages on stderr and no result pauses.
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/Cli.h"
#include "codeplug/TableFile.h"
#include "editor/EditorModel.h"
#include "link/LinkTrace.h"
#include "link/OperationHost.h"
#include "link/Operations.h"
#include "link/PagerLink.h"
#include "link/Production.h"

namespace zt310::cli {

namespace {

constexpr const char* kLinkOptionsHelp =
    "  --port PORT   the port of the cradle (a name such as ttyUSB0 or a path); required\n"
    "  --trace FILE  write every frame sent and received, with ms timestamps, and the time-outs\n";
constexpr const char* kQuestionsHelp =
    "  --yes         answer the band questions with OK; without it they are answered Cancel,\n"
    "                unless standard input is a terminal, where they are asked\n";
constexpr const char* kExitHelp =
    "Exit codes: 0 success, 1 the pager operation failed or was abandoned, 2 usage or file error.\n";

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// The window's boxes become lines on stderr; questions are answered by
// --yes, by the user at a terminal, or refused.
class CliHost : public OperationHost {
 public:
  CliHost(Io& io, bool yes) : io_(io), yes_(yes), ask_(&io.in == &std::cin && ::isatty(STDIN_FILENO)) {}

  void Warning(const std::string& text) override { io_.err << text << "\n"; }
  void Plain(const std::string& text) override { io_.err << text << "\n"; }
  bool Question(const std::string& text) override {
    if (yes_) {
      io_.err << text << " OK (--yes)\n";
      return true;
    }
    if (!ask_) {
      io_.err << text << " Cancel (give --yes to answer OK)\n";
      return false;
    }
    io_.err << text << " [OK/Cancel] " << std::flush;
    std::string answer;
    if (!std::getline(io_.in, answer)) return false;
    answer = Trimmed(answer);
    return !answer.empty() && (answer[0] == 'o' || answer[0] == 'O' || answer[0] == 'y' || answer[0] == 'Y');
  }
  void Status(const std::string&) override {}
  void ProgressLabel(const std::string&) override {}
  void ProgressRange(int, int) override {}
  void ProgressValue(int) override {}
  void ProgressGaugeVisible(bool) override {}
  void ShowProgress() override {}
  void CloseProgress() override {}
  void MainWindowEnabled(bool) override {}
  void Pause(unsigned) override {}

 private:
  Io& io_;
  bool yes_;
  bool ask_;
};

// What every operation verb shares: the port, the trace, the model, the host.
struct OperationRun {
  PagerLink link;
  LinkTrace trace;
  std::unique_ptr<editor::EditorModel> model = editor::CreateEditorModel();
  std::unique_ptr<CliHost> host;

  OperationContext Context() { return {link, *model, *host, std::filesystem::current_path()}; }
};

int UsageError(std::ostream& err, const std::string& usage) {
  err << "Usage: " << usage << "\n";
  return kExitUsage;
}

// Takes --port, --trace and (when asked for) --yes out of args; nothing,
// with the reason told, on a usage or trace-file error.
std::unique_ptr<OperationRun> TakeRunOptions(std::vector<std::string>& args, Io& io, bool questions,
                                             const char* usage) {
  std::vector<std::string> ports;
  std::vector<std::string> traces;
  const bool yes = questions && TakeFlag(args, "--yes");
  if (!TakeOption(args, "--port", ports) || !TakeOption(args, "--trace", traces) || ports.size() != 1 ||
      traces.size() > 1) {
    UsageError(io.err, usage);
    return nullptr;
  }
  auto run = std::make_unique<OperationRun>();
  if (!traces.empty()) {
    QString error;
    if (!run->trace.Open(QString::fromStdString(traces[0]), &error)) {
      io.err << "Cannot write the trace \"" << traces[0] << "\": " << error.toStdString() << "\n";
      return nullptr;
    }
    run->link.SetTrace(&run->trace);
  }
  run->link.SetHost({{}, [&io](const QString& message) { io.err << message.toStdString() << "\n"; }});
  run->link.SetPortNames({QString::fromStdString(ports[0])});
  run->host = std::make_unique<CliHost>(io, yes);
  run->model->SetMessageSink([&io](const editor::Message& message) {
    io.err << message.text << "\n";
    return message.buttons == editor::Buttons::YesNo ? editor::Answer::No : editor::Answer::Ok;
  });
  return run;
}

// The progress label's last words, then the exit code.
int Finish(const OperationResult& result, Io& io) {
  if (!result.label.empty()) io.err << Trimmed(result.label) << "\n";
  return result.outcome == OperationOutcome::Success ? kExitOk : kExitFailed;
}

// FILE loaded with the "Open" rules into the model.
bool LoadIntoModel(OperationRun& run, const std::string& path, Io& io) {
  const std::optional<CodePlugImage> image = LoadTableForCli(path, io.err);
  if (!image) return false;
  run.model->OpenImage(*image);
  return true;
}

constexpr const char* kReadUsage = "zt310 read --port PORT -o FILE [--trace FILE]";
constexpr const char* kWriteUsage = "zt310 write --port PORT FILE [--yes] [--trace FILE]";
constexpr const char* kVerifyUsage = "zt310 verify --port PORT FILE [--trace FILE]";
constexpr const char* kProduceUsage =
    "zt310 produce --port PORT FILE [--log-dir DIR] [--yes] [--serial SN] [--trace FILE]";

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
  auto run = TakeRunOptions(args, io, false, kReadUsage);
  if (!run) return kExitUsage;
  if (!args.empty()) return UsageError(io.err, kReadUsage);
  OperationContext context = run->Context();
  const std::filesystem::path dump = context.startupDirectory / kErrorDumpName;
  const auto dumpBefore = FileIdentity(dump);
  const OperationResult result = ReadPager(context);
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
    return Finish(result, io);
  }
  const SaveResult saved = SaveTableFile(outputs[0], run->model->image(), SaveKind::SaveAs);
  if (!saved.ok) {
    io.err << saved.error << "\n";
    return kExitUsage;
  }
  return Finish(result, io);
}

int RunWrite(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  auto run = TakeRunOptions(args, io, true, kWriteUsage);
  if (!run) return kExitUsage;
  if (args.size() != 1) return UsageError(io.err, kWriteUsage);
  if (!LoadIntoModel(*run, args[0], io)) return kExitUsage;
  OperationContext context = run->Context();
  return Finish(WritePager(context), io);
}

int RunVerify(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  auto run = TakeRunOptions(args, io, false, kVerifyUsage);
  if (!run) return kExitUsage;
  if (args.size() != 1) return UsageError(io.err, kVerifyUsage);
  if (!LoadIntoModel(*run, args[0], io)) return kExitUsage;
  OperationContext context = run->Context();
  return Finish(VerifyPager(context), io);
}

// One production run per serial number, as if each had been scanned.
int ProduceOne(OperationRun& run, const ProductionOptions& options, const std::string& serial, Io& io) {
  if (serial.size() < kScanMinLength) {
    io.err << "Serial No. \"" << serial << "\" is not a scan: a scan has more than 10 characters. "
           << "Nothing was programmed.\n";
    return kExitFailed;
  }
  OperationContext context = run.Context();
  io.err << "Serial No. = " << serial << "\n";
  return Finish(ProduceScannedSerial(context, options, serial), io);
}

int RunProduce(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  std::vector<std::string> logDirs;
  std::vector<std::string> serials;
  if (!TakeOption(args, "--log-dir", logDirs) || !TakeOption(args, "--serial", serials) || logDirs.size() > 1 ||
      serials.size() > 1) {
    return UsageError(io.err, kProduceUsage);
  }
  auto run = TakeRunOptions(args, io, true, kProduceUsage);
  if (!run) return kExitUsage;
  if (args.size() != 1) return UsageError(io.err, kProduceUsage);
  if (!LoadIntoModel(*run, args[0], io)) return kExitUsage;

  ProductionOptions options;
  options.logDirectory = logDirs.empty() ? std::filesystem::current_path() : std::filesystem::path(logDirs[0]);
  if (!serials.empty()) return ProduceOne(*run, options, Trimmed(serials[0]), io);

  int worst = kExitOk;
  std::string line;
  while (std::getline(io.in, line)) {
    const std::string serial = Trimmed(line);
    if (serial.empty()) continue;
    if (ProduceOne(*run, options, serial, io) != kExitOk) worst = kExitFailed;
  }
  return worst;
}

}  // namespace

void AddOperationVerbs(std::vector<Verb>& verbs) {
  verbs.push_back({"read", kReadUsage, "Read the pager's memory and store it as a table file.",
                   std::string("Reads the pager in the cradle as \"Read\" (F3) does and stores the result as\n"
                               "\"Save As ...\" would. A failed read stores the bytes received in errtbl.tbl\n"
                               "in the current directory.\n\n") +
                       "  -o FILE       the table file to write\n" + kLinkOptionsHelp + "\n" + kExitHelp,
                   RunRead});
  verbs.push_back({"write", kWriteUsage, "Write a table file into the pager.",
                   std::string("Writes FILE (loaded as \"Open\" does) into the pager as \"Write\" (F4) does,\n"
                               "reading each block back. The pager keeps its own serial number.\n\n") +
                       kLinkOptionsHelp + kQuestionsHelp + "\n" + kExitHelp,
                   RunWrite});
  verbs.push_back({"verify", kVerifyUsage, "Compare the pager's memory with a table file.",
                   std::string("Compares the pager with FILE as \"Verify\" (F2) does.\n\n") + kLinkOptionsHelp +
                       "\n" + kExitHelp,
                   RunVerify});
  verbs.push_back(
      {"produce", kProduceUsage, "Production runs: write FILE with scanned serial numbers, logged per day.",
       std::string("Reads serial numbers from standard input, one per line (or one with --serial), and\n"
                   "for each runs the production write of FILE with that serial number, as a scan\n"
                   "into \"Serial No.\" does. A serial number needs 11 to 14 characters. Each result\n"
                   "is appended to the day's log yyyy-mm-dd.log.\n\n") +
           "  --log-dir DIR  where the daily logs go (default: the current directory)\n"
           "  --serial SN    one run with this serial number instead of standard input\n" +
           kLinkOptionsHelp + kQuestionsHelp + "\n" + kExitHelp,
       RunProduce});
}

}  // namespace zt310::cli
