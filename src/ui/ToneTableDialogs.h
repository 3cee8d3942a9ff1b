// SPDX-License-Identifier: GPL-3.0-or-later
// The two tone pick lists of the channel pages: "Tone Table" (TForm2) for the
// Standard tone system, in named groups of ten tones, and "Plectron Tone
// Table" (TfrmPlectronTbl) for the Plectron system. Each is created once with
// its grid filled and re-shown on demand, keeping the cell last used. The
// dialogs never touch the image: a picked tone goes to the recorded target
// field and runs that field's normal commit.
#pragma once

#include <QDialog>
#include <QTableWidget>
#include <functional>

namespace zt310::ui {

class MainWindow;

// A string grid of tones. Some cells can never become current (the empty
// Plectron cell); the grid keeps its current cell between showings.
class ToneGrid : public QTableWidget {
  Q_OBJECT

 public:
  ToneGrid(int rows, int columns, QWidget* parent);
  // Fills a cell that can be picked; cells never filled stay unselectable.
  void SetTone(int row, int column, const QString& text);
  bool IsPickable(int row, int column) const;

 signals:
  void PickRequested();
  void LeaveRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

class ToneTableDialog : public QDialog {
  Q_OBJECT

 public:
  // What the opener does with the user's choice: the picked cell's text, or
  // leaving without a pick.
  std::function<void(const QString& tone)> onPick;
  std::function<void()> onLeave;

  ToneGrid* Grid() const { return grid_; }
  // The text of the current cell; empty when there is none.
  QString CurrentTone() const;
  // The cell that shows TONE becomes current, when there is one: the table
  // opens on the field's own tone.
  void ShowTone(const QString& tone);
  // Double-click, "Enter" and the Enter key: the current tone goes to the target.
  void Pick();
  // "Exit", Escape and the close box: the target field shows its own value again.
  void reject() override;

 protected:
  ToneTableDialog(const QString& objectName, const QString& caption, int rows, int columns, QWidget* parent);
  // The first pickable cell becomes current before the first showing.
  void StartAtFirstTone();
  QWidget* Body() const { return body_; }

 private:
  ToneGrid* grid_ = nullptr;
  QWidget* body_ = nullptr;
  bool closing_ = false;
};

// "Tone Table": 14 named columns ("Mot 1" ... "GE C' ") of the ten tones 0 to 9.
class StandardToneTableDialog : public ToneTableDialog {
  Q_OBJECT

 public:
  explicit StandardToneTableDialog(QWidget* parent);
};

// "Plectron Tone Table": the 59 Plectron tones, column by column, six a column.
class PlectronToneTableDialog : public ToneTableDialog {
  Q_OBJECT

 public:
  explicit PlectronToneTableDialog(QWidget* parent);
};

// The main window's tone table opener (F9 and double-click in a tone field):
// shows the dialog of the tone system modally when a tone field is the
// recorded target, and hands the pick or the leave to the channel pages.
std::function<void(MainWindow&)> ToneTableOpener(ToneTableDialog* standard, ToneTableDialog* plectron);

}  // namespace zt310::ui
