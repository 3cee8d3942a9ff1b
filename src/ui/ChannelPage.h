// SPDX-License-Identifier: GPL-3.0-or-later
// The "Channel F1" and "Channel F2" pages: the "Call Tone" group with eight
// call rows and four group-call rows, the switch-duty boxes, and the
// "Frequency" group. The widgets carry the object names of the editor
// model's controls; the model binder shows them and forwards the usual
// actions. This page adds what the binder does not know: the double-click
// that opens a tone table and the mouse-over commits of its groups.
#pragma once

#include <QLabel>
#include <QWidget>
#include <string>

#include "ui/Pages.h"

namespace zt310::editor {
class ChannelPages;
}

namespace zt310::ui {

class ChannelPage : public QWidget {
  Q_OBJECT

 public:
  // channel: 0 for "Channel F1", 1 for "Channel F2".
  ChannelPage(const PageContext& context, int channel, QWidget* parent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildCallToneGroup();
  QWidget* BuildCaptionLine(QWidget* parent);
  QWidget* BuildCallRow(QWidget* parent, bool group, int row);
  QWidget* BuildDutyLine(QWidget* parent);
  QWidget* BuildFrequencyGroup();
  QWidget* Control(const std::string& name, QWidget* parent);
  editor::ChannelPages& Pages() const;
  // The mouse over the background of the Call Tone group or a row panel.
  void MouseOverCallTone();

  PageContext context_;
  PageContext callToneContext_;  // its focus-sink commit is the call-tone mouse-over rule
  MouseOverCommit mouseOverCommit_;
  int channel_;
  QLabel* toneTableLabel_ = nullptr;
};

}  // namespace zt310::ui
