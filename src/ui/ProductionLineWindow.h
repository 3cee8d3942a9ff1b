// SPDX-License-Identifier: GPL-3.0-or-later
// "Production Line...": a station of several cradles driven from the
// window. The operator ticks the cradles among the listed ports, chooses
// where the serial numbers come from (scanner, list file, counter), and
// starts and stops; one row per cradle shows its port, state, serial
// number, firmware, last result and counts, updated as the runs go on
// their own threads while the main window stays free.
#pragma once

#include <QDialog>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/Operations.h"
#include "link/ProductionStation.h"
#include "link/SerialSources.h"
#include "port/PagerLink.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTimer;

namespace zt310::ui {

struct ProductionLineSetup {
  QStringList ports;  // the main window's port list, in its order
  // FILE as the window holds it when Start is pressed: every run starts from it.
  std::function<OperationRequest()> request;
  std::filesystem::path logDirectory;
  std::function<std::optional<std::filesystem::path>()> backupDirectory;
  LinkTiming timing;
  // The list file's chooser; tests replace it. Empty: cancelled.
  std::function<QString(QWidget*)> chooseListFile;
};

class MainWindow;

class ProductionLineWindow : public QDialog {
  Q_OBJECT

 public:
  enum Column { ColCradle, ColPort, ColState, ColSerial, ColFirmware, ColResult, ColGood, ColFailed, ColumnCount };
  enum Source { Scanner, ListFile, Counter };

  explicit ProductionLineWindow(ProductionLineSetup setup, QWidget* parent = nullptr);
  ~ProductionLineWindow() override;

  bool Running() const { return station_ != nullptr; }
  // The picture of the user guide: these cradles ticked, a counter from
  // start, started at once.
  void StartCounter(const QStringList& cradles, const QString& start, int count);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLayout();
  void Start();
  void Stop();
  void NextRound();
  void Scanned();
  void Feed();
  void CheckFinished();
  void SetIdleControls(bool idle);
  void Say(const QString& text);
  void StartOn(int cradle, const std::string& serial);
  void RunStarted(int cradle, const std::string& serial);
  void RunEnded(const CradleRunResult& result);
  QString NameOf(int cradle) const;
  void SetCell(int row, Column column, const QString& text);
  std::optional<std::vector<std::string>> PlannedNumbers();

  ProductionLineSetup setup_;
  QListWidget* ports_ = nullptr;
  QComboBox* source_ = nullptr;
  QStackedWidget* sourcePages_ = nullptr;
  QLineEdit* scan_ = nullptr;
  QLineEdit* listFile_ = nullptr;
  QLineEdit* counterStart_ = nullptr;
  QSpinBox* counterCount_ = nullptr;
  QCheckBox* noWait_ = nullptr;
  QCheckBox* answerOk_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* nextRound_ = nullptr;
  QPushButton* stop_ = nullptr;
  QTableWidget* table_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  QLabel* status_ = nullptr;
  QTimer* poll_ = nullptr;

  std::unique_ptr<ProductionStation> station_;
  std::vector<QString> cradlePorts_;
  std::vector<int> good_;
  std::vector<int> failed_;
  std::optional<SerialQueue> numbers_;
  bool stopping_ = false;
  bool answerOkChosen_ = false;
  int outstanding_ = 0;  // runs started whose result the window has not shown yet
};

// Shows the main window's production line window, made on first use.
ProductionLineWindow* ShowProductionLine(MainWindow& window, const QString& logDirectory);

}  // namespace zt310::ui
