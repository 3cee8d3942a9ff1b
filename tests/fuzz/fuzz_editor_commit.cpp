// SPDX-License-Identifier: GPL-3.0-or-later
// Any text and any key sequence into every edit field of the editor, mixed
// with list picks and box clicks, on a Standard, User or Plectron image with
// one or two channels. A refused commit must leave the image as it was.
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "codeplug/Layout.h"
#include "editor/EditorModel.h"

using namespace zt310;
using editor::ControlKind;
using fuzz::FuzzInput;

namespace {

struct Editor {
  std::unique_ptr<editor::EditorModel> model = editor::CreateEditorModel();
  std::vector<std::string> edits, lists, boxes;
  editor::Answer nextAnswer = editor::Answer::Ok;

  Editor() {
    for (const std::string& name : model->Names()) {
      const ControlKind kind = model->At(name).kind;
      if (kind == ControlKind::Edit && name != editor::kFocusSink) edits.push_back(name);
      if (kind == ControlKind::List) lists.push_back(name);
      if (kind == ControlKind::Check || kind == ControlKind::Radio) boxes.push_back(name);
    }
    model->SetMessageSink([this](const editor::Message& message) {
      if (message.buttons == editor::Buttons::Ok) return editor::Answer::Ok;
      return nextAnswer;
    });
  }
};

Editor& TheEditor() {
  static Editor editor;
  return editor;
}

// The image the editor starts from: factory default, a tone system, one or two channels.
void StartFrom(Editor& editor, std::uint8_t setup) {
  CodePlugImage image = FactoryDefaultImage();
  image[layout::kToneSystem] = static_cast<std::uint8_t>(253 + setup % 3);
  const std::uint8_t oneChannel = (setup / 3) % 2 ? layout::kMarkerOn : layout::kMarkerOff;
  image[layout::kSingleChannelMarker] = oneChannel;
  image[layout::kSingleChannelMarker2] = oneChannel;
  editor.model->OpenImage(image);
  editor.model->SetFocus("");
}

template <typename Names>
const std::string& Pick(const Names& names, FuzzInput& input) {
  return names[input.Word() % names.size()];
}

void TypeAndCommit(Editor& editor, FuzzInput& input, bool keyByKey) {
  editor::EditorModel& model = *editor.model;
  const std::string& field = Pick(editor.edits, input);
  const std::string text = input.Text(input.Byte() % 24);
  model.Enter(field);
  if (keyByKey) {
    for (char key : text) model.Key(field, key);
  } else {
    model.SetText(field, text);  // pasted
  }
  const CodePlugImage before = model.image();
  if (!model.Leave(field) && model.image() != before) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Editor& editor = TheEditor();
  FuzzInput input(data, size);
  StartFrom(editor, input.Byte());
  for (int step = 0; step < 16 && !input.Empty(); ++step) {
    const std::uint8_t action = input.Byte();
    editor.nextAnswer = (action & 0x80) ? editor::Answer::Yes : editor::Answer::No;
    switch (action % 4) {
      case 0:
        TypeAndCommit(editor, input, true);
        break;
      case 1:
        TypeAndCommit(editor, input, false);
        break;
      case 2: {
        const std::string& list = Pick(editor.lists, input);
        const int items = static_cast<int>(editor.model->At(list).items.size());
        if (items > 0) editor.model->Pick(list, input.Byte() % items);
        break;
      }
      case 3:
        editor.model->Click(Pick(editor.boxes, input));
        break;
    }
  }
  return 0;
}
