// SPDX-License-Identifier: GPL-3.0-or-later
// The base of the window's tests: a main window started as a user starts it
// (offscreen), every message box answered from a script instead of shown,
// and the widgets reached by their object names and driven with real mouse
// and key events.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <initializer_list>
#include <memory>

#include "ui/MainWindow.h"
#include "ui/MessageService.h"

namespace zt310::testing {

class GuiTestBase : public QObject {
 protected:
  QTemporaryDir dir_;
  std::unique_ptr<ui::MainWindow> window_;
  QString nextFile_;  // what the Open and Save dialogs answer

  static ui::MessageService& Messages() { return ui::MessageService::Instance(); }
  QString Path(const QString& name) const { return dir_.filePath(name); }

  // The test's folder becomes the start-up folder; every box is answered
  // ANSWER unless AnswerNext queued another, and nothing is recorded yet.
  void Begin(editor::Answer answer = editor::Answer::Ok) {
    QDir::setCurrent(dir_.path());
    Messages().ClearShown();
    Messages().SetAutomatic(true, answer);
  }
  enum class Files { Keep, Remove };
  // A test's init(): Begin, and with Files::Remove the files an earlier
  // test left in the folder removed (hidden ones too).
  void InitTest(editor::Answer answer = editor::Answer::Ok, Files files = Files::Keep) {
    if (files == Files::Remove) {
      for (const QString& name : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden)) QFile::remove(Path(name));
    }
    Begin(answer);
  }
  // A test's cleanup(): the window destroyed, with Close::First closed
  // before, as the user closes it (a field being edited then commits while
  // the model still exists); boxes answered OK again for the next test.
  enum class Close { No, First };
  void CleanupTest(Close close = Close::No) {
    Messages().SetAutomatic(true, editor::Answer::Ok);
    if (window_ && close == Close::First) window_->close();
    window_.reset();
  }
  // A menu command as the menu runs it: the action found by its object
  // name, enabled, and triggered.
  void TriggerMenu(const char* action) {
    auto* item = window_->findChild<QAction*>(action);
    if (!item) qFatal("no menu action %s", action);
    QVERIFY2(item->isEnabled(), action);
    item->trigger();
  }

  // The next boxes answered in this order, before the automatic answer.
  static void AnswerNext(std::initializer_list<editor::Answer> answers) {
    for (editor::Answer answer : answers) Messages().SetNextAnswer(answer);
  }

  // A window that looks for no cradle, with the link's time-outs shrunk and
  // the file dialogs answering nextFile_.
  ui::MainWindowOptions WindowOptions(const QStringList& ports = {}) {
    ui::MainWindowOptions options;
    options.ports = ports;
    options.searchCradle = false;
    options.pollUnitMs = 1.0;
    options.waitScale = 0.05;
    options.chooseOpenFile = [this](QWidget*, const QString&) { return nextFile_; };
    options.chooseSaveFile = [this](QWidget*, const QString&) { return nextFile_; };
    return options;
  }

  enum class Until { Exposed, Active };
  enum class Size { Default, WholePages };
  // Shows the window and waits until it is on screen, or also active (the
  // window manager handing it the keyboard). The offscreen screen is 800 x
  // 600, where the pages scroll: WholePages sizes the window to show them whole.
  void ShowWindow(const ui::MainWindowOptions& options, Until until = Until::Exposed, Size size = Size::Default) {
    window_ = std::make_unique<ui::MainWindow>(options);
    if (size == Size::WholePages) window_->resize(window_->sizeHint());
    window_->show();
    if (until == Until::Active) {
      window_->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    } else {
      QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
  }

  template <typename T = QWidget>
  T* Widget(const QString& name) const {
    T* widget = window_->findChild<T*>(name);
    if (!widget) qFatal("no widget %s", qPrintable(name));
    return widget;
  }

  void ShowPage(int index) {
    window_->Pages()->setCurrentIndex(index);
    QTRY_VERIFY(window_->Pages()->currentWidget()->isVisible());
  }
  // A click into the field; the field must then have the keyboard.
  void ClickInto(QLineEdit* edit) {
    QTest::mouseClick(edit, Qt::LeftButton);
    QVERIFY2(edit->hasFocus(),
             qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString("none")));
  }
  // Clicks into the field and types TEXT key by key.
  void Type(QLineEdit* edit, const QString& text) {
    ClickInto(edit);
    QTest::keyClicks(edit, text);
  }
  void PressEnter(QWidget* widget, int settleMs = 10) {
    QTest::keyClick(widget, Qt::Key_Return);
    QTest::qWait(settleMs);
  }

  // A close request as the window manager delivers it (the title bar's
  // close button); true when the window accepted it.
  bool RequestClose() { return window_->windowHandle()->close(); }

  // Brings the page that holds WIDGET to the front, as a click on its tab does.
  void ShowPageOf(QWidget* widget) {
    for (QWidget* page = widget; page; page = page->parentWidget()) {
      if (const int index = window_->Pages()->indexOf(page); index >= 0) window_->Pages()->setCurrentIndex(index);
    }
  }
  // A click into the field, the value typed, Enter: the way a user commits.
  void TypeInto(const QString& field, const QString& text) {
    auto* edit = Widget<QLineEdit>(field);
    ShowPageOf(edit);
    QTest::mouseClick(edit, Qt::LeftButton);
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_VERIFY(window_->FocusSink()->hasFocus());
  }
  // A click on the box itself, its page shown first.
  void ClickCheck(const QString& name) {
    auto* check = Widget<QAbstractButton>(name);
    ShowPageOf(check);
    QTRY_VERIFY(check->isVisible());
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
  }
};

}  // namespace zt310::testing
