// SPDX-License-Identifier: GPL-3.0-or-later
// The panels around the pages: the top panel (tone system, serial port and
// firmware version, serial number) and the vibrator and alert tests at the
// bottom. The model's controls among them are made by the same control
// factory as the pages' fields.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "editor/EditorModel.h"

namespace zt310::ui {

class TopPanel : public QWidget {
  Q_OBJECT

 public:
  TopPanel(const editor::EditorModel& model, QWidget* parent);

  QComboBox* PortList() const { return portList_; }
  QLabel* VersionLabel() const { return version_; }
  QLineEdit* SerialField() const { return serialField_; }

 private:
  QWidget* BuildToneSystem(const editor::EditorModel& model);
  QWidget* BuildSerialSetting(const editor::EditorModel& model);
  QWidget* BuildSerialNumber(const editor::EditorModel& model);

  QComboBox* portList_ = nullptr;
  QLabel* version_ = nullptr;
  QLineEdit* serialField_ = nullptr;
};

// What the test panel's buttons ask for.
struct TestPanelActions {
  std::function<void(std::uint8_t command)> vibrator;         // kCommandVibratorOn / Off
  std::function<void(bool on, int channel, int call)> alert;  // channel 1-2, call 1-12
};

QWidget* BuildTestPanel(const TestPanelActions& actions, QWidget* parent);

}  // namespace zt310::ui
