// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ChannelPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "editor/ChannelPages.h"
#include "ui/ControlWidgets.h"

namespace zt310::ui {

namespace names = editor::names;

namespace {

constexpr int kSpacing = 4;
constexpr int kEnableWidth = 112;
constexpr int kRowHeight = 24;

// The columns of a call row after its enable box; captions and rows share
// these widths, so everything lines up.
enum Column { kTone1, kTone2, kToneType, kPattern, kAlertTime, kSwitchA, kSwitchB, kSwitchC, kSwitchD, kPriority };
struct CallColumn {
  const char* caption;
  int width;
};
constexpr CallColumn kColumns[] = {
    {"Tone 1", 58},         {"Tone 2", 58},      {"     Alert    Tone Type", 96},
    {"Alert Pattern", 80},  {"Alert Time", 114}, {"SW-A", 40},
    {"SW-B", 40},           {"SW-C", 40},        {"SW-D", 40},
    {"Priority Alert", 56},
};
constexpr int kSwitchColumns[] = {kSwitchA, kSwitchB, kSwitchC, kSwitchD};

int Width(Column column) { return kColumns[column].width; }

QHBoxLayout* LineLayout(QWidget* owner) {
  auto* layout = new QHBoxLayout(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(kSpacing);
  return layout;
}

// A fixed-width slot holding one widget, centred (check boxes) or at the left.
QWidget* Slot(QWidget* parent, int width, QWidget* content, Qt::Alignment alignment = Qt::AlignCenter) {
  auto* slot = new QWidget(parent);
  slot->setFixedWidth(width);
  auto* layout = LineLayout(slot);
  layout->addWidget(content, 0, alignment);
  return slot;
}

QLabel* Caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
  return label;
}

// A read-only value beside its caption (PLLR, PLLN, MUTL).
void StyleValueLabel(QLabel* label, int width) {
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  label->setFixedWidth(width);
  label->setAlignment(Qt::AlignCenter);
}

}  // namespace

ChannelPage::ChannelPage(const PageContext& context, int channel, QWidget* parent)
    : QWidget(parent),
      context_(context),
      callToneContext_(context),
      mouseOverCommit_(context.model, context.commitByFocusSink),
      channel_(channel) {
  callToneContext_.commitByFocusSink = [this] { MouseOverCallTone(); };
  setObjectName(QString::fromStdString(names::ChannelPage(channel)));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 4);
  layout->setSpacing(4);
  layout->addWidget(BuildCallToneGroup());
  layout->addWidget(BuildFrequencyGroup());
  layout->addStretch();
}

editor::ChannelPages& ChannelPage::Pages() const { return context_.model.PartOf<editor::ChannelPages>(); }

QWidget* ChannelPage::Control(const std::string& name, QWidget* parent) {
  return CreateControlWidget(context_.model, name, parent);
}

QWidget* ChannelPage::BuildCallToneGroup() {
  auto* group = static_cast<QGroupBox*>(Control(names::CallToneGroup(channel_), this));
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(6, 2, 6, 4);
  layout->setSpacing(2);
  layout->addWidget(BuildCaptionLine(group));
  for (bool groupCall : {false, true}) {
    const int rows = groupCall ? kGroupCallsPerChannel : kIndividualCallsPerChannel;
    for (int row = 0; row < rows; ++row) layout->addWidget(BuildCallRow(group, groupCall, row));
  }
  layout->addWidget(BuildDutyLine(group));
  CommitOnMouseOver(group, callToneContext_);
  return group;
}

QWidget* ChannelPage::BuildCaptionLine(QWidget* parent) {
  auto* line = new QWidget(parent);
  auto* layout = LineLayout(line);
  // Captions take two lines; the tone type caption reads "Alert" over "Tone Type".
  line->setFixedHeight(2 * line->fontMetrics().lineSpacing() + 4);
  auto* blank = new QWidget(line);
  blank->setFixedWidth(kEnableWidth);
  layout->addWidget(blank);
  for (const CallColumn& column : kColumns) {
    QLabel* caption = Caption(column.caption, line);
    caption->setFixedWidth(column.width);
    if (&column == &kColumns[kToneType])
      caption->setFixedWidth(caption->fontMetrics().horizontalAdvance("Tone Type") + 6);
    layout->addWidget(Slot(line, column.width, caption, Qt::AlignHCenter | Qt::AlignBottom));
  }
  layout->addStretch();
  return line;
}

