// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/OperationModel.h"

#include <memory>

#include "codeplug/Layout.h"
#include "editor/ModelOperations.h"

namespace zt310::session {

namespace names = editor::names;

using namespace layout;

OperationRequest RequestFrom(const editor::EditorModel& model) {
  return {model.image(), model.At(names::kChkNB).checked};
}

void ShowPagerFirmware(editor::EditorModel& model, const std::string& text) {
  model.SetText(names::kLblVersion, text);
  model.SetVisible(names::kLblVersion, true);
}

void ClearPagerFirmware(editor::EditorModel& model, bool hidden) {
  if (hidden) {
    editor::HideFirmwareVersion(model);
  } else {
    model.SetText(names::kLblVersion, "");
  }
}

void ShowPagerSerial(editor::EditorModel& model, const std::string& serial) {
  model.SetText(names::kEdtSerialNo, serial);
}

namespace {

void TickOneChannel(editor::EditorModel& model, bool ticked) {
  model.SetChecked(names::kChkOneChannel, ticked);
  model.RunChange(names::kChkOneChannel);
}

}  // namespace

void ShowOutcome(editor::EditorModel& model, const OperationResult& result) {
  const ShownFacts& shown = result.shown;
  if (shown.readTakenOver && result.image) {
    TickOneChannel(model, (*result.image)[kSingleChannelMarker] == kMarkerOn);
    if (shown.timingUnits) editor::SelectTimingUnitLabels(model, *shown.timingUnits);
    CopyImage(model.image(), *result.image);
    model.FillControlsFromImage();
    return;
  }
  if (result.image) CopyImage(model.image(), *result.image);
  if (shown.audioGainReset) model.Select(names::kCboAudioGain, 0);
  if (shown.gapMaxShown) model.SetText(names::kEdtGapMax, std::to_string(model.image()[kGapMax]));
  if (shown.timingUnits) editor::SelectTimingUnitLabels(model, *shown.timingUnits);
  // So the next Write fits the single-channel pager that refused this one.
  if (shown.oneChannelTicked) TickOneChannel(model, true);
}

CodePlugImage StoredAsRead(const CodePlugImage& memory) {
  std::unique_ptr<editor::EditorModel> scratch = editor::CreateEditorModel();
  scratch->SetMessageSink([](const editor::Message&) { return editor::Answer::Ok; });
  const int pagerVersion = memory.FirmwareVersionNumber();
  OperationResult read{OperationOutcome::Success, {}};
  read.image = PreparedReadImage(memory, pagerVersion);
  read.shown.readTakenOver = true;
  read.shown.timingUnits = pagerVersion;
  ShowOutcome(*scratch, read);
  CodePlugImage stored = scratch->image();
  stored[kNarrowBandMarker] = 0;  // as "Save As ..." stores it
  StoreImageChecksum(stored);
  StampHeader(stored);
  return stored;
}

}  // namespace zt310::session
