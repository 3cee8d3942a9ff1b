// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AdvancePage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/SettingsForm.h"

namespace zt310::ui {

namespace names = editor::names;

using form::FieldRow;

namespace {

constexpr int kWidth = form::kEditWidth;
constexpr int kBatteryListWidth = 80;
constexpr int kCaptionWidth = 160;

// GAP MAX. takes the model's timing unit labels number 5.
const FieldRow kTimingRows[] = {
    {"GAP MAX.", names::kEdtGapMax, kWidth, "", 5},
    {"Group Call Duration", names::ToneDuration(2), kWidth, "x 100 ms"},
    {"NRSSI Response Time", names::kEdtNRSSIRpTM, kWidth, "x 10 ms"},
};
const FieldRow kBatteryRows[] = {
    {"Bat. Gauge Level-High", names::kCboBatHigh, kBatteryListWidth},
    {"Bat. Gauge Level-Med", names::kCboBatMed, kBatteryListWidth},
    {"Bat. Gauge Level-Low", names::kCboBatLow, kBatteryListWidth},
};

// The squelch grid: level L has its Speaker OFF field at Tag 2(L - 1) and its Speaker ON field next to it.
struct SquelchColumn {
  const char* caption;
  int tagOffset;
};
constexpr SquelchColumn kSquelchColumns[] = {{"Speaker OFF", 0}, {"Speaker ON", 1}};
constexpr int kSquelchLevels = 5;

QLabel* NoticeLabel(QWidget* parent) {
  auto* notice = new QLabel(kAdvanceNotice, parent);
  notice->setObjectName("lblAdvanceNotice");
  notice->setWordWrap(true);
  notice->setFrameShape(QFrame::StyledPanel);
  notice->setMargin(6);
  notice->setStyleSheet("color: #a00000; font-weight: bold;");
  return notice;
}

// "Decoder Bandwidth" with "+" over "-" before its list and "%" after it;
// the sign stands at the end of the caption cell, so the list lines up with
// the fields below.
void AddBandwidthRow(const PageContext& context, QGridLayout* grid, QWidget* parent, int row) {
  grid->addWidget(form::Caption(context, "Decoder Bandwidth", names::kCboBandWidth, parent), row, 0, Qt::AlignLeft);
  auto* plusMinus = new QLabel("+\n-", parent);
  plusMinus->setObjectName("lblBandWidthSign");
  QFont tight = plusMinus->font();
  tight.setPointSizeF(tight.pointSizeF() * 0.85);
  plusMinus->setFont(tight);
  plusMinus->setAlignment(Qt::AlignCenter);
  grid->addWidget(plusMinus, row, 0, Qt::AlignRight);
  grid->addWidget(form::ModelWidget(context, names::kCboBandWidth, parent, kWidth), row, 1, Qt::AlignLeft);
  grid->addWidget(new QLabel("%", parent), row, 2);
}

QWidget* DecoderColumn(const PageContext& context, QWidget* parent) {
  auto* column = new QWidget(parent);
  QGridLayout* grid = form::Grid(column, 0);
  grid->setVerticalSpacing(8);
  grid->setColumnMinimumWidth(0, kCaptionWidth);
  AddBandwidthRow(context, grid, column, 0);
  int row = form::AddFieldRows(context, grid, column, kTimingRows, 1);
  grid->setRowMinimumHeight(row++, 8);
  row = form::AddFieldRows(context, grid, column, kBatteryRows, row);
  grid->setRowMinimumHeight(row++, 8);
  grid->addWidget(form::ModelWidget(context, names::kChkEnableAlertTime, column), row++, 0, 1, 3);
  grid->setRowStretch(row, 1);
  return column;
}

QWidget* SquelchGrid(const PageContext& context, QWidget* parent) {
  QGroupBox* group = form::Group(context, "Squelch Level", "grpSquelchLevels", parent);
  QGridLayout* grid = form::Grid(group);
  grid->setVerticalSpacing(8);
  for (const SquelchColumn& column : kSquelchColumns) {
    grid->addWidget(new QLabel(column.caption, group), 0, 1 + 2 * column.tagOffset, 1, 2, Qt::AlignLeft);
  }
  for (int level = 0; level < kSquelchLevels; ++level) {
    const int row = level + 1;
    grid->addWidget(new QLabel(QString("Level %1").arg(level + 1), group), row, 0);
    for (const SquelchColumn& column : kSquelchColumns) {
      const std::string name = names::SquelchVoltage(2 * level + column.tagOffset);
      grid->addWidget(form::ModelWidget(context, name, group, kWidth), row, 1 + 2 * column.tagOffset);
      grid->addWidget(new QLabel("V", group), row, 2 + 2 * column.tagOffset);
    }
  }
  grid->setColumnMinimumWidth(2, 24);
  grid->setColumnStretch(5, 1);
  return group;
}

}  // namespace

QWidget* CreateAdvancePage(const PageContext& pageContext, QWidget* parent) {
  const PageContext context = form::MouseOverContext(pageContext);
  auto* page = new QWidget(parent);
  page->setObjectName(names::kTabAdvance);
  CommitOnMouseOver(page, context);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(10);
  layout->addWidget(NoticeLabel(page));

  QGroupBox* group = form::Group(context, "", "grpAdvance", page);
  auto* columns = new QHBoxLayout(group);
  columns->setContentsMargins(16, 12, 16, 12);
  columns->setSpacing(40);
  columns->addWidget(DecoderColumn(context, group), 0, Qt::AlignTop);
  columns->addWidget(SquelchGrid(context, group), 0, Qt::AlignTop);
  columns->addStretch();
  layout->addWidget(group);
  layout->addStretch();
  return page;
}

}  // namespace zt310::ui
