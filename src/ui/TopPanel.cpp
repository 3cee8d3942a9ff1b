// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TopPanel.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

#include "protocol/ProgrammingFrame.h"
#include "ui/ControlWidgets.h"

namespace zt310::ui {

namespace names = editor::names;

TopPanel::TopPanel(const editor::EditorModel& model, QWidget* parent) : QWidget(parent) {
  setObjectName("panTop");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(BuildToneSystem(model));
  layout->addWidget(BuildSerialSetting(model));
  layout->addWidget(BuildSerialNumber(model));
  layout->addStretch();
}

QWidget* TopPanel::BuildToneSystem(const editor::EditorModel& model) {
  auto* tones = CreateControlWidget(model, names::kGrpToneSystem, this);
  auto* toneLayout = new QHBoxLayout(tones);
  for (int i = 0; i < names::kToneSystemButtons; ++i) {
    toneLayout->addWidget(CreateControlWidget(model, names::ToneSystemButton(i), tones));
  }
  return tones;
}

QWidget* TopPanel::BuildSerialSetting(const editor::EditorModel& model) {
  auto* serial = new QGroupBox("Serial Setting", this);
  serial->setObjectName("grpSerial");
  auto* serialLayout = new QHBoxLayout(serial);
  serialLayout->addWidget(new QLabel("COM Port", serial));
  portList_ = new QComboBox(serial);
  portList_->setObjectName("cboPort");
  portList_->setMinimumWidth(110);
  serialLayout->addWidget(portList_);
  version_ = static_cast<QLabel*>(CreateControlWidget(model, names::kLblVersion, serial));
  QFont underlined = version_->font();
  underlined.setUnderline(true);
  version_->setFont(underlined);
  // The label keeps its room while hidden, so the groups beside it do not
  // move when a firmware version appears.
  version_->setMinimumWidth(QFontMetrics(underlined).horizontalAdvance("FirmVer. 00.0.0"));
  QSizePolicy keepRoom = version_->sizePolicy();
  keepRoom.setRetainSizeWhenHidden(true);
  version_->setSizePolicy(keepRoom);
  version_->hide();
  serialLayout->addWidget(version_);
  return serial;
}

QWidget* TopPanel::BuildSerialNumber(const editor::EditorModel& model) {
  auto* serialNo = new QGroupBox("Serial No.", this);
  serialNo->setObjectName("grpSerialNo");
  auto* serialNoLayout = new QHBoxLayout(serialNo);
  serialNoLayout->addWidget(new QLabel(QString::fromUtf8("S/N\xEF\xBC\x9A"), serialNo));
  serialField_ = static_cast<QLineEdit*>(CreateControlWidget(model, names::kEdtSerialNo, serialNo));
  serialField_->setMaximumWidth(QWIDGETSIZE_MAX);
  serialField_->setMinimumWidth(140);
  serialNoLayout->addWidget(serialField_);
  return serialNo;
}

QWidget* BuildTestPanel(const TestPanelActions& actions, QWidget* parent) {
  auto* tests = new QGroupBox(parent);
  tests->setObjectName("panTest");
  auto* layout = new QHBoxLayout(tests);
  layout->setContentsMargins(6, 2, 6, 2);
  auto addButton = [&](const char* name, const char* caption, std::function<void()> action) {
    auto* button = new QPushButton(caption, tests);
    button->setObjectName(name);
    button->setMaximumWidth(44);
    QObject::connect(button, &QPushButton::clicked, tests, std::move(action));
    layout->addWidget(button);
  };
  layout->addWidget(new QLabel("Vibrator Test", tests));
  addButton("btnVibratorOn", "ON", [actions] { actions.vibrator(kCommandVibratorOn); });
  addButton("btnVibratorOFF", "OFF", [actions] { actions.vibrator(kCommandVibratorOff); });
  layout->addSpacing(24);
  layout->addWidget(new QLabel("Alert Test", tests));
  auto* channel = new QComboBox(tests);
  channel->setObjectName("cboChannel");
  channel->addItems({"Channel F1", "Channel F2"});
  auto* call = new QComboBox(tests);
  call->setObjectName("cboCall");
  for (int i = 1; i <= 8; ++i) call->addItem(QString("Call #%1").arg(i));
  for (int j = 1; j <= 4; ++j) call->addItem(QString("Group Call #%1").arg(j));
  layout->addWidget(channel);
  layout->addWidget(call);
  const auto alert = [actions, channel, call](bool on) {
    actions.alert(on, channel->currentIndex() + 1, call->currentIndex() + 1);
  };
  addButton("btnAlertTestOn", "ON", [alert] { alert(true); });
  addButton("btnAlertTestOFF", "OFF", [alert] { alert(false); });
  layout->addStretch();
  return tests;
}

}  // namespace zt310::ui
