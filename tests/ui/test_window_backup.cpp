// SPDX-License-Identifier: GPL-3.0-or-later
// The window's side of the pager backup and of a failed Verify, against the
// simulated pager on a pseudo-terminal: the "Back up the pager before
// writing" option (on by default, remembered), the backups folder, and the
// fields a failed Verify lists.
#include <QtTest>

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextEdit>

#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/Operations.h"
#include "link/PagerBackup.h"
#include "port/PagerLink.h"
#include "sim/PagerSim.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"

#include "GuiTestBase.h"
#include "SimFixture.h"

using namespace zt310;
using namespace zt310::ui;
using editor::Answer;
using zt310::testing::GuiTestBase;
using zt310::testing::RunningSim;
using zt310::testing::SilentPty;

namespace {

QByteArray Bytes(const CodePlugImage& image) {
  return QByteArray(reinterpret_cast<const char*>(image.data()), layout::kImageSize);
}

}  // namespace

class WindowBackupTest : public GuiTestBase {
  Q_OBJECT

  QList<QUrl> shownUrls_;
  QString openedIn_;  // the folder the last open dialog showed

  QString Backups() const { return dir_.filePath("backups"); }
  QStringList BackupFiles() const { return QDir(Backups()).entryList({"*.tbl"}, QDir::Files); }

  void StartWindow(const QStringList& ports) {
    MainWindowOptions options = WindowOptions(ports);
    options.settingsFile = dir_.filePath("settings.ini");
    options.backupFolder = Backups();
    options.chooseOpenFile = [this](QWidget*, const QString& folder) {
      openedIn_ = folder;
      return nextFile_;
    };
    options.openUrl = [this](const QUrl& url) {
      shownUrls_ << url;
      return true;
    };
    ShowWindow(options);
    QTRY_VERIFY(window_->PortList()->count() > 0);
  }
  QAction* BackupOption() const { return window_->findChild<QAction*>("BackUpBeforeWrite1"); }

 private slots:
  void init() {
    QDir::setCurrent(dir_.path());
    QDir(Backups()).removeRecursively();
    QFile::remove(dir_.filePath("settings.ini"));
    shownUrls_.clear();
    Messages().ClearShown();
    Messages().SetAutomatic(true, Answer::Ok);
  }
  void cleanup() { window_.reset(); }

  // On by default: Write leaves the pager's earlier memory in the backups
  // folder, named after its serial number, and it opens like any table file.
  void writeBacksUpThePagerFirst() {
    RunningSim sim;
    CodePlugImage before = sim->Memory();
    before[layout::kGapMax] = 33;
    StoreImageChecksum(before);
    sim->SetMemory(before);
    StartWindow({sim.device()});
    QVERIFY(BackupOption()->isCheckable() && BackupOption()->isChecked());
    window_->findChild<QAction*>("Write1")->trigger();
    QCOMPARE(window_->Progress().Label(), QString(kLabelWriteSuccess));

    const QStringList files = BackupFiles();
    QCOMPARE(files.size(), 1);
    const QString serial = QString::fromStdString(SerialFileNamePart(SerialNumberText(before).value_or("")));
    QVERIFY2(files[0].startsWith(serial + "-"), qPrintable(files[0]));
    QFile backup(QDir(Backups()).filePath(files[0]));
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QCOMPARE(backup.readAll(), Bytes(BackupImage(before)));
    QVERIFY(sim->Memory()[layout::kGapMax] != 33);  // and then the window's image went in

    Messages().SetNextAnswer(Answer::No);  // the written image is not kept
    window_->OpenFileAt(backup.fileName());
    QCOMPARE(int{window_->Model().image()[layout::kGapMax]}, 33);
  }

