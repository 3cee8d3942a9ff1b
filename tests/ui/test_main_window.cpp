// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "codeplug/TableFile.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"
#include "ui/SingleInstance.h"

#include "GuiTestBase.h"

using namespace zt310;
using namespace zt310::ui;
using editor::Answer;
using zt310::testing::GuiTestBase;

namespace {

std::vector<std::uint8_t> FileBytes(const QString& path) { return *ReadFileBytes(path.toStdString(), nullptr); }

void WriteImage(const QString& path, CodePlugImage image) {
  StampCaption(image);
  QVERIFY(SaveTableFile(path.toStdString(), image, SaveKind::Save).ok);
}

}  // namespace

class MainWindowTest : public GuiTestBase {
  Q_OBJECT

  QString openPath_;
  QString savePath_;

  void StartWindow() {
    MainWindowOptions options = WindowOptions();
    options.chooseOpenFile = [this](QWidget*, const QString&) { return openPath_; };
    options.chooseSaveFile = [this](QWidget*, const QString&) { return savePath_; };
    ShowWindow(options);
    QTest::qWait(20);
  }

 private slots:
  void init() { InitTest(Answer::Yes, Files::Remove); }
  void cleanup() { CleanupTest(); }

  void startsWithTheFactoryDefaultWithoutDefaultTable() {
    StartWindow();
    QCOMPARE(window_->windowTitle(), QString("ZT310 V1.3.9"));
    QCOMPARE(window_->StatusText(), QString("  Ready ......"));
    QCOMPARE(window_->Model().image()[layout::kGapMax], FactoryDefaultImage()[layout::kGapMax]);
    QCOMPARE(window_->Pages()->count(), 5);
    QCOMPARE(window_->Pages()->tabText(4), QString("Advance Setting"));
    QVERIFY(Messages().Shown().empty());
  }

  void startsWithDefaultTableValues() {
    CodePlugImage image = FactoryDefaultImage();
    image[layout::kGapMax] = 42;
    WriteImage(dir_.filePath("default.tbl"), image);
    StartWindow();
    QCOMPARE(int{window_->Model().image()[layout::kGapMax]}, 42);
    QCOMPARE(window_->windowTitle(), QString("ZT310 V1.3.9"));
  }

  void captionFollowsOpenSaveAsAndRestore() {
    WriteImage(dir_.filePath("site1.tbl"), FactoryDefaultImage());
    StartWindow();
    openPath_ = dir_.filePath("site1.tbl");
    window_->OpenFile();
    QCOMPARE(window_->windowTitle(), QString("ZT310 V1.3.9  [%1]").arg(openPath_));
    QVERIFY(window_->VersionLabel()->isVisible());
    QCOMPARE(window_->VersionLabel()->text(), QString("FirmVer. 0.0.0"));
    QCOMPARE(window_->SaveTarget(), QString("default.tbl"));  // "Open" keeps the save target

    savePath_ = dir_.filePath("copy");  // no extension typed
    window_->SaveFileAs();
    QCOMPARE(window_->SaveTarget(), dir_.filePath("copy.tbl"));
    QCOMPARE(window_->windowTitle(), QString("ZT310 V1.3.9  [%1]").arg(dir_.filePath("copy.tbl")));
    QCOMPARE(FileBytes(dir_.filePath("copy.tbl")).size(), std::size_t{512});

    Messages().SetNextAnswer(Answer::Yes);
    window_->RestoreFactorySettings();
    QCOMPARE(window_->windowTitle(), QString("ZT310 V1.3.9"));
    QCOMPARE(window_->SaveTarget(), QString("default.tbl"));
    QVERIFY(!window_->VersionLabel()->isVisible());
  }

