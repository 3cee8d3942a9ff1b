// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ToneTableDialogs.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <array>

#include "editor/ChannelPages.h"
#include "tones/Tones.h"
#include "ui/MainWindow.h"

namespace zt310::ui {

namespace {

constexpr int kCellWidth = 55;
constexpr int kCellHeight = 22;
constexpr int kToneGroups = 14;
constexpr int kTonesPerGroup = 10;
constexpr int kPlectronRows = 6;
constexpr int kPlectronColumns = 10;

// The named tone groups of the "Tone Table", ten tones (0 to 9) each, in
// tenths of a hertz.
struct ToneGroup {
  const char* name;
  std::array<ToneValue, kTonesPerGroup> tones;
};
constexpr ToneGroup kToneGroupTable[kToneGroups] = {
    {"Mot 1", {3305, 3490, 3685, 3890, 4108, 4337, 4579, 4835, 5105, 5390}},
    {"Mot 2", {5691, 6009, 6345, 6699, 7073, 7468, 7885, 8325, 8790, 9281}},
    {"Mot 3", {10924, 2885, 2965, 3047, 3130, 9537, 9799, 10069, 10347, 10632}},
    {"Mot 4", {3217, 3396, 3586, 3786, 3998, 4221, 4457, 4705, 4968, 5246}},
    {"Mot 5", {5539, 5848, 6174, 6519, 6883, 7268, 7674, 8102, 8555, 9032}},
    {"Mot 6", {11225, 11534, 11852, 12178, 12514, 12858, 13212, 13576, 13950, 14334}},
    {"Mot A", {3589, 3981, 4416, 4898, 5433, 6026, 6683, 7413, 8222, 9120}},
    {"Mot B", {3715, 4121, 4571, 5070, 5623, 6237, 6918, 7674, 8511, 9441}},
    {"Mot Z", {3467, 3846, 4266, 4732, 5248, 5821, 6457, 7161, 7943, 8810}},
    {"Mot 10", {14729, 15135, 15552, 15980, 16420, 16872, 17337, 17815, 18305, 18810}},
    {"Mot 11", {19302, 19890, 20438, 20945, 21556, 22122, 22717, 23346, 24010, 24682}},
    {"GE A' ", {6825, 5925, 7575, 8025, 8475, 8925, 9375, 5475, 7275, 6375}},
    {"GE B' ", {6525, 6075, 7875, 8325, 8775, 9225, 9675, 5175, 5625, 6975}},
    {"GE C' ", {6675, 7125, 7725, 8175, 8625, 9075, 9525, 5325, 5775, 6225}},
};

QString ToneText(ToneValue tenths) { return QString::asprintf("%0.1f", tenths / 10.0); }

// Every cell is filled with the grid's brush and its text drawn centred on
// one line; cells that cannot be picked are filled in the button face.
class CentredCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool pickable = index.flags().testFlag(Qt::ItemIsSelectable);
    const bool selected = pickable && option.state.testFlag(QStyle::State_Selected);
    const QPalette& palette = option.palette;
    const QColor fill = !pickable  ? palette.color(QPalette::Button)
                        : selected ? palette.color(QPalette::Highlight)
                                   : palette.color(QPalette::Base);
    painter->save();
    painter->fillRect(option.rect, fill);
    painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    painter->drawText(option.rect, Qt::AlignCenter | Qt::TextSingleLine, index.data(Qt::DisplayRole).toString());
    painter->restore();
  }
};

// While a tone table is up, the window losing its activation to the dialog
// is no commit of the field being edited: the field keeps its text, so a
// pick or a leave finds it as the user left it.
class KeepFieldWhileDialogUp : public QObject {
 public:
  KeepFieldWhileDialogUp() : field_(QApplication::focusWidget()) {
    if (field_) field_->installEventFilter(this);
  }
  ~KeepFieldWhileDialogUp() override {
    if (field_) field_->removeEventFilter(this);
  }
  KeepFieldWhileDialogUp(const KeepFieldWhileDialogUp&) = delete;
  KeepFieldWhileDialogUp& operator=(const KeepFieldWhileDialogUp&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QPointer<QWidget> field_;
};

}  // namespace

