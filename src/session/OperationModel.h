// SPDX-License-Identifier: GPL-3.0-or-later
// The editor model's side of a pager operation: the request built from what
// its controls hold, what the operation learns of the pager shown in its
// controls as it happens, and the result taken into the model afterwards.
// The window, the command line and the operations' tests share it.
#pragma once

#include <string>

#include "codeplug/CodePlugImage.h"
#include "editor/EditorModel.h"
#include "link/Operations.h"

namespace zt310::session {

// The working image and the "NB" tick.
OperationRequest RequestFrom(const editor::EditorModel& model);

// lblVersion and edtSerialNo while an operation runs.
void ShowPagerFirmware(editor::EditorModel& model, const std::string& text);
void ClearPagerFirmware(editor::EditorModel& model, bool hidden);
void ShowPagerSerial(editor::EditorModel& model, const std::string& serial);

// The image the operation left and what the controls show of it: GAP MAX.,
// the audio gain, the unit labels, "One Channel"; after a Read, every
// control from the pager's image.
void ShowOutcome(editor::EditorModel& model, const OperationResult& result);

// The 512 bytes "read -o" stores for this pager memory: Read's take-over as
// the editor's loader does it, then saved as "Save As ..." saves.
CodePlugImage StoredAsRead(const CodePlugImage& memory);

}  // namespace zt310::session
