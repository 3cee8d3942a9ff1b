// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingPage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "codeplug/Fields.h"
#include "ui/SettingsForm.h"

namespace zt310::ui {

namespace names = editor::names;

using form::FieldRow;

namespace {

constexpr int kListWidth = 190;
constexpr int kShortListWidth = 60;
constexpr int kModeListWidth = 130;

// The lists and fields of "Model Options" that stand beside a caption.
const FieldRow kRecordRow[] = {{"Record Section", names::kCboRecordMax, kListWidth}};
const FieldRow kLevelRows[] = {
    {"Carrier OFF Delay", names::kEdtSquelch, form::kEditWidth, "x 150 ms"},
    {"Reminder", names::kCboReminder, kListWidth},
    {"Squelch Level", names::kCblSquelchlevel, kShortListWidth},
    {"Audio Gain", names::kCboAudioGain, kShortListWidth},
};

// The option boxes of "Model Options", in two columns. The boxes of bytes 359
// and 364 are named as in their field rows (codeplug/Fields.h): a new option
// bit is a row there and its place here.
struct OptionColumn {
  std::initializer_list<const char*> boxes;
};
constexpr const char* kVolumeNoticeName = "lblVolumeNotice";
const OptionColumn kOptionColumns[] = {
    {{"chkSysPrivacy", "chkSysPowerSave", "chkSysVolumeLevel", kVolumeNoticeName, "chkSysFIXAlert",
      "chkSysVibratorInCharger"}},
    {{"chkFunAnnounce", "chkFunVibrAlert", "chkFunPriorityScanMonitor", "", names::kChkOneChannel, names::kChkNB}},
};
constexpr const char* kVolumeNotice = "Notice : Only usable when Priority Alert is enable.";

const char* const kSwitchCaptions[] = {"SW-A", "SW-B", "SW-C", "SW-D"};
const char* const kTonalityCaptions[] = {"Tonality A", "Tonality B", "Tonality C", "Tonality D"};

QWidget* OptionColumnWidget(const PageContext& context, const OptionColumn& column, QWidget* parent) {
  auto* widget = new QWidget(parent);
  auto* layout = new QVBoxLayout(widget);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(form::kRowSpacing);
  for (const char* name : column.boxes) {
    if (std::string(name) == kVolumeNoticeName) {
      auto* notice = new QLabel(kVolumeNotice, widget);
      notice->setObjectName(name);
      notice->setIndent(22);  // under the box's caption, not its tick
      notice->setStyleSheet("color: #a00000;");
      layout->addWidget(notice);
    } else if (*name) {
      layout->addWidget(form::ModelWidget(context, name, widget));
    } else {
      layout->addSpacing(8);
    }
  }
  layout->addStretch();
  return widget;
}

// "Reset Control" with its "Help" label, and the delay field that the model
// shows only for the reset methods that wait.
int AddResetRows(const PageContext& context, QGridLayout* grid, QWidget* parent, int row) {
  grid->addWidget(form::Caption(context, "Reset Control", names::kCboResetCon, parent), row, 0);
  grid->addWidget(form::ModelWidget(context, names::kCboResetCon, parent, kListWidth), row, 1, 1, 2, Qt::AlignLeft);
  auto* help = static_cast<QLabel*>(form::ModelWidget(context, names::kLblHelp, parent));
  help->setCursor(Qt::PointingHandCursor);
  help->setStyleSheet("color: blue; text-decoration: underline;");
  form::OnClick(help, context.showResetHelp);
  grid->addWidget(help, row, 3);
  ++row;
  QWidget* delayParts[] = {form::ModelWidget(context, names::kLblDelayTime, parent),
                           form::ModelWidget(context, names::kEdtDelay, parent, form::kEditWidth),
                           form::ModelWidget(context, names::kLblDelaySec, parent)};
  for (int column = 0; column < 3; ++column) {
    // The form keeps its shape while the delay is hidden.
    QSizePolicy policy = delayParts[column]->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    delayParts[column]->setSizePolicy(policy);
    grid->addWidget(delayParts[column], row, column, column == 1 ? Qt::AlignLeft : Qt::Alignment());
  }
  return row + 1;
}

QWidget* ModelOptionsGroup(const PageContext& context, QWidget* parent) {
  QGroupBox* group = form::Group(context, "Model Options", "grpModelOptions", parent);
  auto* layout = new QHBoxLayout(group);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setSpacing(24);

  auto* lists = new QWidget(group);
  QGridLayout* grid = form::Grid(lists, 0);
  int row = 0;
  grid->addWidget(form::ModelWidget(context, "chkSysStoredVoice", lists), row++, 0, 1, 4);
  row = form::AddFieldRows(context, grid, lists, kRecordRow, row);
  grid->addWidget(form::ModelWidget(context, fields::kSquelchControlRecord.control, lists), row++, 0, 1, 4);
  row = AddResetRows(context, grid, lists, row);
  row = form::AddFieldRows(context, grid, lists, kLevelRows, row);
  grid->setRowStretch(row, 1);
  // The long lists span the field and unit columns; a wide enough unit
  // column keeps the short fields' units right beside them.
  grid->setColumnMinimumWidth(2, kListWidth - form::kEditWidth - grid->horizontalSpacing());
  grid->setColumnStretch(4, 1);
  layout->addWidget(lists, 0, Qt::AlignTop);

  for (const OptionColumn& column : kOptionColumns) layout->addWidget(OptionColumnWidget(context, column, group));
  layout->addStretch();
  return group;
}

// One switch: the two mode lists share one cell, only the model's front one is shown.
QWidget* SwitchGroup(const PageContext& context, int s, QWidget* parent) {
  QGroupBox* group = form::Group(context, kSwitchCaptions[s], QString("grpSW%1").arg(QChar('A' + s)), parent);
  QGridLayout* grid = form::Grid(group, 6);
  grid->addWidget(new QLabel("Mode", group), 0, 0);
  for (const std::string& modeList : {names::SwitchModeList(s), names::OneChannelModeList(s)}) {
    grid->addWidget(form::ModelWidget(context, modeList, group, kModeListWidth), 0, 1);
  }
  grid->addWidget(new QLabel("Alert Type", group), 1, 0);
  grid->addWidget(form::ModelWidget(context, names::AlertTypeList(s), group, kModeListWidth), 1, 1);
  grid->addWidget(form::ModelWidget(context, names::PushToListenBox(s), group), 2, 1);
  return group;
}

QWidget* FunctionSwitchesGroup(const PageContext& context, QWidget* parent) {
  QGroupBox* group = form::Group(context, "Function Switches", "grpFunctionSwitches", parent);
  QGridLayout* grid = form::Grid(group, 6);
  for (int s = 0; s < 4; ++s) grid->addWidget(SwitchGroup(context, s, group), s / 2, s % 2);
  return group;
}

QWidget* AlertTonalityGroup(const PageContext& context, QWidget* parent) {
  QGroupBox* group = form::Group(context, "Alert Tonality", "grpAlertTonality", parent);
  QGridLayout* grid = form::Grid(group);
  grid->addWidget(new QLabel("KHz", group), 0, 1, Qt::AlignHCenter);
  for (int k = 0; k < 4; ++k) {
    grid->addWidget(new QLabel(kTonalityCaptions[k], group), k + 1, 0);
    grid->addWidget(form::ModelWidget(context, names::Tonality(k), group, form::kEditWidth), k + 1, 1);
  }
  grid->setColumnStretch(2, 1);
  return group;
}

QWidget* PriorityScanGroup(const PageContext& context, QWidget* parent) {
  QGroupBox* group = form::Group(context, "Priority Scan", "grpPriorityScan", parent);
  QGridLayout* grid = form::Grid(group);
  grid->addWidget(new QLabel("Period Time", group), 0, 0);
  grid->addWidget(form::ModelWidget(context, names::kCboCircle, group, 100), 0, 1);
  grid->setColumnStretch(2, 1);
  return group;
}

}  // namespace

QWidget* CreateSettingPage(const PageContext& pageContext, QWidget* parent) {
  const PageContext context = form::MouseOverContext(pageContext);
  auto* page = new QWidget(parent);
  page->setObjectName(names::kTabSetting);
  CommitOnMouseOver(page, context);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(6);
  layout->addWidget(ModelOptionsGroup(context, page));

  auto* lower = new QHBoxLayout;
  lower->setSpacing(6);
  lower->addWidget(FunctionSwitchesGroup(context, page));
  auto* side = new QVBoxLayout;
  side->setSpacing(6);
  side->addWidget(AlertTonalityGroup(context, page));
  side->addWidget(PriorityScanGroup(context, page));
  side->addStretch();
  lower->addLayout(side, 1);
  layout->addLayout(lower);
  layout->addStretch();
  return page;
}

}  // namespace zt310::ui