// --- grid ---

ToneGrid::ToneGrid(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(false);
  setItemDelegate(new CentredCellDelegate(this));
  horizontalHeader()->setDefaultSectionSize(kCellWidth);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->setDefaultSectionSize(kCellHeight);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setSectionsClickable(false);
  verticalHeader()->setHighlightSections(false);
  setCornerButtonEnabled(false);
  // Until filled a cell is the empty one nobody can pick.
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      auto* item = new QTableWidgetItem;
      item->setFlags(Qt::NoItemFlags);
      setItem(row, column, item);
    }
  }
  connect(this, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
    if (IsPickable(row, column)) emit PickRequested();
  });
}

void ToneGrid::SetTone(int row, int column, const QString& text) {
  QTableWidgetItem* cell = item(row, column);
  cell->setText(text);
  cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
}

bool ToneGrid::IsPickable(int row, int column) const {
  const QTableWidgetItem* cell = item(row, column);
  return cell && cell->flags().testFlag(Qt::ItemIsSelectable);
}

void ToneGrid::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      emit PickRequested();
      return;
    case Qt::Key_Escape:
      emit LeaveRequested();
      return;
    default:
      QTableWidget::keyPressEvent(event);
  }
}

// --- dialogs ---

ToneTableDialog::ToneTableDialog(const QString& objectName, const QString& caption, int rows, int columns,
                                 QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(objectName);
  setWindowTitle(caption);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  body_ = new QWidget(this);
  auto* bodyLayout = new QVBoxLayout(body_);
  bodyLayout->setContentsMargins(0, 0, 0, 0);
  grid_ = new ToneGrid(rows, columns, body_);
  grid_->setObjectName("StringGrid1");
  bodyLayout->addWidget(grid_);
  layout->addWidget(body_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* enter = new QPushButton("Enter", this);
  enter->setObjectName("btnEnter");
  auto* exit = new QPushButton("Exit", this);
  exit->setObjectName("btnExit");
  for (QPushButton* button : {enter, exit}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  buttons->addStretch();
  layout->addLayout(buttons);

  connect(enter, &QPushButton::clicked, this, &ToneTableDialog::Pick);
  connect(exit, &QPushButton::clicked, this, &ToneTableDialog::reject);
  connect(grid_, &ToneGrid::PickRequested, this, &ToneTableDialog::Pick);
  connect(grid_, &ToneGrid::LeaveRequested, this, &ToneTableDialog::reject);
}

void ToneTableDialog::StartAtFirstTone() {
  for (int column = 0; column < grid_->columnCount(); ++column) {
    for (int row = 0; row < grid_->rowCount(); ++row) {
      if (grid_->IsPickable(row, column)) {
        grid_->setCurrentCell(row, column);
        return;
      }
    }
  }
}

QString ToneTableDialog::CurrentTone() const {
  const QTableWidgetItem* cell = grid_->currentItem();
  if (!cell || !grid_->IsPickable(cell->row(), cell->column())) return {};
  return cell->text();
}

void ToneTableDialog::Pick() {
  if (closing_) return;
  closing_ = true;
  const QString tone = CurrentTone();
  if (tone.isEmpty()) {
    if (onLeave) onLeave();
  } else if (onPick) {
    onPick(tone);
  }
  accept();
  closing_ = false;
}

void ToneTableDialog::reject() {
  // Escape, "Exit" and the close box all end here; a pick already closing does not leave again.
  if (!closing_) {
    closing_ = true;
    if (onLeave) onLeave();
    QDialog::reject();
    closing_ = false;
    return;
  }
  QDialog::reject();
}

StandardToneTableDialog::StandardToneTableDialog(QWidget* parent)
    : ToneTableDialog("TForm2", "Tone Table", kTonesPerGroup, kToneGroups, parent) {
  ToneGrid* grid = Grid();
  QStringList groupNames;
  QStringList toneNumbers;
  for (int column = 0; column < kToneGroups; ++column) {
    groupNames << QString::fromLatin1(kToneGroupTable[column].name);
    for (int row = 0; row < kTonesPerGroup; ++row) {
      grid->SetTone(row, column, ToneText(kToneGroupTable[column].tones[static_cast<std::size_t>(row)]));
    }
  }
  for (int row = 0; row < kTonesPerGroup; ++row) toneNumbers << QString::number(row);
  grid->setHorizontalHeaderLabels(groupNames);
  grid->setVerticalHeaderLabels(toneNumbers);
  grid->horizontalHeader()->setFixedHeight(kCellHeight + 2);
  grid->verticalHeader()->setFixedWidth(kCellWidth / 2);
  grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
  const int frame = 2 * grid->frameWidth();
  grid->setFixedSize(kCellWidth / 2 + kToneGroups * kCellWidth + frame + 2,
                     kCellHeight + 2 + kTonesPerGroup * kCellHeight + frame + 2);
  StartAtFirstTone();
  setFixedSize(sizeHint());
}

PlectronToneTableDialog::PlectronToneTableDialog(QWidget* parent)
    : ToneTableDialog("TfrmPlectronTbl", "Plectron Tone Table", kPlectronRows, kPlectronColumns, parent) {
  auto* heading = new QLabel("Plectron Format Tones", Body());
  heading->setObjectName("lblPlectronHeading");
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  heading->setFont(bold);
  heading->setAlignment(Qt::AlignCenter);
  static_cast<QVBoxLayout*>(Body()->layout())->insertWidget(0, heading);

  ToneGrid* grid = Grid();
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  for (std::size_t number = 0; number < PlectronToneTable.size(); ++number) {
    const int column = static_cast<int>(number) / kPlectronRows;
    const int row = static_cast<int>(number) % kPlectronRows;
    grid->SetTone(row, column, ToneText(PlectronToneTable[number]));
  }
  const int frame = 2 * grid->frameWidth();
  grid->setFixedSize(kPlectronColumns * kCellWidth + frame + 2, kPlectronRows * kCellHeight + frame + 2);
  StartAtFirstTone();
  setFixedSize(sizeHint());
}

// --- opener ---

void ToneTableDialog::ShowTone(const QString& tone) {
  const QString wanted = tone.trimmed();
  if (wanted.isEmpty()) return;
  for (int row = 0; row < grid_->rowCount(); ++row) {
    for (int column = 0; column < grid_->columnCount(); ++column) {
      const QTableWidgetItem* item = grid_->item(row, column);
      if (item && grid_->IsPickable(row, column) && item->text().trimmed() == wanted) {
        grid_->setCurrentCell(row, column);
        return;
      }
    }
  }
}

std::function<void(MainWindow&)> ToneTableOpener(ToneTableDialog* standard, ToneTableDialog* plectron) {
  return [standard, plectron](MainWindow& window) {
    auto& pages = window.Model().PartOf<editor::ChannelPages>();
    ToneTableDialog* dialog = nullptr;
    switch (pages.PressF9()) {
      case editor::ToneTableDialog::Standard:
        dialog = standard;
        break;
      case editor::ToneTableDialog::Plectron:
        dialog = plectron;
        break;
      case editor::ToneTableDialog::None:
        return;
    }
    // A pick lands on the channel page the user sees.
    pages.SetActivePage(window.ActivePage());
    if (const auto* field = qobject_cast<const QLineEdit*>(QApplication::focusWidget()))
      dialog->ShowTone(field->text());
    dialog->onPick = [&pages](const QString& tone) { pages.PickToneFromTable(tone.toStdString()); };
    dialog->onLeave = [&pages] { pages.LeaveToneTable(); };
    {
      const KeepFieldWhileDialogUp keepField;
      dialog->exec();
    }
    window.RefreshFromModel();
  };
}

}  // namespace zt310::ui
