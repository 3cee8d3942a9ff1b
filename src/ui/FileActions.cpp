// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FileActions.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "codeplug/TextPlug.h"
#include "editor/ModelOperations.h"
#include "editor/TextImport.h"
#include "ui/EditHistory.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"
#include "ui/RecentFiles.h"

namespace zt310::ui {

using editor::Answer;
using editor::Buttons;
using editor::Icon;

namespace {

constexpr const char* kDefaultSaveQuestion =
    "Click OK will save all changes to the default file.\nThis will change all the default values and "
    "automatically loaded up by ZT310 programming software in the future.";
constexpr const char* kUnsavedQuestion = "The configuration has changes that are not saved.\nSave them first?";
constexpr const char* kRestoreQuestion =
    "It will restore all the settings to the factory-default settings and your setting will be lost.";

QString ChooseTableFile(QWidget* parent, const QString& folder, bool save) {
  QFileDialog dialog(parent, save ? "Save As" : "Open", folder, "Table files (*.tbl);;Code-plug text (*.yaml *.yml)");
  dialog.setDefaultSuffix("tbl");
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
    dialog.setDefaultSuffix(filter.contains("yaml") ? "yaml" : "tbl");
  });
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

// The reason a file cannot be opened, when the system gave none.
QString CannotOpenReason(const QString& path, const std::string& detail) {
  if (!detail.empty()) return QString::fromStdString(detail);
  const QFileInfo info(path);
  if (!info.exists()) return "no such file";
  if (info.isDir()) return "it is a folder";
  if (!info.isFile()) return "it is not a regular file";
  return "it cannot be read";
}

}  // namespace

FileActions::FileActions(MainWindow& window, QString startupDirectory, Chooser chooseOpen, Chooser chooseSave)
    : window_(window),
      startupDirectory_(std::move(startupDirectory)),
      chooseOpen_(chooseOpen ? std::move(chooseOpen)
                             : [](QWidget* p, const QString& f) { return ChooseTableFile(p, f, false); }),
      chooseSave_(chooseSave ? std::move(chooseSave)
                             : [](QWidget* p, const QString& f) { return ChooseTableFile(p, f, true); }) {}

QString FileActions::ChooseOpenFile(const QString& folder) { return chooseOpen_(&window_, folder); }

bool FileActions::MayDiscardChanges() {
  // The field being edited counts: what is shown is what would be lost.
  if (!window_.CommitField()) return false;
  if (!window_.HasUnsavedChanges()) return true;
  switch (MessageService::Instance().AskSaveDiscardCancel(editor::kTitle, kUnsavedQuestion, &window_)) {
    case Answer::Yes:
      return SaveFile() && !window_.HasUnsavedChanges();
    case Answer::No:
      return true;
    default:
      return false;
  }
}

void FileActions::OpenFile() {
  if (window_.OperationRunning() || !MayDiscardChanges()) return;
  const QString path = chooseOpen_(&window_, startupDirectory_);
  if (path.isEmpty()) return;
  OpenTableFileNow(path);
}

void FileActions::OpenFileAt(const QString& path) {
  if (!MayDiscardChanges()) return;
  OpenTableFileNow(path);
}

bool FileActions::OpenTableFileNow(const QString& path) {
  CodePlugImage image = window_.Model().image();
  std::string refusal;
  const OpenResult result = text::IsTextPlugPath(path.toStdString())
                                ? editor::OpenTextFile(path.toStdString(), image, &refusal)
                                : OpenTableFile(path.toStdString(), image);
  if (result.status == OpenStatus::CannotRead) {
    // The usual sentence, then which file and why.
    const QString text = QString("%1\n%2: %3").arg(kFileErrorText, path, CannotOpenReason(path, result.detail));
    MessageService::Instance().Show(kFileErrorTitle, text, Icon::Exclamation, Buttons::OkCancel, &window_);
    return false;
  }
  if (result.status == OpenStatus::NotCodePlug) {
    // A refused text says where and why, after the usual sentence.
    const QString text = refusal.empty() ? QString(kNotCodePlugText)
                                         : QString("%1\n%2").arg(kNotCodePlugText, QString::fromStdString(refusal));
    MessageService::Instance().Show(editor::kTitle, text, Icon::Exclamation, Buttons::Ok, &window_);
    return false;
  }
  QDir::setCurrent(QFileInfo(path).absolutePath());
  window_.Model().OpenImage(image);  // also shows the firmware version and its timing unit
  window_.RefreshFromModel();
  window_.StartFresh();
  window_.SetCaptionFile(path);
  window_.Recent().Remember(path);
  return true;
}

bool FileActions::WriteTable(const QString& path, bool saveAs) {
  window_.CommitField();
  const SaveKind kind = saveAs ? SaveKind::SaveAs : SaveKind::Save;
  const SaveResult saved = text::IsTextPlugPath(path.toStdString())
                               ? editor::SaveTextFile(path.toStdString(), window_.Model().image(), kind)
                               : SaveTableFile(path.toStdString(), window_.Model().image(), kind);
  window_.RefreshFromModel();
  if (!saved.ok) {
    MessageService::Instance().Show(kFileErrorTitle, QString::fromStdString(saved.error), Icon::Error, Buttons::Ok,
                                    &window_);
    return false;
  }
  window_.History().MarkSaved();
  window_.Recent().Remember(path);
  return true;
}

bool FileActions::SaveFile() {
  if (saveTarget_ == kDefaultTableName) {
    const Answer answer = MessageService::Instance().Show(editor::kTitle, kDefaultSaveQuestion, Icon::Exclamation,
                                                          Buttons::YesNo, &window_);
    if (answer != Answer::Yes) return false;
  }
  return WriteTable(saveTarget_, false);
}

void FileActions::SaveFileAs() {
  QString path = chooseSave_(&window_, startupDirectory_);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += ".tbl";
  const QString target = QFileInfo(path).absoluteFilePath();
  // A failed save changes nothing: caption, target and unsaved mark stay.
  if (!WriteTable(target, true)) return;
  QDir::setCurrent(QFileInfo(target).absolutePath());
  saveTarget_ = target;
  window_.SetCaptionFile(saveTarget_);
}

void FileActions::RestoreFactorySettings() {
  if (window_.OperationRunning() || !MayDiscardChanges()) return;
  const Answer answer =
      MessageService::Instance().Show(editor::kTitle, kRestoreQuestion, Icon::Exclamation, Buttons::YesNo, &window_);
  if (answer != Answer::Yes) return;
  if (!window_.CaptionFile().isEmpty()) {
    saveTarget_ = kDefaultTableName;
    window_.SetCaptionFile({});
  }
  editor::RestoreFactorySettings(window_.Model());
  window_.RefreshFromModel();
  window_.StartFresh();  // the factory image is a fresh start: closing now loses nothing
}

}  // namespace zt310::ui
