// SPDX-License-Identifier: GPL-3.0-or-later
// The top panel's image controls: the firmware version label and the serial
// number field. The window and the production operations attach their own
// handlers to them.
#pragma once

#include "editor/SettingsFields.h"

namespace zt310::editor {

class TopPanelModel : public settings::SettingsPage {
 public:
  void Register(EditorModel& model) override;

  // `lblVersion` shows "FirmVer. %d.%d.%d" and becomes visible: of the
  // image's identity bytes ("Open"), or of a block just read from a pager.
  void ShowFirmwareVersion();
  void ShowFirmwareVersion(int major, int minor, int patch);
  // `lblVersion` hidden and cleared (a pager operation starts or fails).
  void HideFirmwareVersion();

  // --- loader steps ---
  void ShowSerialNumber();
};

}  // namespace zt310::editor
