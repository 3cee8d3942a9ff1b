// The window's Save against other programs and the file's own wishes: a
// read-only file is refused with "File Error", and a save waits its turn
// while another program holds the file's lock.
#include <QtTest>

#include <QTemporaryDir>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "codeplug/TableFile.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"

using namespace zt310;
using namespace zt310::ui;

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

class WindowSavingTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString savePath_;
  std::unique_ptr<MainWindow> window_;

  void StartWindow() {
    MainWindowOptions options;
    options.searchCradle = false;
    options.chooseSaveFile = [this](QWidget*, const QString&) { return savePath_; };
    window_ = std::make_unique<MainWindow>(options);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

 private slots:
  void init() {
    QDir::setCurrent(dir_.path());
    MessageService::Instance().ClearShown();
    MessageService::Instance().SetAutomatic(true, editor::Answer::Yes);
  }
  void cleanup() { window_.reset(); }

  void readOnlyFileIsRefusedWithFileError() {
    savePath_ = dir_.filePath("locked.tbl");
    SaveWithGap(savePath_, 7);
    QFile::setPermissions(savePath_, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    StartWindow();
    window_->SaveFileAs();
    QVERIFY(!MessageService::Instance().Shown().empty());
    const auto& shown = MessageService::Instance().Shown().back();
    QCOMPARE(shown.title, std::string("File Error"));
    QVERIFY2(shown.text.find("read-only") != std::string::npos, shown.text.c_str());
    QCOMPARE(GapIn(savePath_), 7);
  }

  void saveWaitsWhileAnotherProgramHoldsTheLock() {
    savePath_ = dir_.filePath("shared.tbl");
    SaveWithGap(savePath_, 90);  // not the factory value the window saves
    StartWindow();
    std::string error;
    auto lock = TableFileLock::Acquire(savePath_.toStdString(), &error);
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
    QCOMPARE(GapIn(savePath_), int{window_->Model().image()[layout::kGapMax]});
    QCOMPARE(GapIn(dir_.filePath("shared.BAK")), 90);
    QVERIFY(GapIn(savePath_) != 90);
  }
};

QTEST_MAIN(WindowSavingTest)
#include "test_window_saving.moc"
