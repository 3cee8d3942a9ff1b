// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PagerActions.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "codeplug/SafeFile.h"
#include "link/PagerBackup.h"
#include "link/PagerRestore.h"
#include "link/Production.h"
#include "port/PagerLink.h"
#include "session/OperationModel.h"
#include "ui/DemoPager.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"
#include "ui/OperationRunner.h"
#include "ui/PagerReports.h"
#include "ui/ProductionRecordWindow.h"
#include "ui/ResultStrip.h"

namespace zt310::ui {

using editor::Buttons;
using editor::Icon;

PagerActions::PagerActions(MainWindow& window, OperationRunner& runner, ResultStrip& strip)
    : QObject(&window), window_(window), runner_(runner), strip_(strip) {}

PagerActions::~PagerActions() = default;

QString PagerActions::FileSubject() const { return QFileInfo(window_.SaveTarget()).fileName(); }

void PagerActions::ShowResult(const QString& subject, const OperationResult& result, const char* name) {
  const QString label = QString::fromStdString(result.label).trimmed();
  switch (result.outcome) {
    case OperationOutcome::Success:
      strip_.ShowSuccess(subject, label);
      break;
    case OperationOutcome::Failed:
      strip_.ShowFailure(subject, label.isEmpty() ? QString("%1 failed").arg(name) : label);
      break;
    case OperationOutcome::Abandoned:
      // Stopped by a refusal or a question's Cancel: the box said why; the
      // strip only says that nothing was done.
      strip_.ShowFailure(subject, QString("%1 not done").arg(name));
      break;
  }
}

template <typename Operation>
OperationResult PagerActions::RunBench(Operation operation, const char* name) {
  OperationResult result;
  if (runner_.Running()) return result;
  QWidget* focus = QApplication::focusWidget();
  if (!window_.CommitField()) return result;
  const bool ran = runner_.Run(
      [&](OperationContext& context) {
        result = operation(context, session::RequestFrom(window_.Model()));
        session::ShowOutcome(window_.Model(), result);
      },
      focus);
  if (ran) ShowResult(FileSubject(), result, name);
  return result;
}

void PagerActions::Write() {
  const std::optional<std::filesystem::path> backups =
      window_.BackupBeforeWrite() ? std::optional<std::filesystem::path>(window_.BackupFolder().toStdString())
                                  : std::nullopt;
  partialWrite_.reset();
  lastBackup_.clear();
  const auto started = std::chrono::steady_clock::now();
  RunBench(
      [&](OperationContext& context, const OperationRequest& request) {
        context.backupDirectory = backups;
        OperationResult written = WritePager(context, request);
        RecordBench("write", started, written, written.image.value_or(request.image));
        return written;
      },
      "Write");
  if (partialWrite_) strip_.AddNote(QString::fromStdString(partialWrite_->cause));
  ShowPartialWriteIfAny();
}

void PagerActions::Read() {
  if (runner_.Running() || !window_.MayDiscardChanges()) return;
  const OperationResult result = RunBench(
      [](OperationContext& context, const OperationRequest& request) { return ReadPager(context, request); }, "Read");
  if (result.outcome == OperationOutcome::Success) {
    window_.StartFresh();
    const std::string serial = SerialBlockText(SerialBlockOf(window_.Model().image()));
    const QString last = LastProgrammedStatus(*window_.WindowSettings(), window_.StartupDirectory(), serial);
    if (!last.isEmpty()) window_.SetStatusText(window_.StatusText() + "   " + last.trimmed());
  }
}

void PagerActions::Verify() {
  verifyFailure_.reset();
  const auto started = std::chrono::steady_clock::now();
  RunBench(
      [&](OperationContext& context, const OperationRequest& request) {
        OperationResult verified = VerifyPager(context, request);
        RecordBench("verify", started, verified, verified.image.value_or(request.image));
        return verified;
      },
      "Verify");
  if (const std::unique_ptr<VerifyReport> report = std::move(verifyFailure_)) ShowVerifyFailure(*report, &window_);
}

void PagerActions::Produce(const std::string& serial) {
  partialWrite_.reset();
  lastBackup_.clear();
  OperationResult result;
  const bool ran = runner_.Run([&](OperationContext& context) {
    if (window_.BackupBeforeWrite()) context.backupDirectory = window_.BackupFolder().toStdString();
    ProductionOptions production;
    // A demo pager's runs are kept apart from the real ones: their own log
    // and their own record, in the demo folder.
    const bool demo = window_.IsDemoPort(context.link.SelectedPortName());
    production.logDirectory = demo ? DemoLogDirectory(window_.StartupDirectory()) : context.startupDirectory;
    std::string refusal;
    const auto productionRecord =
        RecordForScan(*window_.WindowSettings(),
                      demo ? QString::fromStdString(production.logDirectory.string()) : window_.StartupDirectory(),
                      context.link.SelectedPortName(), window_.CaptionFile(), production, &refusal, demo);
    if (!productionRecord) {
      context.host.Warning(refusal);
      result.outcome = OperationOutcome::Abandoned;
      result.label = "Scan refused";
      return;
    }
    result = ProduceScannedSerial(context, session::RequestFrom(window_.Model()), production, serial);
    session::ShowOutcome(window_.Model(), result);
  });
  if (!ran) return;
  const QString subject = QString::fromStdString(PrintableSerial(serial));
  if (const auto refusal = SerialNumberRefusal(serial)) {
    const QString why = QString::fromStdString(*refusal).section('\n', 0, 0);
    strip_.ShowFailure(subject, "Scan refused");
    strip_.AddNote(why);
  } else {
    ShowResult(subject, result, "Programming");
  }
  ShowPartialWriteIfAny();
}

void PagerActions::ShowPartialWriteIfAny() {
  if (const std::unique_ptr<PartialWrite> partial = std::move(partialWrite_)) {
    ShowPartialWrite(*partial, lastBackup_, &window_);
  }
}

void PagerActions::RestoreBackup() {
  if (runner_.Running()) return;
  const QString folder = window_.BackupFolder();
  QDir().mkpath(folder);  // the dialog opens where the backups are
  const QString path = window_.ChooseOpenFile(folder);
  if (path.isEmpty()) return;
  MessageService& messages = MessageService::Instance();
  std::string error;
  const auto bytes = ReadFileBytes(path.toStdString(), &error);
  if (!bytes) {
    messages.Show(kFileErrorTitle, QString("%1: %2").arg(path, QString::fromStdString(error)), Icon::Exclamation,
                  Buttons::Ok, &window_);
    return;
  }
  if (const auto problem = BackupFileProblem(*bytes)) {
    messages.Show(editor::kTitle,
                  QString("%1 cannot be restored: %2.\n%3")
                      .arg(path, QString::fromStdString(*problem), QString(kNothingWrittenText)),
                  Icon::Exclamation, Buttons::Ok, &window_);
    return;
  }
  partialWrite_.reset();
  lastBackup_.clear();
  RestoreResult restore;
  const auto started = std::chrono::steady_clock::now();
  if (!runner_.Run(
          [&](OperationContext& context) { restore = RestorePager(context, RestoreRequest{ImageOfBackup(*bytes)}); }))
    return;
  RecordBench("restore", started, restore.result, ImageOfBackup(*bytes));
  ShowResult(QFileInfo(path).fileName(), restore.result, "Restore");
  if (restore.result.outcome == OperationOutcome::Abandoned) return;
  if (restore.result.outcome == OperationOutcome::Failed &&
      partialWrite_) {  // a block failed: say what the pager now holds
    ShowPartialWriteIfAny();
    return;
  }
  ShowRestoreReport(restore, &window_);
}

void PagerActions::RecordBench(const char* operation, std::chrono::steady_clock::time_point started,
                               const OperationResult& result, const CodePlugImage& image) {
  const BenchRun run{operation, window_.Link().SelectedPortName(), window_.CaptionFile(),
                     window_.VersionLabel()->text(), started};
  if (const auto missed = RecordBenchRun(*window_.WindowSettings(), window_.StartupDirectory(), run, result, image)) {
    window_.SetStatusText(*missed);
  }
}

void PagerActions::VibratorTest(std::uint8_t command) {
  runner_.Run([&](OperationContext& context) { context.link.SendTestCommand(command, 0, 0, 0); });
}

void PagerActions::AlertTest(bool on, int channel, int call) {
  const auto commands = AlertTestCommands(on, channel, call);
  runner_.Run([&](OperationContext& context) {
    for (const TestCommand& command : commands)
      context.link.SendTestCommand(command[0], command[1], command[2], command[3]);
  });
}

}  // namespace zt310::ui
