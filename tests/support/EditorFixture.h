// SPDX-License-Identifier: GPL-3.0-or-later
// A headless editor as the main window holds it: every message is recorded
// (questions answered yes), fields are typed into as a user types.
#pragma once

#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "editor/ChannelPages.h"
#include "editor/EditorModel.h"
#include "editor/FunctionSwitchesModel.h"
#include "editor/ModelOperations.h"
#include "editor/SystemPageModel.h"
#include "editor/TextEntry.h"

namespace zt310::editor::testing {

struct Editor {
  std::unique_ptr<EditorModel> model = CreateEditorModel();
  std::vector<Message> messages;

  Editor() {
    model->SetMessageSink([this](const Message& message) {
      messages.push_back(message);
      return message.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    });
  }
  // Showing IMAGE as "Open" shows a file.
  explicit Editor(const CodePlugImage& image) : Editor() { Open(image); }

  EditorModel& m() { return *model; }
  CodePlugImage& image() { return model->image(); }
  int byte(int offset) { return model->image()[offset]; }
  const Control& at(const std::string& name) { return model->At(name); }
  std::string text(const std::string& name) { return model->At(name).text; }
  ChannelPages& pages() { return model->PartOf<ChannelPages>(); }
  FunctionSwitchesModel& switches() { return model->PartOf<FunctionSwitchesModel>(); }
  SystemPageModel& system() { return model->PartOf<SystemPageModel>(); }

  // "Open": the open steps run before the controls are filled.
  void Open(const CodePlugImage& image) { model->OpenImage(image); }
  // The image replaced and the controls filled, without the open steps.
  void Load(const CodePlugImage& image) {
    model->image() = image;
    model->FillControlsFromImage();
  }

  // Typed as the user types it: enter (clears), keys through the filter (a
  // key the filter drops does nothing), leave. False when the commit refused.
  bool Type(const std::string& name, const std::string& text) { return TypeInto(*model, name, text).committed; }
  // Pasted text, which no key filter sees.
  bool Paste(const std::string& name, const std::string& text) {
    model->Enter(name);
    model->SetText(name, text);
    return model->Leave(name);
  }
  void Pick(const std::string& name, const std::string& item) { QVERIFY(model->PickText(name, item)); }
  // Sets a box to the wanted state by clicking it when it differs.
  void Tick(const std::string& name, bool on) {
    if (model->At(name).checked != on) model->Click(name);
  }
  std::string LastMessage() const { return messages.empty() ? std::string() : messages.back().text; }
  std::string LastTitle() const { return messages.empty() ? std::string() : messages.back().title; }
};

// The factory default with the caption and header stamped, as the window shows it.
inline CodePlugImage Factory() {
  CodePlugImage image = FactoryDefaultImage();
  StampCaption(image);
  StampHeader(image);
  return image;
}

inline CodePlugImage WithFirmware(CodePlugImage image, int major, int minor, int patch) {
  image[layout::kFirmwareMajor] = static_cast<std::uint8_t>(major);
  image[layout::kFirmwareMinor] = static_cast<std::uint8_t>(minor);
  image[layout::kFirmwarePatch] = static_cast<std::uint8_t>(patch);
  return image;
}

}  // namespace zt310::editor::testing