QWidget* ChannelPage::BuildCallRow(QWidget* parent, bool group, int row) {
  const editor::CallRowNames n = editor::CallRowNamesOf(channel_, group, row);
  auto* line = new QWidget(parent);
  auto* layout = LineLayout(line);
  QWidget* enable = Control(n.enable, line);
  enable->setFixedWidth(kEnableWidth);
  layout->addWidget(enable);

  QWidget* panel = Control(n.panel, line);
  panel->setFixedHeight(kRowHeight);
  auto* cells = LineLayout(panel);
  const auto fixed = [](QWidget* widget, int width) {
    widget->setFixedWidth(width);
    return widget;
  };
  for (const std::string* tone : {&n.tone1, &n.tone2}) {
    if (tone->empty()) {
      cells->addWidget(fixed(new QWidget(panel), Width(kTone2)));  // group calls have one tone
      continue;
    }
    QWidget* edit = fixed(Control(*tone, panel), Width(kTone1));
    edit->installEventFilter(this);  // double-click opens a tone table
    cells->addWidget(edit);
  }
  cells->addWidget(fixed(Control(n.toneType, panel), Width(kToneType)));
  cells->addWidget(fixed(Control(n.pattern, panel), Width(kPattern)));

  // The alert time field and its "s." show only for "FIXED"; the slot keeps its width.
  auto* alertTime = new QWidget(panel);
  alertTime->setFixedWidth(Width(kAlertTime));
  auto* alertLayout = LineLayout(alertTime);
  alertLayout->setSpacing(2);
  alertLayout->addWidget(fixed(Control(n.alertTimeList, alertTime), 62));
  alertLayout->addWidget(fixed(Control(n.alertTimeEdit, alertTime), 36));
  alertLayout->addWidget(Control(n.alertTimeLabel, alertTime));
  alertLayout->addStretch();
  cells->addWidget(alertTime);

  QWidget* duty = Control(n.dutyPanel, panel);
  auto* dutyLayout = LineLayout(duty);
  for (int sw = 0; sw < 4; ++sw) {
    dutyLayout->addWidget(Slot(duty, Width(static_cast<Column>(kSwitchColumns[sw])), Control(n.switches[sw], duty)));
  }
  cells->addWidget(duty);
  cells->addWidget(Slot(panel, Width(kPriority), Control(n.priority, panel)));
  cells->addStretch();
  layout->addWidget(panel);
  layout->addStretch();
  CommitOnMouseOver(panel, callToneContext_);
  return line;
}

QWidget* ChannelPage::BuildDutyLine(QWidget* parent) {
  auto* line = new QWidget(parent);
  auto* layout = LineLayout(line);
  toneTableLabel_ = static_cast<QLabel*>(Control(names::ToneTableLabel(channel_), line));
  toneTableLabel_->setStyleSheet("color: #a00000; font-weight: bold;");
  layout->addWidget(toneTableLabel_);
  layout->addStretch();
  layout->addWidget(new QLabel("Enable Function Switches Duty ", line));
  for (int sw = 0; sw < names::kSwitchDuties; ++sw) layout->addWidget(Control(names::DutyBox(channel_, sw), line));
  layout->addSpacing(Width(kPriority));
  return line;
}

QWidget* ChannelPage::BuildFrequencyGroup() {
  auto* group = Control(names::FrequencyGroup(channel_), this);
  auto* layout = new QHBoxLayout(group);
  layout->setContentsMargins(8, 4, 8, 6);
  layout->setSpacing(kSpacing);

  auto* frequency = static_cast<QLineEdit*>(Control(names::FrequencyField(channel_), group));
  frequency->setMaxLength(kFrequencyFieldDigits);
  frequency->setFixedWidth(70);
  layout->addWidget(frequency);
  layout->addWidget(new QLabel("00Hz", group));
  layout->addSpacing(24);
  layout->addWidget(new QLabel("Channel Space", group));
  QWidget* spacing = Control(names::SpacingList(channel_), group);
  spacing->setFixedWidth(80);
  layout->addWidget(spacing);

  struct Word {
    const char* caption;
    std::string label;
    int width;
  };
  const Word words[] = {{"PLLR", names::ReferenceWordLabel(channel_), 80},
                        {"PLLN", names::DividerWordLabel(channel_), 80},
                        {"MUTL", names::MultiplierLabel(channel_), 30}};
  for (const Word& word : words) {
    layout->addSpacing(24);
    layout->addWidget(new QLabel(word.caption, group));
    auto* value = static_cast<QLabel*>(Control(word.label, group));
    StyleValueLabel(value, word.width);
    layout->addWidget(value);
  }
  layout->addStretch();
  PageContext frequencyContext = context_;
  frequencyContext.commitByFocusSink = [this] { mouseOverCommit_.Commit(); };
  CommitOnMouseOver(group, frequencyContext);
  return group;
}

void ChannelPage::MouseOverCallTone() {
  editor::ChannelPages& pages = Pages();
  // After a spacing refusal the user is reading the message; no commit until it is settled.
  if (pages.PendingConflict()) return;
  const auto* focus = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  const bool editing = focus && focus->objectName() != editor::kFocusSink;
  if (!editing && !pages.Target().IsSet() && !toneTableLabel_->isVisible()) return;
  // A refused commit took the focus back to its field; it stays the field being edited.
  if (!mouseOverCommit_.Commit()) return;
  pages.MouseOverCallToneGroup(channel_);
  toneTableLabel_->setVisible(context_.model.At(toneTableLabel_->objectName().toStdString()).visible);
}

bool ChannelPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    const std::string name = watched->objectName().toStdString();
    if (Pages().DoubleClickToneField(name) != editor::ToneTableDialog::None && context_.openToneTable) {
      context_.openToneTable();
    }
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace zt310::ui
