// SPDX-License-Identifier: GPL-3.0-or-later
// The window's Save against other programs and the file's own wishes: a
// read-only file is refused with "File Error", and a save waits its turn
// while another program holds the file's lock.
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <csignal>

#include "codeplug/TableFile.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"

#include "GuiTestBase.h"

using namespace zt310;
using namespace zt310::ui;
using zt310::testing::GuiTestBase;

namespace {

int GapIn(const QString& path) {
  const auto bytes = ReadFileBytes(path.toStdString(), nullptr).value_or(std::vector<std::uint8_t>{});
  return bytes.size() > layout::kGapMax ? bytes[layout::kGapMax] : -1;
}

void SaveWithGap(const QString& path, std::uint8_t gap) {
  CodePlugImage image = FactoryDefaultImage();
  StampCaption(image);
  image[layout::kGapMax] = gap;
  QVERIFY(SaveTableFile(path.toStdString(), image, SaveKind::Save).ok);
}

}  // namespace

class WindowSavingTest : public GuiTestBase {
  Q_OBJECT

  void StartWindow() { ShowWindow(WindowOptions()); }

 private slots:
  void init() { InitTest(editor::Answer::Yes); }
  void cleanup() { CleanupTest(); }

  void readOnlyFileIsRefusedWithFileError() {
    nextFile_ = dir_.filePath("locked.tbl");
    SaveWithGap(nextFile_, 7);
    QFile::setPermissions(nextFile_, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    StartWindow();
    window_->SaveFileAs();
    QVERIFY(!MessageService::Instance().Shown().empty());
    const auto& shown = MessageService::Instance().Shown().back();
    QCOMPARE(shown.title, std::string("File Error"));
    QVERIFY2(shown.text.find("read-only") != std::string::npos, shown.text.c_str());
    QCOMPARE(GapIn(nextFile_), 7);
  }

  void saveWaitsWhileAnotherProgramHoldsTheLock() {
    nextFile_ = dir_.filePath("shared.tbl");
    SaveWithGap(nextFile_, 90);  // not the factory value the window saves
    StartWindow();
    std::string error;
    auto lock = TableFileLock::Acquire(nextFile_.toStdString(), &error);
    QVERIFY(lock);
    // The child shares the locked descriptor and keeps it for 400 ms.
    const pid_t holder = ::fork();
    if (holder == 0) {
      ::usleep(400000);
      ::_exit(0);
    }
    lock.reset();
    QElapsedTimer timer;
    timer.start();
    window_->SaveFileAs();
    QVERIFY2(timer.elapsed() >= 300, qPrintable(QString::number(timer.elapsed())));
    int status = 0;
    ::waitpid(holder, &status, 0);
    QVERIFY(MessageService::Instance().Shown().empty());
    QCOMPARE(GapIn(nextFile_), int{window_->Model().image()[layout::kGapMax]});
    QCOMPARE(GapIn(dir_.filePath("shared.BAK")), 90);
    QVERIFY(GapIn(nextFile_) != 90);
  }
};

QTEST_MAIN(WindowSavingTest)
#include "test_window_saving.moc"