  // Off: no backup from Write nor from a production run, and the choice
  // holds for the next start.
  void optionOffMeansNoBackupAndIsRemembered() {
    RunningSim sim;
    StartWindow({sim.device()});
    BackupOption()->trigger();
    QVERIFY(!BackupOption()->isChecked());
    window_->WritePager();
    QCOMPARE(window_->Progress().Label(), QString(kLabelWriteSuccess));
    window_->ProduceSerial("AB1234567890");
    QCOMPARE(QString::fromStdString(SerialNumberText(sim->Memory()).value_or("")), QString("AB1234567890"));
    QVERIFY(BackupFiles().isEmpty());

    window_.reset();
    StartWindow({sim.device()});
    QVERIFY(!BackupOption()->isChecked());
    BackupOption()->trigger();  // on again: the production run backs up too
    window_->ProduceSerial("AB1234567891");
    QCOMPARE(BackupFiles().size(), 1);
    QVERIFY(BackupFiles()[0].startsWith("AB1234567891-"));
  }

  // "Restore Backup..." opens in the backups folder and puts the chosen
  // backup back as stored, its stale checksum made anew and said so; a
  // backup of another kind of pager is refused, naming both.
  void restoreBackupPutsTheBackupBack() {
    RunningSim sim;
    CodePlugImage before = sim->Memory();
    before[23] = 35;  // what "Open" would change
    before[layout::kSpeakerOnCode] = 24;
    StoreImageChecksum(before);
    before[layout::kImageChecksum + 1] ^= 1;
    sim->SetMemory(before);
    StartWindow({sim.device()});
    window_->findChild<QAction*>("Write1")->trigger();
    QCOMPARE(BackupFiles().size(), 1);
    const QString backup = QDir(Backups()).filePath(BackupFiles()[0]);
    QVERIFY(!(sim->Memory() == before));
    const CodePlugImage working = window_->Model().image();

    Messages().ClearShown();
    nextFile_ = backup;
    window_->findChild<QAction*>("RestoreBackup1")->trigger();
    QCOMPARE(openedIn_, Backups());
    QCOMPARE(window_->Progress().Label(), QString(kLabelWriteSuccess));
    CodePlugImage meant = before;
    StoreImageChecksum(meant);
    QCOMPARE(Bytes(sim->Memory()), Bytes(meant));
    QCOMPARE(Messages().Shown().size(), std::size_t{1});
    QVERIFY2(QString::fromStdString(Messages().Shown()[0].text).contains("changed 1 byte of the file"),
             Messages().Shown()[0].text.c_str());
    QVERIFY2(Messages().ShownDetails()[0].startsWith("byte 497: written 0x"), qPrintable(Messages().ShownDetails()[0]));
    QVERIFY(window_->Model().image() == working);  // the window's own image stays
    QVERIFY(window_->isEnabled());
    QVERIFY(!window_->Link().Port().IsOpen());

    CodePlugImage single = sim->Memory();
    single[layout::kSingleChannelMarker] = layout::kMarkerOn;
    sim->SetMemory(single);
    Messages().ClearShown();
    window_->findChild<QAction*>("RestoreBackup1")->trigger();
    QCOMPARE(Messages().Shown().size(), std::size_t{1});
    QVERIFY2(QString::fromStdString(Messages().Shown()[0].text)
                 .startsWith("The backup is from a two-channel pager (firmware 1.3.0); the pager in the cradle is "
                             "a single-channel pager (firmware 1.3.0)."),
             Messages().Shown()[0].text.c_str());
    QVERIFY(sim->Memory() == single);

    nextFile_.clear();  // cancelled: nothing happens
    Messages().ClearShown();
    window_->findChild<QAction*>("RestoreBackup1")->trigger();
    QVERIFY(Messages().Shown().empty());
  }

  void openBackupsFolderShowsTheFolder() {
    RunningSim sim;
    StartWindow({sim.device()});
    window_->findChild<QAction*>("OpenBackups1")->trigger();
    QCOMPARE(shownUrls_, QList<QUrl>{QUrl::fromLocalFile(Backups())});
    QVERIFY(QFileInfo(Backups()).isDir());  // made, so the file manager has something to show
    QVERIFY(Messages().Shown().empty());
  }

