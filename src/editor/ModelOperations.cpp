// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ModelOperations.h"

#include "codeplug/TableFile.h"
#include "editor/ChannelPages.h"
#include "editor/FunctionSwitchesModel.h"
#include "editor/SystemPageModel.h"
#include "editor/TopPanelModel.h"

namespace zt310::editor {

void RestoreFactorySettings(EditorModel& model) {
  model.PartOf<ChannelPages>().ResetSpacingInEffect();
  const bool oneChannel = model.At(names::kChkOneChannel).checked;
  model.PartOf<FunctionSwitchesModel>().ForgetRememberedModes(oneChannel);
  CopyImage(model.image(), FactoryImageForChannels(oneChannel));
  model.PartOf<SystemPageModel>().ShowTimingUnit(false);
  model.FillControlsFromImage();
  model.SetVisible(names::kLblVersion, false);
}

void SelectTimingUnitLabels(EditorModel& model, int version) {
  model.PartOf<SystemPageModel>().SelectTimingUnitLabels(version);
}

void HideFirmwareVersion(EditorModel& model) { model.PartOf<TopPanelModel>().HideFirmwareVersion(); }

}  // namespace zt310::editor
