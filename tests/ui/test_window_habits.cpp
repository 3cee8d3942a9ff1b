// SPDX-License-Identifier: GPL-3.0-or-later
// What desktop users expect of the window: a question before unsaved edits
// are lost, a caption that says there are some, undo and redo of committed
// edits, and the recently used files. Driven through the real widgets: keys
// at the focus, clicks, close requests.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>

#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "sim/PagerSim.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"

#include "GuiTestBase.h"

using namespace zt310;
using namespace zt310::ui;
using editor::Answer;
using zt310::testing::GuiTestBase;

namespace {

constexpr const char* kUnsavedQuestion = "The configuration has changes that are not saved.\nSave them first?";

void WriteImage(const QString& path, CodePlugImage image) {
  StampCaption(image);
  QVERIFY(SaveTableFile(path.toStdString(), image, SaveKind::Save).ok);
}

CodePlugImage FileImage(const QString& path) {
  CodePlugImage image;
  const auto bytes = *ReadFileBytes(path.toStdString(), nullptr);
  std::copy_n(bytes.begin(), layout::kImageSize, image.data());
  return image;
}

}  // namespace

class WindowHabitsTest : public GuiTestBase {
  Q_OBJECT

  void StartWindow(const QStringList& ports = {}) {
    MainWindowOptions options = WindowOptions(ports);
    options.settingsFile = Path("settings.ini");
    ShowWindow(options, Until::Active);
    QTRY_VERIFY(window_->FocusSink()->hasFocus());
  }

  // An opened file and one edit made on it: the state every question starts from.
  void OpenAndEdit(const QStringList& ports = {}) {
    CodePlugImage image = FactoryDefaultImage();
    image[layout::kRfDelay] = 3;
    WriteImage(Path("site.tbl"), image);
    StartWindow(ports);
    window_->OpenFileAt(Path("site.tbl"));
    QCOMPARE(window_->windowTitle(), QString("ZT310 V1.3.9  [%1]").arg(Path("site.tbl")));
    TypeInto("edtRFDelay", "7");
    QCOMPARE(int{window_->Model().image()[layout::kRfDelay]}, 7);
    QVERIFY(window_->HasUnsavedChanges());
    QCOMPARE(window_->windowTitle(), QString("*ZT310 V1.3.9  [%1]").arg(Path("site.tbl")));
  }

 private slots:
  void init() { InitTest(Answer::Yes, Files::Remove); }
  void cleanup() { CleanupTest(); }

  // Closing with unsaved edits: Save stores them (to the save target, after
  // its own question) and closes, Discard closes, Cancel keeps the window
  // and the edit.
  void closeAsksFirst_data() {
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("stored");  // RF delay in default.tbl, -1 for no file
    QTest::newRow("Save") << Answer::Yes << true << 7;
    QTest::newRow("Discard") << Answer::No << true << -1;
    QTest::newRow("Cancel") << Answer::Cancel << false << -1;
  }
  void closeAsksFirst() {
    QFETCH(Answer, answer);
    QFETCH(bool, closes);
    QFETCH(int, stored);
    OpenAndEdit();
    Messages().ClearShown();
    Messages().SetNextAnswer(answer);
    if (answer == Answer::Yes) Messages().SetNextAnswer(Answer::Yes);  // "save to the default file?"
    QCOMPARE(window_->close(), closes);
    QCOMPARE(QString::fromStdString(Messages().Shown().at(0).text), QString(kUnsavedQuestion));
    QCOMPARE(window_->isVisible(), !closes);
    if (stored < 0) {
      QVERIFY(!QFile::exists(Path("default.tbl")));
    } else {
      QCOMPARE(int{FileImage(Path("default.tbl"))[layout::kRfDelay]}, stored);
    }
    QCOMPARE(int{FileImage(Path("site.tbl"))[layout::kRfDelay]}, 3);  // Save keeps the save target
    if (!closes) {
      QCOMPARE(int{window_->Model().image()[layout::kRfDelay]}, 7);
      QCOMPARE(Widget<QLineEdit>("edtRFDelay")->text(), QString("7"));
      QVERIFY(window_->windowTitle().startsWith('*'));
    }
  }

  // A save the user refuses at the default-file question is no save: the
  // window stays.
  void closeStaysWhenTheSaveIsRefused() {
    OpenAndEdit();
    Messages().SetNextAnswer(Answer::Yes);
    Messages().SetNextAnswer(Answer::No);
    QVERIFY(!window_->close());
    QVERIFY(window_->HasUnsavedChanges());
  }