  void openRefusesOtherFilesAndKeepsTheImage() {
    QFile other(dir_.filePath("other.tbl"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(QByteArray(512, 'x'));
    other.close();
    StartWindow();
    window_->Model().image()[layout::kGapMax] = 77;
    openPath_ = other.fileName();
    window_->OpenFile();
    QCOMPARE(int{window_->Model().image()[layout::kGapMax]}, 77);
    QCOMPARE(window_->windowTitle(), QString("ZT310 V1.3.9"));
    QCOMPARE(Messages().Shown().back().text, std::string("The file is not ZT310 code-plug file."));
  }

  void saveToDefaultTableAsksFirst() {
    StartWindow();
    Messages().SetNextAnswer(Answer::No);
    window_->SaveFile();
    QVERIFY(!QFile::exists(dir_.filePath("default.tbl")));
    QCOMPARE(Messages().Shown().back().title, std::string("ZT310"));
    QVERIFY(Messages().Shown().back().text.rfind("Click OK will save all changes to the default file.\n", 0) == 0);

    Messages().SetNextAnswer(Answer::Yes);
    window_->SaveFile();
    QVERIFY(QFile::exists(dir_.filePath("default.tbl")));
    Messages().SetNextAnswer(Answer::Yes);
    window_->SaveFile();
    QVERIFY(QFile::exists(dir_.filePath("default.BAK")));

    // After "Save As ..." the target is that file, and "Save" asks nothing.
    savePath_ = dir_.filePath("x.tbl");
    window_->SaveFileAs();
    const auto shown = Messages().Shown().size();
    window_->SaveFile();
    QCOMPARE(Messages().Shown().size(), shown);
  }

  void aFailedSaveIsShown() {
    StartWindow();
    savePath_ = dir_.filePath("no/such/folder/x.tbl");
    window_->SaveFileAs();
    QCOMPARE(Messages().Shown().back().title, std::string("File Error"));
    QVERIFY(Messages().Shown().back().text.find("x.tbl") != std::string::npos);
  }

  void threeWrongAccessCodesCloseTheDialog() {
    StartWindow();
    PasswordDialog& dialog = window_->Password();
    auto enter = [&](const char* code) {
      auto* edit = dialog.findChild<QLineEdit*>("edtPwd");
      edit->setText(code);
      dialog.findChild<QPushButton*>("btnOK")->click();
    };
    dialog.show();
    enter("hx472");
    enter("nope");
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Failures(), 2);
    dialog.findChild<QPushButton*>("btnCancel")->click();  // Cancel keeps the count
    dialog.show();
    enter("again");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.Failures(), 0);
    QCOMPARE(Messages().Shown().back().text, std::string("Password Error!"));
    QCOMPARE(Messages().Shown().back().title, std::string("Password"));
    dialog.show();
    enter("HX472");
    QVERIFY(!dialog.isVisible());
    QVERIFY(dialog.Unlocked());
  }

  // The About box names its addresses and its licence; an address turns bold under the pointer.
  void aboutBoxNamesItsAddresses() {
    AboutBox about;
    QStringList captions;
    for (QLabel* label : about.findChildren<QLabel*>()) captions << label->text();
    QVERIFY(captions.contains("Homepage : "));
    QVERIFY(captions.contains("Email Address(es) : "));
    auto* email = about.findChild<QLabel*>("lblEmail");
    QVERIFY(email && email->text().contains('@'));
    auto* url = about.findChild<QLabel*>("lblUrl");
    QVERIFY(url && !url->text().isEmpty());
    // Run from the build folder, nothing is installed beside it: the project's address.
    QCOMPARE(url->text(), QString("https://github.com/zt310prog/zt310prog"));
    auto* version = about.findChild<QLabel*>("lblPackageVersion");
    QVERIFY(version && version->text().contains(QRegularExpression("^ZT310 Programmer \\d+\\.\\d+")));
    QVERIFY(captions.contains("Version 1.3.9 (2011.3.15)"));
    auto* licence = about.findChild<QLabel*>("lblLicence");
    QVERIFY(licence && licence->text().contains("GPL-3.0-or-later"));
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), url->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(url, &enter);
    QVERIFY(url->font().bold() && url->font().underline());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(url, &leave);
    QVERIFY(!url->font().bold() && url->font().underline());
  }

  void helpKeepsItsNineteenLinesWithTheirBlanks() {
    const QStringList& lines = HelpWindow::Lines();
    QCOMPARE(lines.size(), 19);
    QCOMPARE(lines[0], QString("                      RESET FUNCTION HELP"));
    QVERIFY(lines[12].endsWith("Switch is "));
    QVERIFY(lines[17].endsWith("monitor mode "));
  }

  void aSecondCopyAsksTheFirstToShowItself() {
    SingleInstance first("zt310-test-" + QString::number(QCoreApplication::applicationPid()), dir_.path());
    QSignalSpy raised(&first, &SingleInstance::RaiseRequested);
    QVERIFY(first.Claim());
    {
      SingleInstance second("zt310-test-" + QString::number(QCoreApplication::applicationPid()), dir_.path());
      QVERIFY(!second.Claim());
    }
    QVERIFY(raised.wait(2000));
  }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
