// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PagerReports.h"

#include <QStringList>

#include "codeplug/Decode.h"
#include "editor/EditorModel.h"
#include "link/PartialWrite.h"
#include "ui/MessageService.h"

namespace zt310::ui {

using editor::Buttons;
using editor::Icon;

namespace {

QString ByteLines(const std::vector<ByteDifference>& differences, const std::string& expectedName,
                  const std::string& foundName) {
  QStringList lines;
  for (const ByteDifference& difference : differences) {
    lines << QString::fromStdString(DescribeByteDifference(difference, expectedName, foundName));
  }
  return lines.join('\n');
}

QString BytesCount(std::size_t count) { return QString("%1 %2").arg(count).arg(count == 1 ? "byte" : "bytes"); }

}  // namespace

void ShowPartialWrite(const PartialWrite& partial, const std::filesystem::path& backup, QWidget* parent) {
  std::string text =
      partial.cause + "\n" + PartlyWrittenText(partial) + "\nTo finish, write it again (Pager > Write, F4).";
  if (!backup.empty()) {
    text += "\nOr put back what the pager held before: Pager > Restore Backup... with " + backup.string() + ".";
  }
  MessageService::Instance().Show(editor::kTitle, QString::fromStdString(text), Icon::Exclamation, Buttons::Ok, parent);
}

void ShowVerifyFailure(const VerifyReport& report, QWidget* parent) {
  if (report.differences.empty()) {
    if (report.linkProblem.empty()) return;
    MessageService::Instance().Show(editor::kTitle, QString::fromStdString(report.linkProblem), Icon::Exclamation,
                                    Buttons::Ok, parent);
    return;
  }
  QStringList lines;
  for (const FieldDifference& difference : report.differences) {
    lines << QString::fromStdString(DescribeDifference(difference, "window", "pager"));
  }
  const int count = static_cast<int>(lines.size());
  const QString text =
      QString("The pager holds other data than the window in %1 %2.").arg(count).arg(count == 1 ? "field" : "fields");
  MessageService::Instance().ShowWithDetails({editor::kTitle, text.toStdString(), Icon::Exclamation, Buttons::Ok},
                                             lines.join('\n'), parent);
}

void ShowRestoreReport(const RestoreResult& restore, QWidget* parent) {
  MessageService& messages = MessageService::Instance();
  if (restore.result.outcome == OperationOutcome::Failed) {
    if (!restore.linkProblem.empty()) {
      messages.Show(editor::kTitle, QString::fromStdString(restore.linkProblem), Icon::Exclamation, Buttons::Ok,
                    parent);
    } else if (!restore.differences.empty()) {
      const QString text = QString("After the restore the pager holds other data than meant in %1.")
                               .arg(BytesCount(restore.differences.size()));
      messages.ShowWithDetails({editor::kTitle, text.toStdString(), Icon::Exclamation, Buttons::Ok},
                               ByteLines(restore.differences, "meant", "pager"), parent);
    }
    return;
  }
  if (restore.result.outcome == OperationOutcome::Success && !restore.remade.empty()) {
    const QString text = QString(
                             "The backup is restored. The checksum and header stamp were made as Write makes "
                             "them, which changed %1 of the file.")
                             .arg(BytesCount(restore.remade.size()));
    messages.ShowWithDetails({editor::kTitle, text.toStdString(), Icon::None, Buttons::Ok},
                             ByteLines(restore.remade, "file", "written"), parent);
  }
}

}  // namespace zt310::ui