  // Every action that replaces the working image asks; Cancel leaves it as it is.
  void replacingTheImageAsksFirst_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("Open") << "Open1";
    QTest::newRow("Restore all factory settings") << "Recallfaxtorysetup1";
    QTest::newRow("Read") << "Read1";
  }
  void replacingTheImageAsksFirst() {
    QFETCH(QString, action);
    WriteImage(Path("other.tbl"), FactoryDefaultImage());
    nextFile_ = Path("other.tbl");
    sim::PagerSimulator pager{sim::SimOptions{}};
    std::string error;
    QVERIFY2(pager.Open(&error), error.c_str());
    pager.Start();
    OpenAndEdit({QString::fromStdString(pager.DevicePath())});
    Messages().ClearShown();
    Messages().SetNextAnswer(Answer::Cancel);
    Widget<QAction>(action)->trigger();
    QCOMPARE(Messages().Shown().size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(Messages().Shown()[0].text), QString(kUnsavedQuestion));
    QCOMPARE(int{window_->Model().image()[layout::kRfDelay]}, 7);
    QCOMPARE(window_->windowTitle(), QString("*ZT310 V1.3.9  [%1]").arg(Path("site.tbl")));

    Messages().SetNextAnswer(Answer::No);  // Discard: the action goes ahead
    Widget<QAction>(action)->trigger();
    QVERIFY(Messages().Shown().size() > 1);
    QCOMPARE(QString::fromStdString(Messages().Shown()[1].text), QString(kUnsavedQuestion));
    QVERIFY(!window_->HasUnsavedChanges());
    QVERIFY(!window_->windowTitle().startsWith('*'));
  }

  // Nothing to lose, nothing asked; saving clears the mark.
  void noQuestionWithoutChanges() {
    OpenAndEdit();
    nextFile_ = Path("kept.tbl");
    window_->SaveFileAs();
    QCOMPARE(window_->windowTitle(), QString("ZT310 V1.3.9  [%1]").arg(Path("kept.tbl")));
    Messages().ClearShown();
    QVERIFY(window_->close());
    QVERIFY(Messages().Shown().empty());
  }

  // Whole-image steps: a tone typed and committed, then "One Channel"
  // clicked (which also disables the F2 page); undo and redo go back and
  // forth through the exact images, and the controls follow.
  void undoRedoRestoreTheImageByteForByte() {
    StartWindow();
    const CodePlugImage start = window_->Model().image();
    TypeInto("edtF1T10", "1092.4");
    const CodePlugImage afterTone = window_->Model().image();
    QVERIFY(afterTone != start);
    const bool oneChannelBefore = Widget<QCheckBox>("chkOneChannel")->isChecked();
    ClickCheck("chkOneChannel");
    QCOMPARE(Widget<QCheckBox>("chkOneChannel")->isChecked(), !oneChannelBefore);
    const CodePlugImage afterClick = window_->Model().image();
    QVERIFY(afterClick != afterTone);

    const auto keyAtFocus = [](QKeyCombination keys) {
      QWidget* focus = QApplication::focusWidget();
      QVERIFY(focus);
      QTest::keyClick(focus, keys.key(), keys.keyboardModifiers());
    };
    keyAtFocus(Qt::CTRL | Qt::Key_Z);
    QVERIFY(window_->Model().image() == afterTone);
    QCOMPARE(Widget<QCheckBox>("chkOneChannel")->isChecked(), oneChannelBefore);
    window_->FocusSink()->setFocus();  // where Enter leaves the focus: the sink must not keep Ctrl+Z
    keyAtFocus(Qt::CTRL | Qt::Key_Z);
    QVERIFY(window_->Model().image() == start);
    QCOMPARE(Widget<QLineEdit>("edtF1T10")->text(), QString::fromStdString(window_->Model().At("edtF1T10").text));
    QVERIFY(Widget<QLineEdit>("edtF1T10")->text() != "1092.4");
    QVERIFY(!window_->findChild<QAction*>("Undo1")->isEnabled());

    keyAtFocus(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    QVERIFY(window_->Model().image() == afterTone);
    QCOMPARE(Widget<QLineEdit>("edtF1T10")->text(), QString("1092.4"));
    keyAtFocus(Qt::CTRL | Qt::Key_Y);
    QVERIFY(window_->Model().image() == afterClick);
    QCOMPARE(Widget<QCheckBox>("chkOneChannel")->isChecked(), !oneChannelBefore);
    QVERIFY(!window_->findChild<QAction*>("Redo1")->isEnabled());

    // A new edit after an undo drops the steps that were undone.
    window_->Undo();
    TypeInto("edtRFDelay", "5");
    QVERIFY(!window_->findChild<QAction*>("Redo1")->isEnabled());
  }

  // The last eight files opened or saved, newest first, kept in the
  // settings for the next start; the menu opens them.
  void openRecentKeepsTheLastEight() {
    StartWindow();
    for (int i = 1; i <= 10; ++i) {
      CodePlugImage image = FactoryDefaultImage();
      image[layout::kGapMax] = static_cast<std::uint8_t>(i);
      WriteImage(Path(QString("f%1.tbl").arg(i)), image);
      window_->OpenFileAt(Path(QString("f%1.tbl").arg(i)));
    }
    window_->OpenFileAt(Path("f5.tbl"));  // again: moves to the top, not listed twice
    QStringList expected{Path("f5.tbl")};
    for (int i = 10; expected.size() < 8; --i) {
      if (i != 5) expected << Path(QString("f%1.tbl").arg(i));
    }
    QCOMPARE(window_->RecentFiles(), expected);

    window_.reset();
    StartWindow();
    auto* menu = Widget<QMenu>("OpenRecent1");
    QCOMPARE(menu->actions().size(), 8);
    QVERIFY(menu->actions()[1]->text().endsWith(Path("f10.tbl")));
    menu->actions()[1]->trigger();
    QCOMPARE(int{window_->Model().image()[layout::kGapMax]}, 10);
    QCOMPARE(window_->windowTitle(), QString("ZT310 V1.3.9  [%1]").arg(Path("f10.tbl")));
  }
};

QTEST_MAIN(WindowHabitsTest)
#include "test_window_habits.moc"
