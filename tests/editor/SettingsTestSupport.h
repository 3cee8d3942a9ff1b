// A model as the main window holds it, with every message recorded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "editor/EditorModel.h"
#include "editor/SettingsPages.h"

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

  EditorModel& m() { return *model; }
  CodePlugImage& image() { return model->image(); }
  int byte(int offset) { return model->image()[offset]; }
  const Control& at(const std::string& name) { return model->At(name); }
  SettingsPages& settings() { return model->PartOf<SettingsPages>(); }

  // Typed as the user types it: enter (clears), keys through the filter, leave.
  bool Type(const std::string& name, const std::string& text) {
    model->Enter(name);
    for (char c : text) model->Key(name, c);
    return model->Leave(name);
  }
  // Pasted text, which no key filter sees.
  bool Paste(const std::string& name, const std::string& text) {
    model->Enter(name);
    model->SetText(name, text);
    return model->Leave(name);
  }
  void Load(const CodePlugImage& image) {
    model->image() = image;
    model->FillControlsFromImage();
  }
  std::string LastMessage() const { return messages.empty() ? std::string() : messages.back().text; }
  std::string LastTitle() const { return messages.empty() ? std::string() : messages.back().title; }
};

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
