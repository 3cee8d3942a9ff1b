// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/TopPanelModel.h"

#include <cstdio>

#include "codeplug/Layout.h"

namespace zt310::editor {

using namespace layout;
using namespace settings;

void TopPanelModel::Register(EditorModel& editor) {
  Attach(editor);
  if (!model().Has(names::kLblVersion)) {
    Control version = MakeLabel(names::kLblVersion, "", "");
    version.visible = false;
    AddControl(version);
  }
  if (!model().Has(names::kEdtSerialNo)) AddControl(MakeEdit(names::kEdtSerialNo, "", {}));
}

void TopPanelModel::ShowSerialNumber() { model().SetText(names::kEdtSerialNo, SerialNumberText(image()).value_or("")); }

void TopPanelModel::ShowFirmwareVersion() {
  ShowFirmwareVersion(image()[kFirmwareMajor], image()[kFirmwareMinor], image()[kFirmwarePatch]);
}

void TopPanelModel::ShowFirmwareVersion(int major, int minor, int patch) {
  char text[48];
  std::snprintf(text, sizeof text, "FirmVer. %d.%d.%d", major, minor, patch);
  model().SetText(names::kLblVersion, text);
  model().SetVisible(names::kLblVersion, true);
}

void TopPanelModel::HideFirmwareVersion() {
  model().SetText(names::kLblVersion, "");
  model().SetVisible(names::kLblVersion, false);
}

}  // namespace zt310::editor
