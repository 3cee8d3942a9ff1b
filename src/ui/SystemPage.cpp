// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SystemPage.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/SettingsForm.h"

namespace zt310::ui {

namespace names = editor::names;

using form::FieldRow;

namespace {

constexpr int kWidth = form::kEditWidth;

const FieldRow kLeftColumn[] = {
    {"Decorder Reset", names::kEdtDecorderReset, kWidth, "sec."},
    {"RF Delay Time", names::kEdtRFDelay, kWidth, "ms"},
    {"NRSSI", names::kEdtRSSI, kWidth, "V"},
    {"Speaker OFF", names::kEdtRSSI2, kWidth, "V"},
    {"Speaker ON (NRSSI)", names::kEdtSSI, kWidth, "V"},
    {"Priority Scan F1", names::kEdtPriorityScanF1, kWidth},
    {"Battery Save1", names::BatterySavePeriod(0), kWidth, "x 10 ms"},
    {"Battery Save2", names::BatterySavePeriod(1), kWidth, "x 10 ms"},
};

// The timing unit labels 0 to 4 of the model stand beside these fields.
const FieldRow kRightColumn[] = {
    {"Tone1 Duration", names::ToneDuration(0), kWidth, "", 0},
    {"Tone2 Duration", names::ToneDuration(1), kWidth, "", 1},
    {"Tone1 Limit", names::ToneLimit(0), kWidth, "", 2},
    {"Tone2 Limit", names::ToneLimit(1), kWidth, "", 3},
    {"Noise Limit", names::kEdtNoiseLimit, kWidth, "", 4},
};

}  // namespace

QWidget* CreateSystemPage(const PageContext& pageContext, QWidget* parent) {
  const PageContext context = form::MouseOverContext(pageContext);
  auto* page = new QWidget(parent);
  page->setObjectName(names::kTabSystem);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(6, 6, 6, 6);

  QGroupBox* group = form::Group(context, "", "grpSystem", page);
  auto* columns = new QHBoxLayout(group);
  columns->setContentsMargins(16, 12, 16, 12);
  columns->setSpacing(48);
  for (std::span<const FieldRow> rows :
       {std::span<const FieldRow>(kLeftColumn), std::span<const FieldRow>(kRightColumn)}) {
    auto* column = new QWidget(group);
    QGridLayout* grid = form::Grid(column, 0);
    grid->setVerticalSpacing(8);
    grid->setColumnMinimumWidth(0, 130);
    grid->setColumnMinimumWidth(2, 56);
    grid->setRowStretch(form::AddFieldRows(context, grid, column, rows), 1);
    columns->addWidget(column, 0, Qt::AlignTop);
  }
  columns->addStretch();
  layout->addWidget(group);
  layout->addStretch();
  return page;
}

}  // namespace zt310::ui
