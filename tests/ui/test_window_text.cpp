// SPDX-License-Identifier: GPL-3.0-or-later
// The window's "Open" and "Save As ..." with code-plug texts, through the
// File menu: a text opens into the fields, "Save As ..." to a ".yaml" name
// stores text, and a refused text says where and why and changes nothing.
#include <QtTest>

#include <QAction>
#include <QLineEdit>

#include "TestData.h"
#include "codeplug/TextPlug.h"
#include "editor/TextImport.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"

#include "GuiTestBase.h"

using namespace zt310;
using zt310::testing::GuiTestBase;

namespace {

void Store(const QString& path, const std::string& text) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(path));
  file.write(text.data(), static_cast<qint64>(text.size()));
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  if (at == std::string::npos) qFatal("no %s", from.c_str());
  return text.replace(at, from.size(), to);
}

}  // namespace

class WindowTextTest : public GuiTestBase {
  Q_OBJECT

  void Trigger(const char* action) { window_->findChild<QAction*>(action)->trigger(); }
  QString Shown(const char* name) const { return Widget<QLineEdit>(name)->text(); }

 private slots:
  void init() { Begin(); }
  void cleanup() { window_.reset(); }

  void textOpensAndSavesAsText() {
    const std::string factory = editor::ExportText(testing::TestDataImage(testing::kFactoryFile));
    nextFile_ = Path("site.yaml");
    Store(nextFile_, Replaced(factory, "channels.F1.frequency: 1520000", "channels.F1.frequency: 1530125"));
    ShowWindow(WindowOptions());
    Trigger("Open1");
    for (const editor::Message& message : Messages().Shown()) QFAIL(message.text.c_str());
    QCOMPARE(Shown("edtF1Freq"), QString("1530125"));
    QVERIFY(window_->windowTitle().contains("site.yaml"));

    nextFile_ = Path("copy.yaml");
    Trigger("SaveAs1");
    QFile saved(nextFile_);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    QVERIFY(text.startsWith("zt310-codeplug: 1\n"));
    QVERIFY(text.contains("\nchannels.F1.frequency: 1530125\n"));
    const auto back = editor::ImportText(text.toStdString(), editor::TextBaseImage());
    QVERIFY2(back.image, back.error.c_str());
    QVERIFY(*back.image == window_->Model().image());
  }

  void refusedTextSaysWhereAndWhy() {
    const std::string factory = editor::ExportText(testing::TestDataImage(testing::kFactoryFile));
    nextFile_ = Path("bad.yaml");
    Store(nextFile_, Replaced(factory, "channels.F1.frequency: 1520000", "channels.F1.frequency: 15x0000"));
    ShowWindow(WindowOptions());
    Trigger("Open1");
    QCOMPARE(Messages().Shown().size(), std::size_t{1});
    const editor::Message& shown = Messages().Shown().front();
    QCOMPARE(shown.title, std::string("ZT310"));
    QVERIFY2(shown.text.find("The file is not ZT310 code-plug file.\n4:24: channels.F1.frequency: ") == 0,
             shown.text.c_str());
    QCOMPARE(Shown("edtF1Freq"), QString("1520000"));
    QVERIFY(!window_->windowTitle().contains("bad.yaml"));
  }
};

QTEST_MAIN(WindowTextTest)
#include "test_window_text.moc"