  // The pager changed behind the window's back in two fields: the box after
  // " Verify Fail !" names exactly those, with both values, behind its
  // details button; a verify that passes shows no box.
  void failedVerifyListsTheDifferingFields() {
    RunningSim sim;
    StartWindow({sim.device()});
    window_->WritePager();
    window_->VerifyPager();
    QCOMPARE(window_->Progress().Label(), QString(kLabelVerifySuccess));
    Messages().ClearShown();

    CodePlugImage changed = sim->Memory();
    changed[layout::kGapMax] = static_cast<std::uint8_t>(changed[layout::kGapMax] + 1);
    changed[layout::kRfDelay] = static_cast<std::uint8_t>(changed[layout::kRfDelay] + 2);
    sim->SetMemory(changed);
    window_->findChild<QAction*>("Verify1")->trigger();
    QCOMPARE(window_->Progress().Label(), QString(kLabelVerifyFail));
    QCOMPARE(Messages().Shown().size(), std::size_t{1});
    // The stored checksum was left as it was; the one computed from the data differs too.
    QCOMPARE(Messages().Shown()[0].text, std::string("The pager holds other data than the window in 3 fields."));
    const QStringList lines = Messages().ShownDetails()[0].split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].startsWith("checksum.computed: window "), qPrintable(lines[0]));
    const int rfDelay = window_->Model().image()[layout::kRfDelay];
    const int gapMax = window_->Model().image()[layout::kGapMax];
    QCOMPARE(lines[1], QString("system.rf_delay_ms: window %1, pager %2").arg(rfDelay).arg(rfDelay + 2));
    QCOMPARE(lines[2], QString("advance.gap_max: window %1, pager %2").arg(gapMax).arg(gapMax + 1));
    QVERIFY(window_->isEnabled());
    QVERIFY(!window_->Link().Port().IsOpen());
  }

  // The real box: the list sits behind its details button, in a scrollable
  // text. ZT310_PICTURE=FILE also saves the box, opened, as the user guide's
  // picture.
  void realBoxShowsTheListBehindItsDetailsButton() {
    RunningSim sim;
    StartWindow({sim.device()});
    window_->WritePager();
    CodePlugImage changed = sim->Memory();
    changed[layout::kRfDelay] = static_cast<std::uint8_t>(changed[layout::kRfDelay] + 2);
    changed[layout::RfFrequency(0) + 5] = static_cast<std::uint8_t>(changed[layout::RfFrequency(0) + 5] ^ 1);
    changed[layout::kGapMax] = static_cast<std::uint8_t>(changed[layout::kGapMax] + 1);
    StoreImageChecksum(changed);
    sim->SetMemory(changed);

    Messages().SetAutomatic(false);
    boxDetails_.clear();
    boxScrolls_ = false;
    watching_ = true;
    QTimer::singleShot(0, this, &WindowBackupTest::FindBoxAndClose);
    window_->VerifyPager();
    watching_ = false;
    Messages().SetAutomatic(true, Answer::Ok);
    QVERIFY2(boxDetails_.contains("system.rf_delay_ms: window "), qPrintable(boxDetails_));
    QVERIFY(boxScrolls_);
  }

 private:
  QString boxDetails_;
  bool boxScrolls_ = false;
  bool watching_ = false;

  void FindBoxAndClose() {
    if (!watching_) return;
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      QTimer::singleShot(20, this, &WindowBackupTest::FindBoxAndClose);
      return;
    }
    boxDetails_ = box->detailedText();
    for (QAbstractButton* button : box->buttons()) {
      if (box->buttonRole(button) == QMessageBox::ActionRole) button->click();  // "Show Details..."
    }
    QApplication::processEvents();
    auto* text = box->findChild<QTextEdit*>();
    boxScrolls_ = text && text->isVisible() && text->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    if (const QByteArray picture = qgetenv("ZT310_PICTURE"); !picture.isEmpty())
      box->grab().save(QString::fromLocal8Bit(picture));
    box->accept();
  }
};

QTEST_MAIN(WindowBackupTest)
#include "test_window_backup.moc"
