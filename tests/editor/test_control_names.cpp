// SPDX-License-Identifier: GPL-3.0-or-later
// Control names: a name no control has is an error wherever the model takes one.
#include <QtTest>

#include <functional>
#include <stdexcept>

#include "editor/EditorModel.h"

using namespace zt310::editor;

class ControlNamesTest : public QObject {
  Q_OBJECT

 private slots:
  // A misspelt name must not create state (a handler no control runs) or
  // pass as "actionable": every name-keyed entry point refuses it, naming it.
  void unknownNameThrowsEverywhere() {
    const auto model = CreateEditorModel();
    EditorModel& m = *model;
    const std::string typo = "edtSerailNo";
    const std::pair<const char*, std::function<void()>> entries[] = {
        {"HandlersOf", [&] { m.HandlersOf(typo); }},
        {"SetHandlers", [&] { m.SetHandlers(typo, {}); }},
        {"Enter", [&] { m.Enter(typo); }},
        {"Key", [&] { m.Key(typo, '1'); }},
        {"Leave", [&] { m.Leave(typo); }},
        {"Pick", [&] { m.Pick(typo, 0); }},
        {"Click", [&] { m.Click(typo); }},
        {"RunChange", [&] { m.RunChange(typo); }},
        {"SetText", [&] { m.SetText(typo, "1"); }},
        {"SetFocus", [&] { m.SetFocus(typo); }},
        {"WhyNotActionable", [&] { m.WhyNotActionable(typo); }},
        {"BringToFront", [&] { m.BringToFront(typo); }},
    };
    for (const auto& [entry, call] : entries) {
      try {
        call();
        QFAIL(qPrintable(QString("%1 took an unknown name").arg(entry)));
      } catch (const std::out_of_range& error) {
        QVERIFY2(std::string(error.what()).find(typo) != std::string::npos, entry);
      }
    }
    QVERIFY(!m.Has(typo));
    // The focus sink and "no focus" are not controls, yet the focus may rest there.
    m.SetFocus(kFocusSink);
    m.SetFocus("");
    QCOMPARE(m.Focus(), std::string());
  }
};

QTEST_GUILESS_MAIN(ControlNamesTest)
#include "test_control_names.moc"
